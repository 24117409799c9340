#include "app/burn_checks.h"
#include "app/burn_rules.h"
#include "app/usb_form.h"
#include "drives/host_checks.h"

bool TUSBForm::CheckSupportFiles() {
  static const wchar_t* const SupportFiles[] = {L"cygwin1.dll", L"isoinfo.exe", L"7z.dll", L"bootsect_x64.exe",
                                                L"bootsect_x86.exe"};
  bool allPresent = true;
  for (const wchar_t* name : SupportFiles) {
    if (!FileExists(App_Path + name)) allPresent = false;  // every file is tested
  }
  if (!allPresent) ShowMessage(ReinstallText, ErrorTitle, MB_OK | MB_ICONERROR);
  return allPresent;
}
