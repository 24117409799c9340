#include "drives/temp_space.h"

#include <limits>

#include "drives/byte_size.h"

std::wstring TempSpaceRefusal(const std::wstring& tempFolder, uint64_t freeBytes, uint64_t wimSize,
                              const std::wstring& decimalSeparator) {
  const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  const uint64_t needed = wimSize > limit - SplitTempReserve ? limit : wimSize + SplitTempReserve;
  if (freeBytes >= needed) return {};
  return L"Not enough free space in \"" + tempFolder + L"\" to split install.wim (" +
         FormatByteSize(static_cast<int64_t>(needed), decimalSeparator) + L" needed).";
}
