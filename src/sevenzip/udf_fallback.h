#pragma once
// The test that decides whether the UDF reader gets a second pass: the ISO
// 9660 pass left nothing on the drive root but the notice README.TXT.
#include <cstdint>
#include <string>
#include <vector>

extern const wchar_t* const ReadmeNoticeName;  // "README.TXT"

// True when `rootNames` holds exactly one name equal to README.TXT, letters
// a to z compared without case.
bool NeedsUdfPass(const std::vector<std::wstring>& rootNames);
