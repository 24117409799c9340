// Program entry.
#include <windows.h>

#include "app/program_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return RunQuillora(instance); }
