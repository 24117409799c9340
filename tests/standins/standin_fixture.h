#pragma once
// Test side of the stand-in tools: a private log/control folder for the
// stand-ins this process starts, and paths into the build tree.
#include <windows.h>

#include <string>
#include <vector>

#include "standins/standin_common.h"

namespace standin {

inline std::wstring BinDir() {
  wchar_t path[MAX_PATH] = {};
  const std::wstring module(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
  return module.substr(0, module.find_last_of(L'\\'));
}

inline std::wstring BuildDir() {
  const std::wstring bin = BinDir();
  return bin.substr(0, bin.find_last_of(L'\\'));
}

// The quoted full path of a stand-in in <build>\bin.
inline std::wstring ToolPath(const std::wstring& file) { return L"\"" + BinDir() + L"\\" + file + L"\""; }

inline std::wstring Widen(const std::string& text, UINT codePage = CP_UTF8) {
  if (text.empty()) return {};
  const int size = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), size);
  return result;
}

// Deletes every file in a folder (not below it).
inline void ClearFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  const HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      ::DeleteFileW((folder + L"\\" + found.cFileName).c_str());
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
}

// Points QUILLORA_STANDIN_DIR at an empty folder for the scope's life.
class TStandInScope {
public:
  explicit TStandInScope(const std::wstring& name)
      : FDir(BuildDir() + L"\\standin-run\\" + name) {
    ::CreateDirectoryW((BuildDir() + L"\\standin-run").c_str(), nullptr);
    ::CreateDirectoryW(FDir.c_str(), nullptr);
    ClearFolder(FDir);
    ::SetEnvironmentVariableW(L"QUILLORA_STANDIN_DIR", FDir.c_str());
  }
  ~TStandInScope() { ::SetEnvironmentVariableW(L"QUILLORA_STANDIN_DIR", nullptr); }
  TStandInScope(const TStandInScope&) = delete;
  TStandInScope& operator=(const TStandInScope&) = delete;

  const std::wstring& Dir() const { return FDir; }
  void Control(const std::wstring& tool, const std::string& text) const {
    WriteWholeFile(FDir + L"\\" + tool + L".ctl", text);
  }
  void NoControl(const std::wstring& tool) const { ::DeleteFileW((FDir + L"\\" + tool + L".ctl").c_str()); }
  // The log's lines, "<tool>|<command line>".
  std::vector<std::wstring> Log() const {
    std::string bytes;
    std::vector<std::wstring> lines;
    if (!ReadWholeFile(FDir + L"\\log.txt", bytes)) return lines;
    for (std::size_t start = 0; start < bytes.size();) {
      const std::size_t end = bytes.find("\r\n", start);
      lines.push_back(Widen(bytes.substr(start, end - start)));
      start = end == std::string::npos ? bytes.size() : end + 2;
    }
    return lines;
  }

private:
  std::wstring FDir;
};

}  // namespace standin
