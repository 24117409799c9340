#pragma once
// Size texts of the drive list ("7.46 GB", "1001 bytes").
#include <cstdint>
#include <string>

// "#.##" of value / 2^shift: no grouping, no leading zero (".5"), at most two
// fraction digits rounded half away from zero, trailing zeros and a bare
// separator dropped. Computed exactly, so dyadic halves such as 1.125 round up;
// shift must stay below 57.
std::wstring FormatBinaryQuotient(int64_t value, unsigned shift, const std::wstring& decimalSeparator);

// The size in the largest band it exceeds: GB (2^30), MB (2^20), KB (2^10) or bytes.
std::wstring FormatByteSize(int64_t size, const std::wstring& decimalSeparator);
