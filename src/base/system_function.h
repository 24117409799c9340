#pragma once
// System entry points newer than the oldest Windows the program starts on,
// looked up when needed so the program still starts without them.
#include <windows.h>

// Null when the module is not loaded or lacks the entry point.
template <typename Fn>
Fn SystemFunction(const wchar_t* module, const char* name) {
  const HMODULE loaded = ::GetModuleHandleW(module);
  if (!loaded) return nullptr;
  // Through void(*)() keeps the cast free of function-type warnings.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(loaded, name)));
}
