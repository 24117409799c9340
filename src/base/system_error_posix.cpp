#include "base/system_error.h"

#include <cstdint>
#include <cstring>

// Off Windows no system holds Windows' texts: the codes the 7-Zip library
// returns there get theirs here, and a Win32 code that carries an errno value
// gets errno's text.
std::wstring SystemMessage(unsigned long code) {
  struct TEntry {
    uint32_t Code;
    const wchar_t* Text;
  };
  static const TEntry kTable[] = {
      {1, L"Incorrect function."},
      {0x80004001u, L"Not implemented."},
      {0x80004002u, L"No such interface supported."},
      {0x80004003u, L"Invalid pointer."},
      {0x80004004u, L"Operation aborted."},
      {0x80004005u, L"Unspecified error."},
      {0x8007000Eu, L"Not enough memory resources are available to complete this operation."},
      {0x80070057u, L"The parameter is incorrect."},
      {0x80040111u, L"ClassFactory cannot supply requested class."},
  };
  const uint32_t value = static_cast<uint32_t>(code);
  for (const TEntry& entry : kTable)
    if (entry.Code == value) return entry.Text;
  if ((value & 0xFFFF0000u) == 0x80070000u) {
    std::string text = std::strerror(static_cast<int>(value & 0xFFFFu));
    return std::wstring(text.begin(), text.end());
  }
  return {};
}
