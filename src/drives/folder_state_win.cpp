#include "drives/folder_state.h"

#include <windows.h>

#include <cwchar>

#include "base/win32_handles.h"

TFolderState InspectFolder(const std::wstring& path) {
  TErrorModeScope errorMode(SEM_FAILCRITICALERRORS);
  TFolderState state;
  state.Path = path;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  state.Exists = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (!state.Exists) return state;
  std::wstring pattern = path;
  if (pattern.back() != L'\\') pattern += L'\\';
  WIN32_FIND_DATAW found{};
  state.Readable = TFindHandle(::FindFirstFileW((pattern + L'*').c_str(), &found)).Valid();
  std::wstring mount(path.size() + MAX_PATH, L'\0');
  wchar_t fileSystem[MAX_PATH + 1] = {};
  if (::GetVolumePathNameW(path.c_str(), mount.data(), static_cast<DWORD>(mount.size())) &&
      ::GetVolumeInformationW(mount.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1))
    state.FileSystem = fileSystem;
  return state;
}

TFolderState InspectTempFolder() {
  std::wstring path(32768, L'\0');
  const DWORD n = ::GetTempPathW(static_cast<DWORD>(path.size()), path.data());
  path.resize(n < path.size() ? n : 0);
  return InspectFolder(path);
}
