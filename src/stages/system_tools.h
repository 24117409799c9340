#pragma once
// Windows' own console programs by full path in the system folder: a program
// of the same name beside Quillora, in the current folder or on PATH never
// runs instead. A 32-bit build sees the folder Windows shows it (SysWOW64 on
// a 64-bit Windows).
#include <string>

struct TSystemToolPaths {
  std::wstring Format;    // format.com
  std::wstring Label;     // label.exe
  std::wstring DiskPart;  // diskpart.exe
  std::wstring Dism;      // dism.exe
};

// All empty when the system folder cannot be read: the tools then do not start.
TSystemToolPaths SystemToolPaths();
