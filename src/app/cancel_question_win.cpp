#include "app/cancel_question_win.h"

namespace {

BOOL CALLBACK AnswerNo(HWND window, LPARAM) {
  wchar_t name[16] = {};
  // The system's boxes are dialogs of this class.
  if (::GetClassNameW(window, name, 16) && std::wstring(name) == L"#32770")
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
  return TRUE;
}

}  // namespace

void TCancelQuestion::Ask(HWND owner, const THook& hook) {
  const UINT flags = MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2;
  if (hook) {
    ::PostMessageW(owner, AnsweredMessage, static_cast<WPARAM>(hook(CancelQuestionText, CancelQuestionTitle, flags)), 0);
    return;
  }
  if (Open()) return;
  if (FThread.joinable()) FThread.join();
  FAnswered = false;
  FThreadId = 0;
  FThread = std::thread([this, owner, flags] {
    FThreadId = ::GetCurrentThreadId();
    const int answer = ::MessageBoxW(owner, CancelQuestionText, CancelQuestionTitle, flags);
    FAnswered = true;
    ::PostMessageW(owner, AnsweredMessage, static_cast<WPARAM>(answer), 0);
  });
}

void TCancelQuestion::Close() noexcept {
  if (!FThread.joinable()) return;
  while (!FAnswered) {
    if (const DWORD thread = FThreadId) ::EnumThreadWindows(thread, AnswerNo, 0);
    // The box's thread sends to the owner as it closes (re-enabling it):
    // those messages are answered here, nothing else is processed.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE);
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  FThread.join();
}
