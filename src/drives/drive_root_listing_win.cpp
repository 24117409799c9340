#include "drives/drive_root_listing.h"

#include "base/win32_handles.h"

std::vector<std::wstring> ListDriveRoot(const std::wstring& root) {
  std::vector<std::wstring> names;
  try {
    WIN32_FIND_DATAW data{};
    // No backslash: the drive's current folder, its root unless someone moved it.
    TFindHandle search(::FindFirstFileExW((root + L"*").c_str(), FindExInfoBasic, &data,
                                          FindExSearchNameMatch, nullptr, 0));
    if (!search) return names;
    do {
      const DWORD systemOwn = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
      if ((data.dwFileAttributes & systemOwn) != systemOwn) names.emplace_back(data.cFileName);
    } while (::FindNextFileW(search.Get(), &data));
  } catch (...) {
  }
  return names;
}
