#include "burn/burn_rules.h"

#include "base/ascii_text.h"

int64_t ScriptVolumeSize(TFileSystem fileSystem, int64_t diskSize) {
  const int64_t cap = Fat32VolumeLimitMb * 1048576;
  return fileSystem == TFileSystem::Fat32 && diskSize > cap ? cap : diskSize;
}

namespace {
std::wstring ScriptText(const std::wstring& selection, TFileSystem fileSystem, int64_t diskSize, bool active,
                        const std::wstring& assign) {
  const bool capped = ScriptVolumeSize(fileSystem, diskSize) != diskSize;
  return selection + L"\r\n"
         L"clean\r\n"
         L"create partition primary" + (capped ? L" size=" + std::to_wstring(Fat32VolumeLimitMb) : L"") + L"\r\n"
         L"select partition 1\r\n" +
         (active ? L"active\r\n" : L"") +
         L"format fs=" + AsciiLowerCase(FileSystemName(fileSystem)) + L" quick\r\n" +
         assign + L"\r\n"
         L"exit";
}
}  // namespace

std::wstring DiskPartScriptText(const std::wstring& root, TFileSystem fileSystem, int64_t diskSize) {
  return ScriptText(L"select volume " + root, fileSystem, diskSize, true, L"assign letter=" + root.substr(0, 1));
}

std::wstring DiskScriptText(uint32_t diskNumber, TFileSystem fileSystem, int64_t diskSize, bool bootable) {
  return ScriptText(L"select disk " + std::to_wstring(diskNumber), fileSystem, diskSize, bootable, L"assign");
}
