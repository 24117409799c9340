#include "sevenzip/item_names.h"

#include <array>
#include <string_view>

#include "base/ascii_text.h"

namespace {

bool AllDigits(std::wstring_view text) {
  if (text.empty()) return false;
  for (wchar_t c : text)
    if (c < L'0' || c > L'9') return false;
  return true;
}

// Windows drops trailing dots and blanks from every part of a path.
std::wstring_view StoredPart(std::wstring_view part) { return TrimTrailingChars(part, L". "); }

bool IsReservedName(std::wstring_view part) {
  std::wstring_view stem = StoredPart(part);
  stem = stem.substr(0, stem.find(L'.'));
  stem = TrimTrailingChars(stem, L" ");
  static constexpr std::array<std::wstring_view, 6> Devices = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (std::wstring_view device : Devices)
    if (SameTextIgnoringCase(stem, device)) return true;
  const std::wstring_view prefix = stem.substr(0, 3);
  return stem.size() == 4 && (SameTextIgnoringCase(prefix, L"COM") || SameTextIgnoringCase(prefix, L"LPT")) &&
         stem[3] >= L'1' && stem[3] <= L'9';
}

bool HasInvalidChar(std::wstring_view part) {
  for (wchar_t c : part)
    if (c < 32 || std::wstring_view(L"<>:\"|?*\\/").find(c) != std::wstring_view::npos) return true;
  return false;
}

template <typename Visit>
void ForEachPart(const std::wstring& path, wchar_t delimiter, Visit visit) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(delimiter, start);
    if (end == std::wstring::npos) end = path.size();
    if (end > start && !visit(std::wstring_view(path).substr(start, end - start))) return;
    start = end + 1;
  }
}

}  // namespace

bool IsBootCatalogItem(const std::wstring& path, wchar_t delimiter) {
  const std::wstring folder = std::wstring(L"[BOOT]") + delimiter;
  if (!path.starts_with(folder)) return false;
  std::wstring_view name = std::wstring_view(path).substr(folder.size());
  // Numbered when the catalog has more than one entry.
  if (const std::size_t dash = name.find(L'-'); dash != std::wstring_view::npos && AllDigits(name.substr(0, dash)))
    name = name.substr(dash + 1);
  return name.starts_with(L"Boot-") && name.ends_with(L".img") && name.find(delimiter) == std::wstring_view::npos;
}

TNameFault WindowsNameFault(const std::wstring& path, wchar_t delimiter) {
  TNameFault fault = TNameFault::None;
  ForEachPart(path, delimiter, [&](std::wstring_view part) {
    if (HasInvalidChar(part)) fault = TNameFault::InvalidChars;
    else if (IsReservedName(part)) fault = TNameFault::Reserved;
    return fault == TNameFault::None;
  });
  return fault;
}

std::wstring WindowsFileKey(const std::wstring& path, wchar_t delimiter) {
  std::wstring key;
  ForEachPart(path, delimiter, [&](std::wstring_view part) {
    if (!key.empty()) key += L'\\';
    key += AsciiUpperCase(std::wstring(StoredPart(part)));
    return true;
  });
  return key;
}
