#pragma once
// The question whether to stop the burn. It is asked on a thread of its own:
// a box on the window's thread would hold the burn up, whose steps wait in
// that thread's message processing. The answer comes to the window as a
// message.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

inline constexpr const wchar_t* CancelQuestionText =
    L"Stop the burn? The USB drive will not be usable until it is burned again.";
inline constexpr const wchar_t* CancelQuestionTitle = L"Warning";

class TCancelQuestion {
public:
  // Sent to the owner with the button pressed (IDYES, IDNO) in wParam.
  static constexpr UINT AnsweredMessage = WM_APP + 1;
  // Tests answer here instead of the system's box, at once.
  using THook = std::function<int(const std::wstring&, const std::wstring&, UINT)>;

  TCancelQuestion() = default;
  TCancelQuestion(const TCancelQuestion&) = delete;
  TCancelQuestion& operator=(const TCancelQuestion&) = delete;
  ~TCancelQuestion() { Close(); }

  // Shows the box owned by `owner` unless it is up already.
  void Ask(HWND owner, const THook& hook);
  // The box up and not yet answered.
  bool Open() const { return FThread.joinable() && !FAnswered; }
  // Closes the box as No if it is up; its answer, if any, is then ignored.
  void Close() noexcept;

private:
  std::thread FThread;
  std::atomic<DWORD> FThreadId{0};
  std::atomic<bool> FAnswered{false};
};
