#pragma once
// Windows' own console programs by full path in the native system folder: a
// program of the same name beside Quillora, in the current folder or on PATH
// never runs instead. A 32-bit build on a 64-bit Windows (WOW64) would be
// sent to SysWOW64 through System32, so it names them through Sysnative.
#include <string>

struct TSystemToolPaths {
  std::wstring Format;    // format.com
  std::wstring Label;     // label.exe
  std::wstring DiskPart;  // diskpart.exe
  std::wstring Dism;      // dism.exe
};

// The tools in windowsDir\Sysnative for a WOW64 process, else in systemDir.
// All empty when the folder it needs is empty: the tools then do not start.
TSystemToolPaths SystemToolPaths(const std::wstring& windowsDir, const std::wstring& systemDir, bool wow64);

#ifdef _WIN32
// The same for this process, from the system's own folders; wow64 as IsWow64() answers.
TSystemToolPaths SystemToolPaths(bool wow64);
#endif
