#include <exception>

#include "app/burn_rules.h"
#include "base/failure.h"
#include "app/usb_form.h"
#include "drives/drive_list.h"

namespace {
bool IsTicked(HWND checkBox) {
  return ::SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The install.wim copy and its work folder go on every way out of a burn.
class TWimWorkScope {
public:
  explicit TWimWorkScope(TUSBForm& form) : FForm(form) {}
  ~TWimWorkScope() {
    FForm.WimSplitFile.clear();
    FForm.WimWorkFolder.reset();
  }
  TWimWorkScope(const TWimWorkScope&) = delete;
  TWimWorkScope& operator=(const TWimWorkScope&) = delete;

private:
  TUSBForm& FForm;
};
}  // namespace

bool TUSBForm::SplitInstallWim() {
  if (WimSplitFile.empty()) return true;
  TWimWorkScope work(*this);
  return RunStage(SplitImage);
}

void TUSBForm::BurnButtonClick() {
  const std::wstring drive = GetSelectedDrive();
  const TBurnInput input = CheckBurnInput(ControlText(ISOFileEdit), drive, ControlText(LabelEdit));
  // The edits show what the checks saw: trimmed, and the label cut.
  SetControlText(ISOFileEdit, input.IsoFile);
  SetControlText(LabelEdit, input.Label);
  switch (input.Verdict) {
    case TBurnInput::TVerdict::NoIsoFile:
      ShowMessage(NoIsoFileText, InformationTitle, MB_ICONINFORMATION);
      return;
    case TBurnInput::TVerdict::NoUsbDrive:
      ShowMessage(NoUsbDriveText, InformationTitle, MB_ICONINFORMATION);
      return;
    case TBurnInput::TVerdict::InvalidLabel:
      ShowMessage(InvalidLabelText, ErrorTitle, MB_ICONERROR);
      return;
    case TBurnInput::TVerdict::Accepted:
      break;
  }

  const bool bootable = IsTicked(BootableCheckBox);
  if (ShowMessage(BurnConfirmText(drive, bootable), BurnConfirmTitle(drive),
                  MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return;
  if (!CheckSupportFiles()) return;

  const std::wstring root = DriveRootOf(drive);
  int64_t driveSize = -1;
  if (!CheckBeforeErasing(root, driveSize)) return;
  ProgressModel.Value = 0.0f;
  UpdateProgressBar();
  if (ProgressBarVisible) SetProgressBarVisible(false);

  // Runs every step even when one raises; the first failure is handed back.
  auto cleanUp = [this]() -> std::exception_ptr {
    std::exception_ptr first;
    auto step = [&first](auto&& action) {
      try {
        action();
      } catch (...) {
        if (!first) first = std::current_exception();
      }
    };
    step([this] { RestoreAutoRun(); });
    step([this] { EnableControls(true); });
    step([this] { RefreshButtonClick(); });
    return first;
  };

  TWimWorkScope wimWork(*this);
  try {
    // Inside the scope: a window left disabled could never be closed again.
    EnableControls(false);
    DisableAutoRun();
    const bool prepared =
        bootable ? RunDiskPartScript(CreateBootable, DiskPartScriptText(root, GetSelectedFileSystem(), driveSize))
                 : RunStage(FormatDrive);
    if (prepared) {
      if (!ControlText(LabelEdit).empty()) RunStage(WriteLabel);  // a failed label does not stop the burn
      if (RunStage(BurnImage) && SplitInstallWim()) {
        if (bootable) {
          try {
            LegacyBootStep(root);
          } catch (...) {
            ShowMessage(LegacyBootFailedText, ErrorTitle, MB_ICONERROR);
          }
        }
        ShowMessage(BurnCompleteText, InformationTitle, MB_ICONINFORMATION);
      }
    }
  } catch (...) {
    cleanUp();  // the failure that got us here is the one to report
    throw;
  }
  if (std::exception_ptr failure = cleanUp()) std::rethrow_exception(failure);
}
