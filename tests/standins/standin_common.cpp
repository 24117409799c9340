#include "standin_common.h"

#include <cwctype>
#include <vector>

#include "base/win32_handles.h"

namespace standin {

const char* const RefusalText =
    "This tool can only be run on systems that start from a PC/AT BIOS.\r\n";

namespace {

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                          nullptr, nullptr);
  return result;
}

std::wstring ModuleFileName() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring Folder(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool ParseNumber(const std::string& text, DWORD& value) {
  if (text.empty() || text.size() > 10) return false;
  unsigned long long number = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  if (number > 0xFFFFFFFFull) return false;
  value = static_cast<DWORD>(number);
  return true;
}

bool ParseHex(const std::string& text, std::string& bytes) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (text.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = digit(text[i]);
    const int low = digit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<char>(high * 16 + low));
  }
  return true;
}

wchar_t DriveOf(const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return 0;
  return static_cast<wchar_t>(std::towupper(path[0]));
}

// Deletes what the folder (ending in a backslash) holds. Links are removed,
// never followed.
bool EmptyFolder(const std::wstring& folder, std::string& error) {
  WIN32_FIND_DATAW found{};
  const TFindHandle find(::FindFirstFileW((folder + L"*").c_str(), &found));
  if (!find) return true;  // nothing there
  bool ok = true;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + name;
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    const DWORD attributes = found.dwFileAttributes;
    bool removed;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) ok = EmptyFolder(path + L"\\", error) && ok;
      removed = ::RemoveDirectoryW(path.c_str()) != 0;
    } else {
      removed = ::DeleteFileW(path.c_str()) != 0;
    }
    if (!removed) {
      ok = false;
      error = "Cannot remove " + Narrow(path) + ".";
    }
  } while (::FindNextFileW(find.Get(), &found));
  return ok;
}

}  // namespace

std::wstring StandInDir() {
  std::vector<wchar_t> buffer(32768);
  const DWORD length =
      ::GetEnvironmentVariableW(L"QUILLORA_STANDIN_DIR", buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length > 0 && length < buffer.size()) return std::wstring(buffer.data(), length);
  return Folder(ModuleFileName());
}

void AppendLog(const std::wstring& tool) {
  const TFileHandle log(::CreateFileW((StandInDir() + L"\\log.txt").c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!log) return;
  const std::string line = ToUtf8(tool + L"|" + ::GetCommandLineW()) + "\r\n";
  DWORD written = 0;
  ::WriteFile(log.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

TControl ParseControl(const std::string& text) {
  TControl control;
  bool exitGiven = false;
  bool refused = false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto equals = line.find('=');
    const std::string key = line.substr(0, equals);
    const std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
    DWORD number = 0;
    std::string bytes;
    if (key == "output") {
      control.Writes.push_back(value + "\r\n");
    } else if (key == "output_hex" && ParseHex(value, bytes)) {
      control.Writes.push_back(bytes);
    } else if (key == "bytes" && ParseNumber(value, number)) {
      // Pieces of 4096, like a program reporting progress.
      for (DWORD i = 0; i < number; ++i) {
        if (i % 4096 == 0) control.Writes.emplace_back();
        control.Writes.back().push_back(static_cast<char>('a' + i % 26));
      }
    } else if (key == "refuse" && value == "1") {
      control.Writes.push_back(RefusalText);
      refused = true;
    } else if (key == "exit" && ParseNumber(value, control.ExitCode)) {
      exitGiven = true;
    } else if (key == "sleep_ms" && ParseNumber(value, control.SleepMs)) {
      continue;
    } else if (key == "wait_file" && !value.empty()) {
      control.WaitFile = value;
      continue;
    } else if (key == "bus_file" && !value.empty()) {
      control.BusFile = value;
      continue;
    } else {
      control.Error = "Bad control line: " + line;
      return control;
    }
    control.Scripted = true;
  }
  if (refused && !exitGiven) control.ExitCode = 1;
  return control;
}

TControl ReadControl(const std::wstring& tool) {
  std::string text;
  if (!ReadWholeFile(StandInDir() + L"\\" + tool + L".ctl", text)) return {};
  return ParseControl(text);
}

void PrintOut(const std::string& bytes) {
  DWORD written = 0;
  if (!bytes.empty())
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                nullptr);
}

void PrintErr(const std::string& text) {
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
              nullptr);
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                         0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), result.data(), size,
                          nullptr, nullptr);
  return result;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes, DWORD share) {
  const TFileHandle file(
      ::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  bytes.clear();
  char buffer[65536];
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr)) return false;
    if (read == 0) return true;
    bytes.append(buffer, read);
  }
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  const TFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

