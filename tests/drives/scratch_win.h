#pragma once
// Real files for the Win32 tests.
#include <windows.h>

#include <string>

#include "base/win32_handles.h"

// Deletes everything in the folder, then the folder (a drive root stays).
inline void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  for (TFindHandle search(::FindFirstFileW((folder + L"\\*").c_str(), &found)); search && found.cFileName[0];) {
    const std::wstring name = found.cFileName, path = folder + L"\\" + name;
    if (name != L"." && name != L"..") {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
      ::DeleteFileW(path.c_str());
    }
    if (!::FindNextFileW(search.Get(), &found)) break;
  }
  if (folder.size() > 2) ::RemoveDirectoryW(folder.c_str());  // "Q:" alone would remove the mapped folder
}

// Writes a file, creating the folders on its way.
inline bool WriteTextFile(const std::wstring& path, const std::string& content) {
  for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
    ::CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  }
  TFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file && ::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

inline std::string ReadTextFile(const std::wstring& path) {
  TFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  char buffer[4096];
  DWORD got = 0;
  return file && ::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) ? std::string(buffer, got) : "";
}
