#include "drives/free_space.h"

#include <windows.h>

std::optional<uint64_t> FreeSpaceOf(const std::wstring& folder) {
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}
