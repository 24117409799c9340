#include "stages/system_tools.h"

TSystemToolPaths SystemToolPaths(const std::wstring& windowsDir, const std::wstring& systemDir, bool wow64) {
  std::wstring folder = wow64 ? windowsDir : systemDir;
  if (folder.empty()) return {};
  if (folder.back() != L'\\') folder += L'\\';
  // Only a WOW64 process sees this alias of the native System32.
  if (wow64) folder += L"Sysnative\\";
  return {folder + L"format.com", folder + L"label.exe", folder + L"diskpart.exe", folder + L"dism.exe"};
}
