#pragma once
// Denies setting values in a hive's Explorer policy key, the way an
// administrator's policy could, until it goes out of scope.
#include "base/win32_handles.h"
// After windows.h, which the line above brings.
#include <sddl.h>

class TReadOnlyPolicy {
public:
  explicit TReadOnlyPolicy(HKEY hive) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(hive, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", 0,
                        READ_CONTROL | WRITE_DAC, &key) != ERROR_SUCCESS)
      return;
    FKey.Reset(key);
    DWORD size = sizeof FSaved;
    FHeld = ::RegGetKeySecurity(FKey.Get(), DACL_SECURITY_INFORMATION, FSaved, &size) == ERROR_SUCCESS;
    PSECURITY_DESCRIPTOR denying = nullptr;
    ::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;0x2;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                           &denying, nullptr);
    FHeld = FHeld && denying && ::RegSetKeySecurity(FKey.Get(), DACL_SECURITY_INFORMATION, denying) == ERROR_SUCCESS;
    ::LocalFree(denying);
  }
  ~TReadOnlyPolicy() {
    if (FHeld) ::RegSetKeySecurity(FKey.Get(), DACL_SECURITY_INFORMATION, FSaved);
  }
  TReadOnlyPolicy(const TReadOnlyPolicy&) = delete;
  TReadOnlyPolicy& operator=(const TReadOnlyPolicy&) = delete;
  bool Held() const { return FHeld; }

private:
  TRegKey FKey;
  alignas(SECURITY_DESCRIPTOR) BYTE FSaved[4096] = {};
  bool FHeld = false;
};
