#pragma once
// The system's own text for an error code.
#include <string>

// Without its trailing line break; empty when the system has no text for it.
std::wstring SystemMessage(unsigned long code);
// As above, or "System error N." when the system has none.
std::wstring SystemErrorText(unsigned long code);
