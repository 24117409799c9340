#include "stages/system_tools.h"

#include <windows.h>

TSystemToolPaths SystemToolPaths() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryW(buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  std::wstring folder(buffer, n);
  if (folder.back() != L'\\') folder += L'\\';
  return {folder + L"format.com", folder + L"label.exe", folder + L"diskpart.exe", folder + L"dism.exe"};
}
