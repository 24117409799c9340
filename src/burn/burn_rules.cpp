#include "burn/burn_rules.h"

std::wstring DiskPartScriptText(const std::wstring& root, const std::wstring& fileSystem, int64_t diskSize) {
  const std::wstring letter = root.substr(0, 1);
  const bool capped = AsciiLowerCase(fileSystem) == L"fat32" && diskSize > Fat32VolumeLimitMb * 1048576;
  return L"select volume " + root + L"\r\n"
         L"clean\r\n"
         L"create partition primary" + (capped ? L" size=" + std::to_wstring(Fat32VolumeLimitMb) : L"") + L"\r\n"
         L"select partition 1\r\n"
         L"active\r\n"
         L"format fs=" + AsciiLowerCase(fileSystem) + L" quick\r\n"
         L"assign letter=" + letter + L"\r\n"
         L"exit";
}
