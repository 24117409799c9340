#pragma once
// Letter case and blanks as the command lines, drive lines and inputs need
// them: only ASCII, so the locale never matters.
#include <string>
#include <string_view>

wchar_t AsciiUpper(wchar_t c);
wchar_t AsciiLower(wchar_t c);
// a to z become A to Z (or back); nothing else changes.
std::wstring AsciiUpperCase(std::wstring text);
std::wstring AsciiLowerCase(std::wstring text);
// Equal but for the case of a to z.
bool SameTextIgnoringCase(std::wstring_view a, std::wstring_view b);

// Removes characters 0 to 32 (blanks and control characters) at both ends.
std::wstring TrimBlanks(const std::wstring& text);
// The same at the end only; the characters of `alsoTrimmed` go there too.
std::wstring TrimTrailingBlanks(std::wstring text, std::wstring_view alsoTrimmed = {});
// Removes the characters of `trimmed` alone, at both ends or at the end: for
// text padded with spaces, whose control characters stay.
std::wstring_view TrimChars(std::wstring_view text, std::wstring_view trimmed);
std::wstring_view TrimTrailingChars(std::wstring_view text, std::wstring_view trimmed);
