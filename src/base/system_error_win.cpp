#include "base/system_error.h"

#include <windows.h>

#include "base/ascii_text.h"

std::wstring SystemMessage(unsigned long code) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0,
                                   nullptr);
  std::wstring text;
  if (n && buffer) text.assign(buffer, n);
  if (buffer) ::LocalFree(buffer);
  return TrimTrailingBlanks(std::move(text));
}
