// Program entry.
#include <windows.h>

#include "app/program_win.h"
#include "drives/usb_drives.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  TWin32DriveQuery drives;
  return RunQuillora(instance, drives);
}
