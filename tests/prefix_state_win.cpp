#include "prefix_state_win.h"

#include <cwctype>
#include <filesystem>
#include <string>
#include <vector>

#include "base/win32_handles.h"
#include "standins/standin_common.h"

namespace fs = std::filesystem;

namespace prefixstate {
namespace {

bool EmptyDriveQ() {
  std::string error;
  return standin::EmptyDrive(L"Q:", error);
}

// Inside the prefix, so a new prefix starts with an empty journal.
fs::path JournalDir() {
  wchar_t windows[MAX_PATH] = {};
  const UINT n = ::GetWindowsDirectoryW(windows, MAX_PATH);
  return fs::path(std::wstring(windows, n)).root_path() / L"quillora-test-journal";
}

// Empty when the system has no such folder.
std::wstring FolderOf(UINT(WINAPI* query)(LPWSTR, UINT)) {
  wchar_t folder[MAX_PATH] = {};
  const UINT n = query(folder, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(folder, n) : std::wstring();
}

std::wstring HiveName(HKEY hive) { return hive == HKEY_LOCAL_MACHINE ? L"HKLM" : L"HKCU"; }
HKEY HiveOf(const std::wstring& name) { return name == L"HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// Entries are UTF-16 lines; registry data as hex digits.
bool WriteEntry(const fs::path& file, const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (const auto& line : lines) text += line + L"\n";
  std::error_code error;
  fs::create_directories(file.parent_path(), error);
  const fs::path temporary = file.wstring() + L".new";
  {
    TFileHandle out(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (!out || !::WriteFile(out.Get(), text.data(), size, &written, nullptr) || written != size) return false;
  }
  return ::MoveFileExW(temporary.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

std::vector<std::wstring> ReadEntry(const fs::path& file) {
  std::vector<std::wstring> lines;
  TFileHandle in(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in) return lines;
  std::wstring text(::GetFileSize(in.Get(), nullptr) / sizeof(wchar_t), L'\0');
  DWORD read = 0;
  ::ReadFile(in.Get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr);
  text.resize(read / sizeof(wchar_t));
  size_t start = 0;
  for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

std::wstring Hex(const std::vector<BYTE>& data) {
  static const wchar_t digits[] = L"0123456789abcdef";
  std::wstring text;
  for (BYTE b : data) text += {digits[b >> 4], digits[b & 15]};
  return text;
}

std::vector<BYTE> Bytes(const std::wstring& hex) {
  std::vector<BYTE> data;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) data.push_back(static_cast<BYTE>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return data;
}

// The journal lines of a value as it is now.
std::vector<std::wstring> Snapshot(HKEY hive, const std::wstring& key, const std::wstring& name) {
  std::vector<std::wstring> lines{L"registry", HiveName(hive), key, name, L"0", L"0", L"0", L""};
  TRegKey opened;
  if (::RegOpenKeyExW(hive, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, opened.Put()) != ERROR_SUCCESS)
    return lines;
  lines[4] = L"1";
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(opened.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return lines;
  std::vector<BYTE> data(size);
  if (::RegQueryValueExW(opened.Get(), name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
    return lines;
  data.resize(size);
  lines[5] = L"1";
  lines[6] = std::to_wstring(type);
  lines[7] = Hex(data);
  return lines;
}

// A stand-in in a system folder goes; Wine's own file comes back once it was
// set aside (a test killed before that left it where it was).
bool RestoreSystemTool(const std::wstring& target, const std::wstring& aside) {
  if (aside.empty()) return ::DeleteFileW(target.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
  if (::GetFileAttributesW(aside.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  return ::MoveFileExW(aside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool Restore(const std::vector<std::wstring>& lines) {
  if (lines.size() == 1 && lines[0] == L"drive-q") return EmptyDriveQ();
  if (lines.size() == 3 && lines[0] == L"system-tool") return RestoreSystemTool(lines[1], lines[2]);
  if (lines.size() != 8 || lines[0] != L"registry") return true;  // not ours: dropped
  const HKEY hive = HiveOf(lines[1]);
  const std::wstring& key = lines[2];
  const std::wstring& name = lines[3];
  if (lines[5] == L"1") {
    TRegKey opened;
    if (::RegCreateKeyExW(hive, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, opened.Put(),
                          nullptr) != ERROR_SUCCESS)
      return false;
    const std::vector<BYTE> data = Bytes(lines[7]);
    return ::RegSetValueExW(opened.Get(), name.c_str(), 0, static_cast<DWORD>(std::stoul(lines[6])), data.data(),
                            static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
  }
  TRegKey opened;
  if (::RegOpenKeyExW(hive, key.c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, opened.Put()) == ERROR_SUCCESS)
    ::RegDeleteValueW(opened.Get(), name.c_str());
  opened.Release();
  if (lines[4] == L"0") ::RegDeleteKeyExW(hive, key.c_str(), KEY_WOW64_64KEY, 0);
  return true;
}

std::wstring EntryName(const std::wstring& text) {
  std::wstring name;
  for (wchar_t c : text) name += (std::iswalnum(c) ? c : L'_');
  return name;
}

}  // namespace

TRegistryValueScope::TRegistryValueScope(HKEY hive, std::wstring key, std::wstring name) {
  const fs::path entry = JournalDir() / EntryName(HiveName(hive) + L"_" + key + L"_" + name);
  if (fs::exists(entry)) Restore(ReadEntry(entry));
  if (WriteEntry(entry, Snapshot(hive, key, name))) FEntry = entry.wstring();
}

TRegistryValueScope::~TRegistryValueScope() {
  if (!FEntry.empty() && Restore(ReadEntry(FEntry))) ::DeleteFileW(FEntry.c_str());
}

TDriveQScope::TDriveQScope() {
  EmptyDriveQ();
  const fs::path entry = JournalDir() / L"drive_q";
  if (WriteEntry(entry, {L"drive-q"})) FEntry = entry.wstring();
}

TDriveQScope::~TDriveQScope() {
  if (EmptyDriveQ() && !FEntry.empty()) ::DeleteFileW(FEntry.c_str());
}

std::wstring NativeSystemFolder() {
  // A 32-bit process sees System32 as the 32-bit folder wherever there is one.
  if (sizeof(void*) == 4 && !FolderOf(&::GetSystemWow64DirectoryW).empty())
    return FolderOf(&::GetWindowsDirectoryW) + L"\\Sysnative";
  return FolderOf(&::GetSystemDirectoryW);
}

TSystemToolsScope::TSystemToolsScope(const wchar_t* thirtyTwoBitStandIn) {
  wchar_t path[MAX_PATH] = {};
  const std::wstring exe(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
  const std::wstring bin = exe.substr(0, exe.find_last_of(L'\\') + 1);
  const std::wstring thirtyTwoBit = FolderOf(&::GetSystemWow64DirectoryW);
  std::vector<std::wstring> folders{NativeSystemFolder()};
  if (!thirtyTwoBit.empty()) folders.push_back(thirtyTwoBit);
  const wchar_t* const tools[] = {L"format.com", L"label.exe", L"diskpart.exe", L"dism.exe"};
  const wchar_t overrides[] = L"Software\\Wine\\DllOverrides";
  for (const wchar_t* tool : tools) {
    FOverrides.push_back(std::make_unique<TRegistryValueScope>(HKEY_CURRENT_USER, overrides, tool));
    TRegKey key;
    static const wchar_t native[] = L"native";
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, overrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(), nullptr) ==
        ERROR_SUCCESS)
      ::RegSetValueExW(key.Get(), tool, 0, REG_SZ, reinterpret_cast<const BYTE*>(native), sizeof native);
  }
  for (const std::wstring& folder : folders)
    for (const wchar_t* tool : tools) {
      const std::wstring target = folder + L"\\" + tool;
      const fs::path entry = JournalDir() / EntryName(L"tool_" + target);
      if (fs::exists(entry) && Restore(ReadEntry(entry))) ::DeleteFileW(entry.c_str());
      const bool wineHasOne = ::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
      const std::wstring aside = wineHasOne ? target + L".quillora-aside" : L"";
      if (!WriteEntry(entry, {L"system-tool", target, aside})) continue;
      FEntries.push_back(entry.wstring());
      if (wineHasOne && !::MoveFileExW(target.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) continue;
      const bool decoy = thirtyTwoBitStandIn && folder == thirtyTwoBit;
      ::CopyFileW((bin + (decoy ? thirtyTwoBitStandIn : tool)).c_str(), target.c_str(), FALSE);
    }
}

TSystemToolsScope::~TSystemToolsScope() {
  for (const std::wstring& entry : FEntries)
    if (Restore(ReadEntry(entry))) ::DeleteFileW(entry.c_str());
}

void RepairLeftovers() {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(JournalDir(), error)) {
    if (entry.path().extension() == L".new") {
      ::DeleteFileW(entry.path().c_str());
      continue;
    }
    if (Restore(ReadEntry(entry.path()))) ::DeleteFileW(entry.path().c_str());
  }
}

}  // namespace prefixstate
