// Windows side of the binding: 7z.dll from the executable's folder, Win32
// files, oleaut32 strings, the system message table.
#include <windows.h>
#include <oleauto.h>
#include <propidl.h>

#include <cstddef>
#include <string>

#include "base/program_folder.h"
#include "base/win32_handles.h"
#include "sevenzip/sevenzip.h"
#include "sevenzip/sevenzip_platform.h"
#include "sevenzip/stream.h"

// The variant the library fills must match the system's own, field by field.
static_assert(sizeof(SevenZip::TPropVariant) == sizeof(PROPVARIANT), "TPropVariant differs from PROPVARIANT");
static_assert(alignof(SevenZip::TPropVariant) == alignof(PROPVARIANT), "TPropVariant differs from PROPVARIANT");
static_assert(offsetof(SevenZip::TPropVariant, vt) == offsetof(PROPVARIANT, vt), "TPropVariant differs from PROPVARIANT");
static_assert(offsetof(SevenZip::TPropVariant, uhVal) == offsetof(PROPVARIANT, uhVal),
              "TPropVariant differs from PROPVARIANT");
static_assert(offsetof(SevenZip::TPropVariant, bstrVal) == offsetof(PROPVARIANT, bstrVal),
              "TPropVariant differs from PROPVARIANT");

namespace {

THResult Win32Result(DWORD error) { return HRESULT_FROM_WIN32(error); }

class TWinFileStream : public TStream {
public:
  explicit TWinFileStream(TFileHandle file) : FFile(std::move(file)) {}

  uint32_t Read(void* buffer, uint32_t count) override {
    DWORD read = 0;
    if (!ReadFile(FFile.Get(), buffer, count, &read, nullptr))
      throw EFailure(ResultMessage(Win32Result(GetLastError())));
    return read;
  }

  uint32_t Write(const void* buffer, uint32_t count) override {
    DWORD written = 0;
    // A failed write shows only as a short count.
    WriteFile(FFile.Get(), buffer, count, &written, nullptr);
    return written;
  }

  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(FFile.Get(), distance, &position, static_cast<DWORD>(origin)))
      throw EFailure(ResultMessage(Win32Result(GetLastError())));
    return position.QuadPart;
  }

  bool Flush() override { return FlushFileBuffers(FFile.Get()) != FALSE; }

  int64_t Size() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(FFile.Get(), &size)) throw EFailure(ResultMessage(Win32Result(GetLastError())));
    return size.QuadPart;
  }

  void SetSize(int64_t size) override {
    int64_t position = Position();
    Seek(size, TSeekOrigin::soBeginning);
    if (!SetEndOfFile(FFile.Get())) throw EFailure(ResultMessage(Win32Result(GetLastError())));
    Seek(position < size ? position : size, TSeekOrigin::soBeginning);
  }

private:
  TFileHandle FFile;
};

TFileHandle OpenForReading(const std::wstring& path, DWORD flags) {
  return TFileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | flags, nullptr));
}

// A volume that cannot read past its cache answers one of these.
bool RefusesUncachedReads(DWORD error) { return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED; }

// Without the cache, reads must be whole sectors into sector-aligned memory
// at sector offsets: each read is a whole block at a block offset, and only
// the file's last read comes back short.
class TWinUncachedFile : public SevenZipPlatform::TUncachedFile {
public:
  TWinUncachedFile(std::wstring path, TFileHandle file, bool cached)
      : FPath(std::move(path)), FFile(std::move(file)), FCached(cached) {}

  uint32_t ReadBlock(uint8_t* block) override {
    uint32_t done = 0;
    while (done < SevenZipPlatform::ReadBackBlock) {
      DWORD read = 0;
      if (!ReadFile(FFile.Get(), block + done, SevenZipPlatform::ReadBackBlock - done, &read, nullptr)) {
        const DWORD error = GetLastError();
        if (FCached || !RefusesUncachedReads(error)) throw EFailure(ResultMessage(Win32Result(error)));
        ReadThroughCache();
        continue;
      }
      done += read;
      FPosition += read;
      if (read == 0 || !FCached) break;
    }
    return done;
  }

  uint64_t Size() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(FFile.Get(), &size)) throw EFailure(ResultMessage(Win32Result(GetLastError())));
    return static_cast<uint64_t>(size.QuadPart);
  }

private:
  // Only at a block boundary, where the refused read began.
  void ReadThroughCache() {
    TFileHandle file = OpenForReading(FPath, 0);
    LARGE_INTEGER position;
    position.QuadPart = FPosition;
    if (!file || !SetFilePointerEx(file.Get(), position, nullptr, FILE_BEGIN))
      throw EFailure(ResultMessage(Win32Result(GetLastError())));
    FFile = std::move(file);
    FCached = true;
  }

  std::wstring FPath;
  TFileHandle FFile;
  bool FCached;
  int64_t FPosition = 0;
};

}  // namespace

namespace SevenZipPlatform {

const wchar_t PathDelimiter = L'\\';

void* LoadLib(const std::wstring& lib) {
  // A bare name comes from the executable's folder only: an elevated program
  // must not load a planted copy from the current folder or the PATH.
  std::wstring path = lib;
  if (lib.find_first_of(L"\\/:") == std::wstring::npos) path = ProgramFolder() + lib;
  return LoadLibraryW(path.c_str());
}

void FreeLib(void* handle) noexcept { FreeLibrary(static_cast<HMODULE>(handle)); }

void* FindExport(void* handle, const char* name) noexcept {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

SevenZip::TBStr AllocBStr(void*, const wchar_t* text) noexcept { return SysAllocString(text); }

void FreeBStr(void*, SevenZip::TBStr text) noexcept { SysFreeString(text); }

THResult LastErrorResult() noexcept { return Win32Result(GetLastError()); }

THResult AccessDeniedResult() noexcept { return E_ACCESSDENIED; }

bool DirectoryExists(const std::wstring& path) noexcept {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

THResult MakeDir(const std::wstring& path) noexcept {
  if (CreateDirectoryW(path.c_str(), nullptr)) return S_OK;
  DWORD error = GetLastError();
  return DirectoryExists(path) ? S_OK : Win32Result(error);
}

std::unique_ptr<TUncachedFile> OpenUncachedFile(const std::wstring& path, THResult& error) {
  bool cached = false;
  TFileHandle file = OpenForReading(path, FILE_FLAG_NO_BUFFERING);
  if (!file && RefusesUncachedReads(GetLastError())) {
    file = OpenForReading(path, 0);
    cached = true;
  }
  if (!file) {
    error = Win32Result(GetLastError());
    return nullptr;
  }
  error = S_OK;
  return std::make_unique<TWinUncachedFile>(path, std::move(file), cached);
}

}  // namespace SevenZipPlatform

std::unique_ptr<TStream> TryOpenFileStream(const std::wstring& fileName, TFileMode mode, THResult& error) {
  TFileHandle file;
  if (mode == TFileMode::ReadShared)
    file.Reset(CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  else {
    // Windows refuses to replace a read-only file; Wine running as root
    // would not, so the attribute is tested here as well.
    DWORD attributes = GetFileAttributesW(fileName.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      error = Win32Result(ERROR_ACCESS_DENIED);
      return nullptr;
    }
    file.Reset(CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  }
  if (!file) {
    error = Win32Result(GetLastError());
    return nullptr;
  }
  error = S_OK;
  return std::make_unique<TWinFileStream>(std::move(file));
}
