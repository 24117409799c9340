#include "base/message_pump.h"

#include <windows.h>

namespace {
// Keyboard navigation (Tab, arrows) belongs to the top-level window of the message.
bool IsNavigationMessage(MSG& msg) {
  if (!msg.hwnd) return false;
  HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
  return root && ::IsDialogMessageW(root, &msg);
}
}  // namespace

void ProcessPendingMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit request for the program's message loop.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (IsNavigationMessage(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

int RunMessageLoop() {
  MSG msg;
  for (;;) {
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(msg.wParam);
    if (got == -1) return 1;
    if (IsNavigationMessage(msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}
