#include "base/system_error.h"

std::wstring SystemErrorText(unsigned long code) {
  std::wstring text = SystemMessage(code);
  if (text.empty()) text = L"System error " + std::to_wstring(code) + L".";
  return text;
}
