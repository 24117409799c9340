#pragma once
// What the binding needs of the operating system; sevenzip_win.cpp and
// sevenzip_posix.cpp answer it.
#include <cstdint>
#include <memory>
#include <string>

#include "sevenzip/sevenzip_com.h"

namespace SevenZipPlatform {

// Separator of item paths and of the folder they are joined to.
extern const wchar_t PathDelimiter;

// Loads a library; a bare file name is looked for only in the executable's
// own folder. Null when it cannot be loaded.
void* LoadLib(const std::wstring& lib);
void FreeLib(void* handle) noexcept;
void* FindExport(void* handle, const char* name) noexcept;

SevenZip::TBStr AllocBStr(void* lib, const wchar_t* text) noexcept;
void FreeBStr(void* lib, SevenZip::TBStr text) noexcept;

// The result code of the last failed file-system call.
THResult LastErrorResult() noexcept;
// The code for an item refused because it would leave the target folder.
THResult AccessDeniedResult() noexcept;

bool DirectoryExists(const std::wstring& path) noexcept;
// Creates one folder; an existing folder is fine. 0 or the failure code.
THResult MakeDir(const std::wstring& path) noexcept;

// Files read back from the drive come in whole blocks into buffers aligned
// to ReadBackAlignment: a multiple of any sector size up to 64 KiB, as reads
// past the system's cache require.
inline constexpr uint32_t ReadBackBlock = 1u << 20;
inline constexpr uint32_t ReadBackAlignment = 1u << 16;

// A file of the drive read past the system's cache where the volume allows
// it, so its bytes come from the drive and not from memory.
class TUncachedFile {
public:
  virtual ~TUncachedFile() = default;
  // Fills `block` (ReadBackBlock bytes, aligned) with the file's next bytes;
  // fewer only at its end. Raises EFailure when the drive fails.
  virtual uint32_t ReadBlock(uint8_t* block) = 0;
  // The file's length as the open file gives it. Raises EFailure.
  virtual uint64_t Size() = 0;
};

// Null with `error` set when the file cannot be opened.
std::unique_ptr<TUncachedFile> OpenUncachedFile(const std::wstring& path, THResult& error);

}  // namespace SevenZipPlatform
