#include "base/optional_api.h"

namespace {
// GetProcAddress gives a generic pointer; going through void(*)() keeps the
// cast free of function-type warnings.
template <typename Fn>
Fn LookUp(const wchar_t* module, const char* name) {
  HMODULE loaded = ::GetModuleHandleW(module);
  if (!loaded) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(loaded, name)));
}
}  // namespace

namespace OptionalApi {

#define QUILLORA_OPTIONAL_API(module, name)                   \
  T##name name() {                                            \
    static const T##name found = LookUp<T##name>(module, #name); \
    return found;                                             \
  }

QUILLORA_OPTIONAL_API(L"user32.dll", GetDpiForWindow)
QUILLORA_OPTIONAL_API(L"user32.dll", AdjustWindowRectExForDpi)
QUILLORA_OPTIONAL_API(L"kernel32.dll", SetSearchPathMode)
QUILLORA_OPTIONAL_API(L"kernel32.dll", GetDiskFreeSpaceExW)
QUILLORA_OPTIONAL_API(L"kernel32.dll", IsWow64Process)
QUILLORA_OPTIONAL_API(L"kernel32.dll", GetNativeSystemInfo)
QUILLORA_OPTIONAL_API(L"user32.dll", ShutdownBlockReasonCreate)
QUILLORA_OPTIONAL_API(L"user32.dll", ShutdownBlockReasonDestroy)
QUILLORA_OPTIONAL_API(L"advapi32.dll", RegDeleteKeyExW)

#undef QUILLORA_OPTIONAL_API

}  // namespace OptionalApi
