#include "app/burn_checks.h"
#include "app/burn_rules.h"
#include "app/usb_form.h"
#include "drives/host_checks.h"
#include "drives/free_space.h"
#include "drives/usb_drives.h"

bool TUSBForm::CheckBeforeErasing(const std::wstring& root, int64_t& driveSize) {
  {
    // A card reader slot without a card must not bring up the system's dialog.
    TErrorModeScope quiet(SEM_FAILCRITICALERRORS);
    driveSize = GetDriveTotalSize(root[0] - L'A' + 1);
  }
  const std::wstring image = ControlText(ISOFileEdit);
  TTempFolder temp{GetTempDirectory(), std::nullopt};
  if (!temp.Path.empty()) temp.FreeBytes = FreeSpaceOf(temp.Path);
  const TBurnPlan plan =
      PlanBurn(SurveyImage(image), image, driveSize, GetSelectedFileSystem(), UserDecimalSeparator(), temp);
  if (plan.Refusal == TBurnPlan::TRefusal::None) return true;
  ShowMessage(plan.Message, ErrorTitle, MB_ICONERROR);
  return false;
}
