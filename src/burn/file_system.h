#pragma once
// The file system the user chose. Named only for command lines and messages.
#include <string>

enum class TFileSystem { Fat32, Ntfs, ExFat, Fat };

// As the list shows it and the tools take it: FAT32, NTFS, exFAT, FAT.
const wchar_t* FileSystemName(TFileSystem fileSystem);
// The list's name, letters a to z without case; FAT32, the list's first, for any other.
TFileSystem FileSystemNamed(const std::wstring& name);
// FAT32 and FAT end their files below 4 GiB.
inline bool IsFatFamily(TFileSystem fileSystem) {
  return fileSystem == TFileSystem::Fat32 || fileSystem == TFileSystem::Fat;
}
