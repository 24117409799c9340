#pragma once
// While it lives, Windows shows the reason to whoever shuts down or logs off
// and lets them wait (Vista and later; nothing on older systems).
#include <windows.h>

inline constexpr wchar_t ShutdownBlockText[] = L"Writing to the USB drive. Wait until Quillora has finished.";

class TShutdownBlock {
public:
  explicit TShutdownBlock(HWND window, const wchar_t* reason = ShutdownBlockText);
  ~TShutdownBlock();
  TShutdownBlock(const TShutdownBlock&) = delete;
  TShutdownBlock& operator=(const TShutdownBlock&) = delete;

private:
  HWND FWindow = nullptr;  // null when no reason was set
};
