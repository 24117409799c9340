// Command-line use of the driver:
//   gui_driver.exe --screenshot <Quillora.exe> <out.png>
// starts the program, waits for its window, saves a PNG of it, closes the
// program and exits 0 once the program has ended with exit code 0.
#include <windows.h>

#include <cstdio>
#include <string>

#include "gui/gui_driver.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4 || std::wstring(argv[1]) != L"--screenshot") {
    std::fwprintf(stderr, L"usage: gui_driver --screenshot <Quillora.exe> <out.png>\n");
    return 2;
  }
  gui::PrepareWine();
  gui::TQuilloraProcess app;
  if (!app.Start(argv[2])) {
    std::fwprintf(stderr, L"gui_driver: %ls\n", app.LastError().c_str());
    return 1;
  }
  // The X server draws asynchronously: give the first paint a moment.
  ::RedrawWindow(app.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  ::Sleep(1000);
  bool saved = gui::SaveWindowScreenshot(app.Window(), argv[3]);
  app.RequestClose();
  const bool closed = app.WaitForExit(10000) && app.ExitCode() == 0;
  if (!closed) app.Terminate();
  if (!saved) {
    std::fwprintf(stderr, L"gui_driver: cannot save %ls\n", argv[3]);
    return 1;
  }
  if (!closed) {
    std::fwprintf(stderr, L"gui_driver: the program did not close cleanly\n");
    return 1;
  }
  return 0;
}
