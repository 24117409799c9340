#pragma once
// Text at the program's edges: UTF-8 for narrow library texts, the ANSI code
// page for what the console programs read and write. Wide inside.
#include <cstddef>
#include <optional>
#include <string>

// UTF-8 form of a wide text (UTF-16 or UTF-32, whichever wchar_t holds).
std::string ToUtf8(const std::wstring& text);

#ifdef _WIN32
// Bytes in `codePage` as wide text; empty when they cannot be converted.
std::wstring WideFromCodePage(unsigned codePage, const char* bytes, std::size_t count);
// Wide text in `codePage`; none when the system cannot convert it.
std::optional<std::string> WideToCodePage(unsigned codePage, const std::wstring& text);
#endif
