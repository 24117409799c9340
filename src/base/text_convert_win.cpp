#include "base/text_convert.h"

#include <windows.h>

std::wstring WideFromCodePage(unsigned codePage, const char* bytes, std::size_t count) {
  const int length = static_cast<int>(count);
  if (length <= 0) return {};
  const int wide = ::MultiByteToWideChar(codePage, 0, bytes, length, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes, length, text.data(), wide);
  return text;
}

std::optional<std::string> WideToCodePage(unsigned codePage, const std::wstring& text) {
  if (text.empty()) return std::string();
  const int length = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::nullopt;
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(codePage, 0, text.data(), length, out.data(), size, nullptr, nullptr);
  return out;
}
