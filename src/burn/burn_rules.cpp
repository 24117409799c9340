#include "burn/burn_rules.h"

#include "base/ascii_text.h"

int64_t ScriptVolumeSize(TFileSystem fileSystem, int64_t diskSize) {
  const int64_t cap = Fat32VolumeLimitMb * 1048576;
  return fileSystem == TFileSystem::Fat32 && diskSize > cap ? cap : diskSize;
}

std::wstring DiskPartScriptText(const std::wstring& root, TFileSystem fileSystem, int64_t diskSize) {
  const std::wstring letter = root.substr(0, 1);
  const bool capped = ScriptVolumeSize(fileSystem, diskSize) != diskSize;
  return L"select volume " + root + L"\r\n"
         L"clean\r\n"
         L"create partition primary" + (capped ? L" size=" + std::to_wstring(Fat32VolumeLimitMb) : L"") + L"\r\n"
         L"select partition 1\r\n"
         L"active\r\n"
         L"format fs=" + AsciiLowerCase(FileSystemName(fileSystem)) + L" quick\r\n"
         L"assign letter=" + letter + L"\r\n"
         L"exit";
}
