#include "stages/system_tools.h"

#include <windows.h>

namespace {
// Empty when the system cannot give the folder whole.
std::wstring Folder(UINT (WINAPI* query)(LPWSTR, UINT)) {
  wchar_t buffer[MAX_PATH] = {};
  const UINT n = query(buffer, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::wstring() : std::wstring(buffer, n);
}
}  // namespace

TSystemToolPaths SystemToolPaths(bool wow64) {
  // The shared Windows folder: a Terminal Services user's own one holds no Sysnative.
  return SystemToolPaths(Folder(&::GetSystemWindowsDirectoryW), Folder(&::GetSystemDirectoryW), wow64);
}
