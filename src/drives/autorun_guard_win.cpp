#include "drives/autorun_guard.h"

#include <windows.h>

#include "base/win32_handles.h"

namespace {
// Kept with its leading backslash; the hive-relative path starts after it.
const wchar_t PolicyKeyPath[] = L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
const wchar_t PolicyValueName[] = L"NoDriveTypeAutoRun";
constexpr DWORD AutoRunOffForAllDrives = 255;

HKEY Hive(int index) { return index == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// Opened only, never created; a fresh handle per hive.
TRegKey OpenPolicyKey(HKEY hive) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(hive, PolicyKeyPath + 1, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return TRegKey();
  return TRegKey(key);
}

void WriteDword(HKEY key, DWORD value) {
  ::RegSetValueExW(key, PolicyValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}
}  // namespace

void TAutoRunGuard::DisableAutoRun() {
  int32_t* const fields[2] = {&NoDriveTypeAutoRun, &NoDriveTypeAutoRun1};
  for (int i = 0; i < 2; ++i) {
    FRecorded[i] = false;
    const TRegKey key = OpenPolicyKey(Hive(i));
    if (!key) continue;
    if (::RegQueryValueExW(key.Get(), PolicyValueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      DWORD type = 0;
      DWORD data = 0;
      DWORD size = sizeof data;
      if (::RegQueryValueExW(key.Get(), PolicyValueName, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
              ERROR_SUCCESS ||
          type != REG_DWORD || size != sizeof data) {
        continue;  // not a 32-bit value: leave this hive alone
      }
      *fields[i] = static_cast<int32_t>(data);
      FAbsent[i] = false;
    } else {
      *fields[i] = -1;
      FAbsent[i] = true;
    }
    FRecorded[i] = true;
    WriteDword(key.Get(), AutoRunOffForAllDrives);
  }
}

void TAutoRunGuard::RestoreAutoRun() {
  const int32_t fields[2] = {NoDriveTypeAutoRun, NoDriveTypeAutoRun1};
  for (int i = 0; i < 2; ++i) {
    if (!FRecorded[i]) continue;
    FRecorded[i] = false;
    const TRegKey key = OpenPolicyKey(Hive(i));
    if (!key) continue;
    if (FAbsent[i]) {
      ::RegDeleteValueW(key.Get(), PolicyValueName);
    } else {
      WriteDword(key.Get(), static_cast<DWORD>(fields[i]));
    }
  }
}
