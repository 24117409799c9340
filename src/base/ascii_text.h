#pragma once
// Letter case as the command lines and drive lines need it.
#include <string>

// a to z become A to Z; nothing else changes.
std::wstring AsciiUpperCase(std::wstring text);
