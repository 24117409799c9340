#include "drives/host_checks.h"

#include "base/optional_api.h"
#include "base/win32_handles.h"
#include "drives/temp_name.h"

namespace {
bool Is64BitArchitecture(WORD architecture) {
  return architecture == PROCESSOR_ARCHITECTURE_AMD64 || architecture == PROCESSOR_ARCHITECTURE_IA64;
}

// A link's target counts when it opens for reading or another program holds it.
bool LinkTargetExists(const std::wstring& path) {
  TFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) return true;
  const DWORD error = ::GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}
}  // namespace

bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return LinkTargetExists(path);
    return true;
  }
  const DWORD error = ::GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) return false;
  // Files the system will not even describe (held open without sharing, such
  // as a page file) still show up in a directory search.
  WIN32_FIND_DATAW found{};
  TFindHandle search(::FindFirstFileW(path.c_str(), &found));
  return search && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsWow64() {
  const auto isWow64Process = OptionalApi::IsWow64Process();
  const auto getNativeSystemInfo = OptionalApi::GetNativeSystemInfo();
  if (isWow64Process == nullptr) return false;
  BOOL underWow64 = FALSE;
  if (!isWow64Process(::GetCurrentProcess(), &underWow64) || !underWow64) return false;
  if (getNativeSystemInfo == nullptr) return false;
  SYSTEM_INFO info{};
  getNativeSystemInfo(&info);
  return Is64BitArchitecture(info.wProcessorArchitecture);
}

bool IsHost64Bit() {
#ifdef _WIN64
  // A 64-bit build never runs under WOW64, so ask the processor directly.
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  return Is64BitArchitecture(info.wProcessorArchitecture);
#else
  return IsWow64();
#endif
}

std::wstring BootSectProgramName() { return IsHost64Bit() ? L"bootsect_x64.exe" : L"bootsect_x86.exe"; }

std::wstring GetTempDirectory() {
  wchar_t buffer[260] = {};
  const DWORD n = ::GetTempPathW(260, buffer);
  // Above 260 the system only reports the length it needs and leaves the buffer unfilled.
  std::wstring text = n > 260 ? std::wstring() : std::wstring(buffer, n);
  if (!text.empty() && text.back() != L'\\') text += L'\\';
  return text;
}

std::wstring MakeUniqueTempName(const std::wstring& name) {
  return MakeUniqueTempName(name, TTempNameHost{[](const std::wstring& path) { return FileExists(path); },
                                                [] { return GetTempDirectory(); },
                                                [] { return static_cast<uint32_t>(::GetTickCount()); }});
}
