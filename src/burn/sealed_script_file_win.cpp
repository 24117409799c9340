#include "burn/sealed_script_file.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "base/failure.h"
#include "base/system_error.h"
#include "base/text_convert.h"
#include "drives/host_checks.h"
#include "drives/temp_name.h"

namespace {

[[noreturn]] void RaiseFileFailure(const wchar_t* what, const std::wstring& path, DWORD code) {
  throw EFailure(std::wstring(what) + L" \"" + path + L"\". " + SystemErrorText(code));
}

// The creation itself tells whether a name is free, so nothing planted between
// a look and the creation is ever opened.
TFileHandle CreateUnderFreshName(const std::wstring& name, std::wstring& path) {
  const std::wstring temp = GetTempDirectory();
  if (temp.empty()) throw EFailure(L"The temp folder cannot be found.");
  TFileHandle file;
  const auto taken = [&file](const std::wstring& candidate) {
    file.Reset(::CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return false;
    const DWORD error = ::GetLastError();
    // A folder of that name, or a file being deleted, refuses access.
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) return true;
    RaiseFileFailure(L"Cannot create file", candidate, error);
  };
  path = MakeUniqueTempName(name, TTempNameHost{taken, [&temp] { return temp; },
                                                [] { return static_cast<uint32_t>(::GetTickCount()); }});
  return file;
}

void WriteAll(HANDLE file, const std::string& bytes, const std::wstring& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
      RaiseFileFailure(L"Cannot write file", path, ::GetLastError());
    done += written;
  }
}

// At most `limit` bytes, so a file grown meanwhile is told apart cheaply.
std::string ReadUpTo(HANDLE file, std::size_t limit) {
  std::string bytes(limit + 1, '\0');
  std::size_t done = 0;
  DWORD got = 0;
  while (done < bytes.size() &&
         ::ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr) && got > 0)
    done += got;
  bytes.resize(done);
  return bytes;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

TSealedScriptFile::TSealedScriptFile(const std::wstring& name, const std::wstring& text) {
  const std::optional<std::string> ansi = WideToCodePage(CP_ACP, text);
  if (!ansi)
    throw EFailure(L"Cannot convert the script to the system's code page. " + SystemErrorText(::GetLastError()));
  const std::string& bytes = *ansi;
  TFileHandle writer = CreateUnderFreshName(name, FPath);
  try {
    WriteAll(writer.Get(), bytes, FPath);
    BY_HANDLE_FILE_INFORMATION written{};
    if (!::GetFileInformationByHandle(writer.Get(), &written))
      RaiseFileFailure(L"Cannot write file", FPath, ::GetLastError());
    // The handle held must not have write access: a reader whose sharing
    // leaves out writing would be refused while a writer holds the file.
    writer.Reset();
    FHeld.Reset(::CreateFileW(FPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!FHeld) RaiseFileFailure(L"Cannot open file", FPath, ::GetLastError());
    // Between the two opens another program could have changed or replaced
    // it; from now on it cannot, so it must still be the file written.
    BY_HANDLE_FILE_INFORMATION held{};
    if (!::GetFileInformationByHandle(FHeld.Get(), &held) || !SameFile(written, held) ||
        ReadUpTo(FHeld.Get(), bytes.size()) != bytes)
      throw EFailure(L"The script file \"" + FPath + L"\" was changed by another program.");
  } catch (...) {
    writer.Reset();
    FHeld.Reset();
    ::DeleteFileW(FPath.c_str());
    throw;
  }
}

TSealedScriptFile::~TSealedScriptFile() {
  FHeld.Reset();
  ::DeleteFileW(FPath.c_str());
}
