#include "drives/byte_size.h"

std::wstring FormatBinaryQuotient(int64_t value, unsigned shift, const std::wstring& decimalSeparator) {
  const bool negative = value < 0;
  // Magnitude as unsigned so INT64_MIN has one too.
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  uint64_t whole = 0;
  uint64_t hundredths = 0;
  if (shift == 0) {
    whole = magnitude;
  } else {
    // Split first so the scaled remainder cannot overflow.
    whole = magnitude >> shift;
    const uint64_t remainder = magnitude & ((uint64_t{1} << shift) - 1);
    hundredths = (remainder * 100 + (uint64_t{1} << (shift - 1))) >> shift;  // half away from zero
    if (hundredths == 100) {
      ++whole;
      hundredths = 0;
    }
  }

  std::wstring text;
  if (negative && (whole != 0 || hundredths != 0)) text += L'-';
  if (whole != 0) text += std::to_wstring(whole);
  if (hundredths != 0) {
    text += decimalSeparator;
    text += static_cast<wchar_t>(L'0' + hundredths / 10);
    if (hundredths % 10 != 0) text += static_cast<wchar_t>(L'0' + hundredths % 10);
  }
  // A zero has no digit left under "#.##"; show it rather than nothing.
  if (text.empty()) text = L"0";
  return text;
}

std::wstring FormatByteSize(int64_t size, const std::wstring& decimalSeparator) {
  if (size > 1073741824) return FormatBinaryQuotient(size, 30, decimalSeparator) + L" GB";
  if (size > 1048576) return FormatBinaryQuotient(size, 20, decimalSeparator) + L" MB";
  if (size > 1024) return FormatBinaryQuotient(size, 10, decimalSeparator) + L" KB";
  return FormatBinaryQuotient(size, 0, decimalSeparator) + L" bytes";
}
