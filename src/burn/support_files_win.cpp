#include "burn/support_files.h"

#include <windows.h>

#include "burn/burn_checks.h"
#include "burn/burn_rules.h"
#include "burn/burn_view.h"
#include "base/program_folder.h"
#include "drives/host_checks.h"
#include "stages/system_tools.h"

TSupportFiles FindSupportFiles() {
  TSupportFiles files;
  files.AppPath = ProgramFolder();
  try {
    files.BootSectPath = files.AppPath + BootSectProgramName();
  } catch (...) {
    files.BootSectPath = files.AppPath + L"bootsect_x86.exe";
  }
  const TSystemToolPaths tools = SystemToolPaths(IsWow64());
  files.DiskPartPath = tools.DiskPart;
  files.FormatPath = tools.Format;
  files.LabelPath = tools.Label;
  files.DismPath = tools.Dism;
  return files;
}

bool CheckSupportFiles(const TSupportFiles& files, IBurnView& view) {
  // bootsect is looked for only by the boot step, which can do without it.
  const bool present = FileExists(files.AppPath + L"7z.dll");
  if (!present) view.ShowMessage(ReinstallText, ErrorTitle, MB_OK | MB_ICONERROR);
  return present;
}
