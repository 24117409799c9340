#include "sevenzip/udf_fallback.h"

#include "base/ascii_text.h"

const wchar_t* const ReadmeNoticeName = L"README.TXT";

bool NeedsUdfPass(const std::vector<std::wstring>& rootNames) {
  if (rootNames.size() != 1) return false;
  const std::wstring& name = rootNames.front();
  const std::wstring notice = ReadmeNoticeName;
  if (name.size() != notice.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (AsciiUpper(name[i]) != notice[i]) return false;
  return true;
}
