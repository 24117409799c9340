#pragma once
// Letter case and blanks as the command lines, drive lines and inputs need
// them: only ASCII, so the locale never matters.
#include <string>

wchar_t AsciiUpper(wchar_t c);
wchar_t AsciiLower(wchar_t c);
// a to z become A to Z (or back); nothing else changes.
std::wstring AsciiUpperCase(std::wstring text);
std::wstring AsciiLowerCase(std::wstring text);

// Removes characters 0 to 32 (blanks and control characters) at both ends.
std::wstring TrimBlanks(const std::wstring& text);
// The same at the end only.
std::wstring TrimTrailingBlanks(std::wstring text);
