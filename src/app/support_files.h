#pragma once
// The program folder and the console programs the stages run, found once when
// the window is made.
#include <string>

#include "stages/stage_text.h"

class IBurnView;

struct TSupportFiles {
  std::wstring AppPath;  // the program folder, with its trailing backslash
  std::wstring DiskPartPath = L"diskpart.exe";
  std::wstring BootSectPath;  // the host's bootsect_x86.exe or bootsect_x64.exe, beside the program
  std::wstring FormatPath = L"format.com";
  std::wstring LabelPath = L"label";
  std::wstring DismPath = L"dism.exe";
};

// The command-line parts every stage shares: the program folder and the programs.
TStageCommandParts CommandParts(const TSupportFiles& files);

#ifdef _WIN32
// The program's own folder and the boot-sector program this host needs.
TSupportFiles FindSupportFiles();
// True when 7z.dll lies beside the program; else one box
// "Error, please reinstall this software." and false.
bool CheckSupportFiles(const TSupportFiles& files, IBurnView& view);
#endif
