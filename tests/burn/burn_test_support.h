#pragma once
// Shared by the burn tests: the real Wine registry's AutoRun policy, the
// drive Q:, comparisons of a drive with the tree an image was made from, and
// a test run again in a copy of this program elsewhere.
#include <windows.h>
// After windows.h.
#include <tlhelp32.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <utility>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/win32_handles.h"
#include "prefix_state_win.h"
#include "standins/standin_common.h"

namespace burntest {

// Empties drive Q:, read-only files included.
inline void EmptyDriveQ() {
  std::string error;
  ASSERT_TRUE(standin::EmptyDrive(L"Q:", error)) << error;
}

inline const wchar_t* const PolicyKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
inline const wchar_t* const PolicyValue = L"NoDriveTypeAutoRun";
// Where a burn records, per hive, the value to put back (in the 64-bit view,
// where both builds keep it).
inline const wchar_t* const RecordKey = L"Software\\Quillora";

// The policy value of a hive; -1 when it is absent.
inline long ReadPolicy(HKEY hive) {
  DWORD data = 0, size = sizeof(data), type = 0;
  TRegKey key;
  if (::RegOpenKeyExW(hive, PolicyKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return -1;
  const LONG rc = ::RegQueryValueExW(key.Get(), PolicyValue, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  return rc == ERROR_SUCCESS ? static_cast<long>(data) : -1;
}

// What a burn changes on the host, put back after the test, also after a
// killed one: drive Q:, the AutoRun policy and its record in both hives, and
// the stand-in tools in the system folders.
struct TBurnHostScopes {
  prefixstate::TDriveQScope DriveQ;
  prefixstate::TRegistryValueScope MachinePolicy{HKEY_LOCAL_MACHINE, PolicyKey, PolicyValue};
  prefixstate::TRegistryValueScope UserPolicy{HKEY_CURRENT_USER, PolicyKey, PolicyValue};
  prefixstate::TRegistryValueScope MachineRecord{HKEY_LOCAL_MACHINE, RecordKey, PolicyValue};
  prefixstate::TRegistryValueScope UserRecord{HKEY_CURRENT_USER, RecordKey, PolicyValue};
  prefixstate::TSystemToolsScope SystemTools;
};

// A hive's record: the value to put back, -1 for one that was absent, -2 when
// there is no record.
inline long ReadRecord(HKEY hive) {
  DWORD data = 0, size = sizeof(data), type = 0;
  TRegKey key;
  if (::RegOpenKeyExW(hive, RecordKey, 0, KEY_READ | KEY_WOW64_64KEY, key.Put()) != ERROR_SUCCESS) return -2;
  if (::RegQueryValueExW(key.Get(), PolicyValue, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
      ERROR_SUCCESS)
    return -2;
  return type == REG_NONE ? -1 : static_cast<long>(data);
}

// Creates the key where Wine lacks it; -1 removes the value.
inline bool WritePolicy(HKEY hive, long value) {
  TRegKey key;
  if (::RegCreateKeyExW(hive, PolicyKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
    return false;
  const DWORD data = static_cast<DWORD>(value);
  const LONG rc = value < 0 ? ::RegDeleteValueW(key.Get(), PolicyValue)
                            : ::RegSetValueExW(key.Get(), PolicyValue, 0, REG_DWORD,
                                               reinterpret_cast<const BYTE*>(&data), sizeof(data));
  return value < 0 || rc == ERROR_SUCCESS;
}


// Polls `done` every 20 ms until it holds (true) or `timeoutMs` passes.
inline bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (::GetTickCount64() >= end) return false;
    ::Sleep(20);
  }
}

// Ids of the running processes of that file name ("dism.exe").
inline std::vector<DWORD> ProcessesNamed(const wchar_t* name) {
  std::vector<DWORD> ids;
  const TKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = snapshot && ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry))
    if (_wcsicmp(entry.szExeFile, name) == 0) ids.push_back(entry.th32ProcessID);
  return ids;
}

// Relative path -> size (-1 for a folder) of everything below `root`, but
// for what the system keeps hidden and system ("System Volume Information").
inline std::map<std::wstring, long long> Tree(const std::filesystem::path& root) {
  std::map<std::wstring, long long> tree;
  std::error_code error;
  const DWORD systemOwn = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  for (std::filesystem::recursive_directory_iterator it(root, error), end; it != end; it.increment(error)) {
    const DWORD attributes = ::GetFileAttributesW(it->path().c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & systemOwn) == systemOwn) {
      it.disable_recursion_pending();
      continue;
    }
    const std::wstring relative = it->path().lexically_relative(root).wstring();
    tree[relative] = it->is_directory() ? -1 : static_cast<long long>(it->file_size());
  }
  return tree;
}

inline std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Same names, sizes and contents.
inline bool SameTree(const std::filesystem::path& a, const std::filesystem::path& b) {
  const auto tree = Tree(a);
  if (tree.empty() || tree != Tree(b)) return false;
  for (const auto& [name, size] : tree)
    if (size >= 0 && FileBytes(a / name) != FileBytes(b / name)) return false;
  return true;
}

// Runs the test `filter` again in a copy of this program in `folder`, which
// is then its program folder, with `variable` set so the copy knows. The
// copy's exit code; -1 when it did not start or end within two minutes.
inline long RunInCopy(const std::filesystem::path& folder, const std::wstring& filter, const wchar_t* variable) {
  wchar_t exe[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const std::filesystem::path copy = folder / std::filesystem::path(exe).filename();
  std::filesystem::copy_file(exe, copy, std::filesystem::copy_options::overwrite_existing);
  std::wstring command = L"\"" + copy.wstring() + L"\" --gtest_filter=" + filter;
  ::SetEnvironmentVariableW(variable, L"1");
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  const BOOL started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        folder.c_str(), &startup, &info);
  ::SetEnvironmentVariableW(variable, nullptr);
  if (!started) return -1;
  const TKernelHandle process(info.hProcess), thread(info.hThread);
  if (::WaitForSingleObject(process.Get(), 120000) != WAIT_OBJECT_0) return -1;
  DWORD code = 1;
  ::GetExitCodeProcess(process.Get(), &code);
  return static_cast<long>(code);
}

// TMP and TEMP of this process name `folder` while the scope lasts.
class TTempFolderScope {
public:
  explicit TTempFolderScope(const std::wstring& folder) {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t value[MAX_PATH] = {};
      FSaved.emplace_back(name, std::wstring(value, ::GetEnvironmentVariableW(name, value, MAX_PATH)));
      ::SetEnvironmentVariableW(name, folder.c_str());
    }
  }
  ~TTempFolderScope() {
    for (const auto& [name, value] : FSaved) ::SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
  }
  TTempFolderScope(const TTempFolderScope&) = delete;
  TTempFolderScope& operator=(const TTempFolderScope&) = delete;

private:
  std::vector<std::pair<const wchar_t*, std::wstring>> FSaved;
};

}  // namespace burntest
