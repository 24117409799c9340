// Program entry: one window and its message loop.
#include <windows.h>
#include <commctrl.h>

#include "base/failure.h"
#include "base/message_pump.h"
#include "app/usb_form.h"

namespace {
// Keeps a program planted in the current folder (format.com, label) or a DLL
// there from being picked up by an elevated program.
void HardenSearchPaths() {
  ::SetEnvironmentVariableW(L"NoDefaultCurrentDirectoryInExePath", L"1");
  ::SetDllDirectoryW(L"");
  using SetSearchPathModeFn = BOOL(WINAPI*)(DWORD);
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  if (!kernel32) return;
  auto setSearchPathMode = reinterpret_cast<SetSearchPathModeFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetSearchPathMode")));
  if (setSearchPathMode) setSearchPathMode(0x00000001 | 0x00008000);  // safe mode, permanent
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  HardenSearchPaths();
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES;
  ::InitCommonControlsEx(&controls);

  TUSBForm form;
  USBForm = &form;
  form.QuitOnDestroy = true;
  try {
    form.Create(instance);
  } catch (const EFailure& failure) {
    ::MessageBoxW(nullptr, UncaughtFailureText(failure.Message()).c_str(), L"Quillora", MB_OK);
    return 1;
  }
  return RunMessageLoop();
}
