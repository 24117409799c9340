#include "drives/work_folder.h"

#include <windows.h>

#include "base/failure.h"
#include "base/folder_walk.h"
#include "drives/host_checks.h"
#include "drives/temp_name.h"

namespace {

bool AnythingAt(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Links are removed, never followed; read-only files go too.
void RemoveFolderTree(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ForEachEntry(path, [&](const WIN32_FIND_DATAW& found) {
      const std::wstring child = path + L"\\" + found.cFileName;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderTree(child);
      } else {
        ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(child.c_str());
      }
      return true;
    });
  }
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryW(path.c_str());
}

}  // namespace

TWorkFolder::TWorkFolder(const std::wstring& name) {
  const std::wstring temp = GetTempDirectory();
  // Never a folder beside the program instead.
  if (temp.empty()) throw EFailure(L"The temp folder cannot be found.");
  const std::wstring path = MakeUniqueTempName(
      name, TTempNameHost{AnythingAt, [&] { return temp; }, [] { return static_cast<uint32_t>(::GetTickCount()); }});
  if (!::CreateDirectoryW(path.c_str(), nullptr))
    throw EFailure(L"Cannot create the folder \"" + path + L"\".");
  FPath = path;
}

TWorkFolder::~TWorkFolder() { RemoveFolderTree(FPath); }

void RemoveLeftoverWorkFolders(const std::wstring& name) {
  const std::wstring temp = GetTempDirectory();
  if (temp.empty()) return;
  ForEachEntry(temp, [&](const WIN32_FIND_DATAW& found) {
    // Matched here rather than by a search pattern, which also matches short 8.3 names.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsUniqueTempName(found.cFileName, name))
      RemoveFolderTree(temp + found.cFileName);
    return true;
  });
}
