#include "sevenzip/install_wim_split.h"

#include "base/ascii_text.h"
#include "sevenzip/sevenzip.h"

bool IsFatFileSystem(const std::wstring& fileSystem) {
  const std::wstring name = AsciiUpperCase(fileSystem);
  return name == L"FAT32" || name == L"FAT";
}

bool IsInstallWimPath(const std::wstring& itemPath) {
  std::wstring path = AsciiUpperCase(itemPath);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path == L"SOURCES\\INSTALL.WIM";
}

std::optional<std::size_t> FindWimToSplit(const std::wstring& fileSystem, const std::vector<TImageItem>& items) {
  if (!IsFatFileSystem(fileSystem)) return std::nullopt;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const TImageItem& item = items[i];
    if (!item.IsFolder && item.Size >= FatFileLimit && IsInstallWimPath(item.Path)) return i;
  }
  return std::nullopt;
}

std::vector<TImageItem> ListImageItems(I7zInArchive& reader) {
  std::vector<TImageItem> items;
  const uint32_t count = reader.ItemCount();
  items.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const bool folder = reader.ItemIsFolder(i);
    items.push_back({reader.ItemPath(i), folder ? 0 : reader.ItemSize64(i), folder});
  }
  return items;
}
