#include "drives/host_checks.h"
#include "drives/usb_drives.h"
// Placeholder until the host checks land.
bool FileExists(const std::wstring&) { return false; }
bool IsWow64() { return false; }
std::wstring BootSectProgramName() { return L"bootsect_x86.exe"; }
std::wstring GetTempDirectory() { return L""; }
std::wstring MakeUniqueTempName(const std::wstring& n) { return n; }
int32_t GetDriveBusType(wchar_t) { return 0; }
int64_t GetDriveTotalSize(int) { return -1; }
void ListUsbDrives(HWND) {}
