#include "app/program_win.h"

#include <commctrl.h>

#include <exception>

#include "app/form_controls_win.h"
#include "app/usb_form.h"
#include "base/com_scope.h"
#include "base/failure.h"
#include "base/optional_api.h"
#include "base/message_pump.h"
#include "base/single_instance.h"
#include "drives/autorun_guard.h"
#include "drives/work_folder.h"

namespace {
// Keeps a program or a DLL planted in the current folder from being picked
// up by an elevated program.
void HardenSearchPaths() {
  ::SetEnvironmentVariableW(L"NoDefaultCurrentDirectoryInExePath", L"1");
  ::SetDllDirectoryW(L"");
  if (const auto setSearchPathMode = OptionalApi::SetSearchPathMode()) setSearchPathMode(0x00000001 | 0x00008000);  // safe mode, permanent
}

void ShowStartFailure(const std::wstring& message) {
  ::MessageBoxW(nullptr, UncaughtFailureText(message).c_str(), L"Quillora", MB_OK);
}
}  // namespace

int RunQuillora(HINSTANCE instance, IDriveQuery& drives, const std::function<void(TUSBForm&)>& shown) {
  HardenSearchPaths();
  // A second copy would take the first one's AutoRun value of 255 for the
  // user's own; it changes nothing and leaves.
  const TSingleInstance oneCopy;
  if (oneCopy.AnotherCopyRuns()) {
    BringRunningCopyToFront(form::FormClassName);
    ::MessageBoxW(nullptr, AlreadyRunningText, AlreadyRunningTitle, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    return 0;
  }
  // What a burn that never ended left behind (a crash, a kill, a power cut).
  const bool autoRunRestored = RestoreAutoRunFromRecord();
  RemoveLeftoverWorkFolders(WimWorkFolderName);

  const TComScope com;
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES;
  ::InitCommonControlsEx(&controls);

  TUSBForm form(drives);
  // Create destroys a half-built window itself; the box comes after, with
  // no window left behind it.
  try {
    form.Create(instance);
  } catch (const std::exception& failure) {
    ShowStartFailure(FailureMessage(failure));
    return 1;
  }
  // Only now: a quit request from a window destroyed during Create would
  // close the box above at once.
  form.QuitOnDestroy = true;
  if (!autoRunRestored) form.ShowMessage(AutoRunRestoreFailedText, AutoRunRestoreFailedTitle, MB_OK | MB_ICONWARNING);
  if (shown) shown(form);
  return RunMessageLoop();
}
