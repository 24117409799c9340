#include "sevenzip/udf_fallback.h"

#include "base/ascii_text.h"

const wchar_t* const ReadmeNoticeName = L"README.TXT";

bool NeedsUdfPass(const std::vector<std::wstring>& rootNames) {
  return rootNames.size() == 1 && SameTextIgnoringCase(rootNames.front(), ReadmeNoticeName);
}
