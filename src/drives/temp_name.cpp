#include "drives/temp_name.h"

#include "base/failure.h"

std::wstring Hex8(uint32_t value) {
  static const wchar_t digits[] = L"0123456789ABCDEF";
  std::wstring text(8, L'0');
  for (int i = 7; i >= 0; --i) {
    text[static_cast<size_t>(i)] = digits[value & 0xF];
    value >>= 4;
  }
  return text;
}

std::wstring InsertUniqueMark(const std::wstring& path) {
  const size_t delimiter = path.find_last_of(L".\\:");
  size_t stem = path.size();
  std::wstring extension;
  if (delimiter != std::wstring::npos && path[delimiter] == L'.') {
    stem = delimiter;
    extension = path.substr(delimiter + 1, 260);
  }
  return path.substr(0, stem) + L"*." + extension;
}

namespace {
std::wstring ReplaceFirstMark(const std::wstring& path, const std::wstring& with) {
  std::wstring result = path;
  const size_t mark = result.find(L'*');
  if (mark != std::wstring::npos) result.replace(mark, 1, with);
  return result;
}
}  // namespace

bool IsUniqueTempName(const std::wstring& candidate, const std::wstring& name) {
  if (candidate == name) return true;
  const std::wstring marked = InsertUniqueMark(name);
  const size_t mark = marked.find(L'*');
  const size_t tail = marked.size() - mark - 1;
  if (candidate.size() != marked.size() + 7 || candidate.compare(0, mark, marked, 0, mark) != 0 ||
      candidate.compare(mark + 8, tail, marked, mark + 1, tail) != 0)
    return false;
  const std::wstring digits = candidate.substr(mark, 8);
  return digits.find_first_not_of(L"0123456789ABCDEF") == std::wstring::npos;
}

std::wstring MakeUniqueTempName(const std::wstring& name, const TTempNameHost& host) {
  std::wstring path = name;
  if (path.find(L'\\') == std::wstring::npos) path = host.TempDirectory() + path;
  if (!host.FileExists(path)) return path;
  if (path.find(L'*') == std::wstring::npos) path = InsertUniqueMark(path);

  uint32_t counter = host.TickCount();
  const uint32_t start = counter;
  for (;;) {
    if (static_cast<int32_t>(counter - start) > 10000) {
      throw EFailure(L"Can't create temp file \"" + ReplaceFirstMark(path, L"{UniqueID}") + L"\".");
    }
    const std::wstring candidate = ReplaceFirstMark(path, Hex8(counter));
    if (!host.FileExists(candidate)) return candidate;
    ++counter;
  }
}
