#pragma once
// The system's text for an error code, without its trailing line break.
#include <string>

std::wstring SystemErrorText(unsigned long code);
