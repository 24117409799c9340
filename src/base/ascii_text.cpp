#include "base/ascii_text.h"

namespace {
bool IsBlank(wchar_t c) { return static_cast<unsigned>(c) <= 32u; }
}  // namespace

wchar_t AsciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }
wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

std::wstring AsciiUpperCase(std::wstring text) {
  for (wchar_t& c : text) c = AsciiUpper(c);
  return text;
}

std::wstring AsciiLowerCase(std::wstring text) {
  for (wchar_t& c : text) c = AsciiLower(c);
  return text;
}

bool SameTextIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

std::wstring TrimBlanks(const std::wstring& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

std::wstring TrimTrailingBlanks(std::wstring text, std::wstring_view alsoTrimmed) {
  while (!text.empty() && (IsBlank(text.back()) || alsoTrimmed.find(text.back()) != std::wstring_view::npos))
    text.pop_back();
  return text;
}

std::wstring_view TrimChars(std::wstring_view text, std::wstring_view trimmed) {
  const std::size_t first = text.find_first_not_of(trimmed);
  if (first == std::wstring_view::npos) return {};
  return text.substr(first, text.find_last_not_of(trimmed) - first + 1);
}

std::wstring_view TrimTrailingChars(std::wstring_view text, std::wstring_view trimmed) {
  return text.substr(0, text.find_last_not_of(trimmed) + 1);
}
