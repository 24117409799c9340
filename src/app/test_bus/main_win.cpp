// Program entry of QuilloraTest.exe, the tests' copy of Quillora: the USB
// bus is what usb-bus.txt beside it names. Never shipped.
#include <windows.h>

#include "app/program_win.h"
#include "drives/test_bus/usb_bus_file_query.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  TUsbBusFileQuery drives;
  return RunQuillora(instance, drives);
}
