#pragma once
// What the binding needs of the operating system; sevenzip_win.cpp and
// sevenzip_posix.cpp answer it.
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

// The system's text for a result code, untrimmed; empty when it has none.
std::wstring SystemMessage(THResult code);
// The result code of the last failed file-system call.
THResult LastErrorResult() noexcept;
// The code for an item refused because it would leave the target folder.
THResult AccessDeniedResult() noexcept;

bool DirectoryExists(const std::wstring& path) noexcept;
// Creates one folder; an existing folder is fine. 0 or the failure code.
THResult MakeDir(const std::wstring& path) noexcept;

}  // namespace SevenZipPlatform
