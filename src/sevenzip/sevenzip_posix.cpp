// Linux side of the binding: Debian's 7z.so through dlopen, POSIX files.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "base/failure.h"
#include "sevenzip/sevenzip.h"
#include "sevenzip/sevenzip_platform.h"
#include "sevenzip/stream.h"

namespace {

// The library the program names "7z.dll" is Debian's build of it.
constexpr const char* kDebianLibrary = "/usr/lib/p7zip/7z.so";

// The form the library itself gives errno values on Linux.
THResult ErrnoResult(int error) {
  return static_cast<THResult>(0x80070000u | (static_cast<uint32_t>(error) & 0xFFFFu));
}

std::string ExecutableFolder() {
  std::string path(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0) return {};
  path.resize(static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

class TPosixFileStream : public TStream {
public:
  explicit TPosixFileStream(int fd) : FFile(fd) {}
  ~TPosixFileStream() override { close(FFile); }
  TPosixFileStream(const TPosixFileStream&) = delete;
  TPosixFileStream& operator=(const TPosixFileStream&) = delete;

  uint32_t Read(void* buffer, uint32_t count) override {
    uint32_t done = 0;
    while (done < count) {
      ssize_t n = pread(FFile, static_cast<char*>(buffer) + done, count - done, FPosition);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw EFailure(ResultMessage(ErrnoResult(errno)));
      if (n == 0) break;
      done += static_cast<uint32_t>(n);
      FPosition += n;
    }
    return done;
  }

  uint32_t Write(const void* buffer, uint32_t count) override {
    uint32_t done = 0;
    while (done < count) {
      ssize_t n = pwrite(FFile, static_cast<const char*>(buffer) + done, count - done, FPosition);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<uint32_t>(n);
      FPosition += n;
    }
    return done;
  }

  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    int64_t base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? FPosition : Size();
    int64_t position = base + offset;
    if (position < 0) throw EFailure(ResultMessage(ErrnoResult(EINVAL)));
    FPosition = position;
    return FPosition;
  }

  bool Flush() override { return fsync(FFile) == 0; }

  int64_t Size() override {
    struct stat st {};
    if (fstat(FFile, &st) != 0) throw EFailure(ResultMessage(ErrnoResult(errno)));
    return st.st_size;
  }

  void SetSize(int64_t size) override {
    if (size < 0 || ftruncate(FFile, size) != 0) throw EFailure(ResultMessage(ErrnoResult(errno ? errno : EINVAL)));
    if (FPosition > size) FPosition = size;
  }

private:
  int FFile;
  int64_t FPosition = 0;
};

// Plain reads: the Linux build serves tests and benchmarks only.
class TPosixUncachedFile : public SevenZipPlatform::TUncachedFile {
public:
  explicit TPosixUncachedFile(int fd) : FFile(fd) {}
  ~TPosixUncachedFile() override { close(FFile); }
  TPosixUncachedFile(const TPosixUncachedFile&) = delete;
  TPosixUncachedFile& operator=(const TPosixUncachedFile&) = delete;

  uint32_t ReadBlock(uint8_t* block) override {
    uint32_t done = 0;
    while (done < SevenZipPlatform::ReadBackBlock) {
      ssize_t n = read(FFile, block + done, SevenZipPlatform::ReadBackBlock - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw EFailure(ResultMessage(ErrnoResult(errno)));
      if (n == 0) break;
      done += static_cast<uint32_t>(n);
    }
    return done;
  }

  uint64_t Size() override {
    struct stat st {};
    if (fstat(FFile, &st) != 0) throw EFailure(ResultMessage(ErrnoResult(errno)));
    return static_cast<uint64_t>(st.st_size);
  }

private:
  int FFile;
};

}  // namespace

namespace SevenZipPlatform {

const wchar_t PathDelimiter = L'/';

void* LoadLib(const std::wstring& lib) {
  std::string path = ToUtf8(lib);
  if (lib == L"7z.dll")
    path = kDebianLibrary;
  else if (path.find('/') == std::string::npos)
    path = ExecutableFolder() + path;  // never the library search path
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void FreeLib(void* handle) noexcept { dlclose(handle); }

void* FindExport(void* handle, const char* name) noexcept { return dlsym(handle, name); }

// Strings of 7z.so are UTF-32 and belong to its own allocator.
SevenZip::TBStr AllocBStr(void* lib, const wchar_t* text) noexcept {
  using TAlloc = SevenZip::TBStr (*)(const wchar_t*);
  auto alloc = reinterpret_cast<TAlloc>(dlsym(lib, "SysAllocString"));
  return alloc ? alloc(text) : nullptr;
}

void FreeBStr(void* lib, SevenZip::TBStr text) noexcept {
  using TFree = void (*)(SevenZip::TBStr);
  if (auto release = reinterpret_cast<TFree>(dlsym(lib, "SysFreeString"))) release(text);
}

THResult LastErrorResult() noexcept { return ErrnoResult(errno); }

THResult AccessDeniedResult() noexcept { return ErrnoResult(EACCES); }

bool DirectoryExists(const std::wstring& path) noexcept {
  struct stat st {};
  try {
    return stat(ToUtf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  } catch (...) {
    return false;
  }
}

THResult MakeDir(const std::wstring& path) noexcept {
  try {
    if (mkdir(ToUtf8(path).c_str(), 0777) == 0) return SevenZip::kOk;
    int error = errno;
    return DirectoryExists(path) ? SevenZip::kOk : ErrnoResult(error);
  } catch (...) {
    return SevenZip::kOutOfMemory;
  }
}

std::unique_ptr<TUncachedFile> OpenUncachedFile(const std::wstring& path, THResult& error) {
  const int fd = open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = ErrnoResult(errno);
    return nullptr;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    error = ErrnoResult(S_ISDIR(st.st_mode) ? EISDIR : errno);
    close(fd);
    return nullptr;
  }
  error = SevenZip::kOk;
  try {
    return std::make_unique<TPosixUncachedFile>(fd);
  } catch (...) {
    close(fd);
    throw;
  }
}

}  // namespace SevenZipPlatform

std::unique_ptr<TStream> TryOpenFileStream(const std::wstring& fileName, TFileMode mode, THResult& error) {
  std::string path = ToUtf8(fileName);
  const bool create = mode != TFileMode::ReadShared;
  // Cut to nothing only once it is known not to be read-only.
  const int fd = open(path.c_str(), create ? O_RDWR | O_CREAT | O_CLOEXEC : O_RDONLY | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = ErrnoResult(errno);
    return nullptr;
  }
  std::unique_ptr<TStream> stream;
  try {
    stream = std::make_unique<TPosixFileStream>(fd);
  } catch (...) {
    close(fd);
    throw;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    error = ErrnoResult(S_ISDIR(st.st_mode) ? EISDIR : errno);
    return nullptr;
  }
  if (create) {
    // A file without write permission counts as read-only, as on Windows,
    // even for root.
    if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) {
      error = ErrnoResult(EACCES);
      return nullptr;
    }
    if (st.st_size > 0 && ftruncate(fd, 0) != 0) {
      error = ErrnoResult(errno);
      return nullptr;
    }
  }
  error = SevenZip::kOk;
  return stream;
}
