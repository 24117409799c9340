#pragma once
// System calls that older Windows versions lack, looked up at run time so the
// program still starts there. Each answers null where the system has none;
// each is looked up once, here and nowhere else.
#include <windows.h>

namespace OptionalApi {

using TGetDpiForWindow = UINT(WINAPI*)(HWND);
using TAdjustWindowRectExForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using TSetSearchPathMode = BOOL(WINAPI*)(DWORD);
using TGetDiskFreeSpaceExW = BOOL(WINAPI*)(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
using TIsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
using TGetNativeSystemInfo = void(WINAPI*)(LPSYSTEM_INFO);
using TShutdownBlockReasonCreate = BOOL(WINAPI*)(HWND, LPCWSTR);
using TShutdownBlockReasonDestroy = BOOL(WINAPI*)(HWND);
using TRegDeleteKeyExW = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

TGetDpiForWindow GetDpiForWindow();                    // user32, Windows 10 1607
TAdjustWindowRectExForDpi AdjustWindowRectExForDpi();  // user32, Windows 10 1607
TSetSearchPathMode SetSearchPathMode();                // kernel32, XP SP2 with an update
TGetDiskFreeSpaceExW GetDiskFreeSpaceExW();            // kernel32
TIsWow64Process IsWow64Process();                      // kernel32, XP SP2
TGetNativeSystemInfo GetNativeSystemInfo();            // kernel32, XP
TShutdownBlockReasonCreate ShutdownBlockReasonCreate();    // user32, Vista
TShutdownBlockReasonDestroy ShutdownBlockReasonDestroy();  // user32, Vista
TRegDeleteKeyExW RegDeleteKeyExW();                        // advapi32, Vista and 64-bit XP

}  // namespace OptionalApi
