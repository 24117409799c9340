#pragma once
// The program folder and the console programs the stages run, found once when
// the window is made.
#include <string>

#include "stages/stage_text.h"

class IBurnView;

struct TSupportFiles {
  std::wstring AppPath;  // the program folder, with its trailing backslash
  // Windows' own programs by full path in the system folder; empty, they do not start.
  std::wstring DiskPartPath;
  std::wstring BootSectPath;  // the host's bootsect_x86.exe or bootsect_x64.exe, beside the program
  std::wstring FormatPath;
  std::wstring LabelPath;
  std::wstring DismPath;
};

// The command-line parts every stage shares: the program folder and the programs.
TStageCommandParts CommandParts(const TSupportFiles& files);

#ifdef _WIN32
// The program's own folder, the boot-sector program this host needs and
// Windows' programs in the system folder.
TSupportFiles FindSupportFiles();
// True when 7z.dll lies beside the program; else one box
// "Error, please reinstall this software." and false.
bool CheckSupportFiles(const TSupportFiles& files, IBurnView& view);
#endif
