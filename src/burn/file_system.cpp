#include "burn/file_system.h"

#include "base/ascii_text.h"

namespace {
constexpr TFileSystem All[] = {TFileSystem::Fat32, TFileSystem::Ntfs, TFileSystem::ExFat, TFileSystem::Fat};
}

const wchar_t* FileSystemName(TFileSystem fileSystem) {
  switch (fileSystem) {
    case TFileSystem::Ntfs:
      return L"NTFS";
    case TFileSystem::ExFat:
      return L"exFAT";
    case TFileSystem::Fat:
      return L"FAT";
    case TFileSystem::Fat32:
      break;
  }
  return L"FAT32";
}

TFileSystem FileSystemNamed(const std::wstring& name) {
  for (TFileSystem fileSystem : All)
    if (SameTextIgnoringCase(name, FileSystemName(fileSystem))) return fileSystem;
  return TFileSystem::Fat32;
}
