#pragma once
// Checks on the host: files beside the program, processor width, temp names.
#include <string>

// True for an existing file, also one that another program holds open or
// locked; false for a folder or a missing path.
bool FileExists(const std::wstring& path);
bool IsWow64();
// True on a 64-bit Windows, for a 32-bit or a 64-bit build of the program.
bool IsHost64Bit();
// The boot-sector program this host needs: "bootsect_x64.exe" on a 64-bit
// Windows, else "bootsect_x86.exe".
std::wstring BootSectProgramName();
std::wstring GetTempDirectory();
std::wstring MakeUniqueTempName(const std::wstring& name);
