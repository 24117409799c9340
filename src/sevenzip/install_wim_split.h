#pragma once
// Which item of an image is unpacked into a work folder and split with DISM
// instead of going onto the drive: a large sources\install.wim on FAT.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One item of an image as the reader lists it.
struct TImageItem {
  std::wstring Path;  // with the reader's separator
  uint64_t Size = 0;
  bool IsFolder = false;
};

// The smallest file FAT32 cannot hold.
inline constexpr uint64_t FatFileLimit = 4294967296ull;

// FAT32 or FAT, letters a to z compared without case.
bool IsFatFileSystem(const std::wstring& fileSystem);
// sources\install.wim, with either separator, letters a to z without case.
bool IsInstallWimPath(const std::wstring& itemPath);
// The index of the install.wim that must be split for this file system, or
// none when everything goes onto the drive as it is.
std::optional<std::size_t> FindWimToSplit(const std::wstring& fileSystem, const std::vector<TImageItem>& items);

struct I7zInArchive;
// Every item of an opened reader, in its order.
std::vector<TImageItem> ListImageItems(I7zInArchive& reader);
