#include "base/folder_walk.h"

#include <string_view>

#include "base/win32_handles.h"

bool ForEachEntry(const std::wstring& folder, const std::function<bool(const WIN32_FIND_DATAW&)>& visit) {
  const bool separated = !folder.empty() && folder.back() == L'\\';
  WIN32_FIND_DATAW found{};
  const TFindHandle find(::FindFirstFileW((folder + (separated ? L"*" : L"\\*")).c_str(), &found));
  if (!find) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    const std::wstring_view name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (!visit(found)) return false;
  } while (::FindNextFileW(find.Get(), &found));
  return ::GetLastError() == ERROR_NO_MORE_FILES;
}
