#pragma once
// The folder of the running program file, where the support files lie.
#include <string>

// With its trailing backslash; empty when the system cannot tell.
std::wstring ProgramFolder();
