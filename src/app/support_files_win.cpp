#include "app/support_files.h"

#include <windows.h>

#include "app/burn_checks.h"
#include "app/burn_rules.h"
#include "app/burn_view.h"
#include "base/program_folder.h"
#include "drives/host_checks.h"

TSupportFiles FindSupportFiles() {
  TSupportFiles files;
  files.AppPath = ProgramFolder();
  try {
    files.BootSectPath = files.AppPath + BootSectProgramName();
  } catch (...) {
    files.BootSectPath = files.AppPath + L"bootsect_x86.exe";
  }
  return files;
}

bool CheckSupportFiles(const TSupportFiles& files, IBurnView& view) {
  static const wchar_t* const SupportFiles[] = {L"cygwin1.dll", L"isoinfo.exe", L"7z.dll", L"bootsect_x64.exe",
                                                L"bootsect_x86.exe"};
  bool allPresent = true;
  for (const wchar_t* name : SupportFiles) {
    if (!FileExists(files.AppPath + name)) allPresent = false;  // every file is tested
  }
  if (!allPresent) view.ShowMessage(ReinstallText, ErrorTitle, MB_OK | MB_ICONERROR);
  return allPresent;
}