bool IsDriveRoot(const std::wstring& text) {
  return text.size() == 2 && text[1] == L':' &&
         ((text[0] >= L'A' && text[0] <= L'Z') || (text[0] >= L'a' && text[0] <= L'z'));
}

bool IsTestDrive(const std::wstring& root, std::string& error) {
  if (!IsDriveRoot(root)) {
    error = "Invalid drive.";
    return false;
  }
  const wchar_t letter = DriveOf(root);
  const UINT type = ::GetDriveTypeW((root + L"\\").c_str());
  if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN) {
    error = "The system cannot find the drive specified.";
    return false;
  }
  if (type != DRIVE_FIXED && type != DRIVE_REMOVABLE) {
    error = "Refusing drive " + Narrow(root) + ": it is not a local disk.";
    return false;
  }
  wchar_t buffer[MAX_PATH + 1] = {};
  std::wstring guarded[5] = {ModuleFileName(), StandInDir()};
  if (::GetWindowsDirectoryW(buffer, MAX_PATH)) guarded[2] = buffer;
  if (::GetCurrentDirectoryW(MAX_PATH, buffer)) guarded[3] = buffer;
  if (::GetTempPathW(MAX_PATH, buffer)) guarded[4] = buffer;
  for (const std::wstring& path : guarded) {
    // Under Wine this keeps C: and Z: (the whole host) out of reach.
    if (DriveOf(path) == letter) {
      error = "Refusing drive " + Narrow(root) + ": it holds the system or the test's own files.";
      return false;
    }
  }
  return true;
}

bool EmptyDrive(const std::wstring& root, std::string& error) {
  return IsTestDrive(root, error) && EmptyFolder(root + L"\\", error);
}

bool FormatDrive(const std::wstring& root, std::string& error) {
  if (!EmptyDrive(root, error)) return false;
  const std::wstring folder = root + L"\\System Volume Information";
  if (!::CreateDirectoryW(folder.c_str(), nullptr) ||
      !WriteWholeFile(folder + L"\\IndexerVolumeGuid", "{7d1c5e2a-0000-4000-8000-000000000000}") ||
      !::SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) {
    error = "Cannot create " + Narrow(folder) + ".";
    return false;
  }
  return true;
}

namespace {
// The test holds the tool here until it has looked at what it needs to.
void Wait(const TControl& control) {
  ::Sleep(control.SleepMs);
  if (control.WaitFile.empty()) return;
  const std::wstring file = StandInDir() + L"\\" + std::wstring(control.WaitFile.begin(), control.WaitFile.end());
  while (::GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) ::Sleep(20);
}
}  // namespace

int StandInMain(const wchar_t* tool, int argc, wchar_t** argv, int (*work)(int, wchar_t**)) {
  AppendLog(tool);
  const TControl control = ReadControl(tool);
  if (!control.Error.empty()) {
    PrintErr(control.Error + "\r\n");
    return 99;
  }
  if (control.Scripted) {
    for (const std::string& bytes : control.Writes) PrintOut(bytes);
    Wait(control);
    return static_cast<int>(control.ExitCode);
  }
  Wait(control);
  return work(argc, argv);
}

}  // namespace standin
