#include "base/system_error.h"

#include <windows.h>

#include <iterator>

std::wstring SystemErrorText(unsigned long code) {
  wchar_t buffer[1024] = {};
  const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                   buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
  std::wstring text(buffer, n);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  if (text.empty()) text = L"System error " + std::to_wstring(code) + L".";
  return text;
}
