#include "base/shutdown_block.h"

#include "base/system_function.h"

namespace {
using TShutdownBlockReasonCreate = BOOL(WINAPI*)(HWND, LPCWSTR);
using TShutdownBlockReasonDestroy = BOOL(WINAPI*)(HWND);
}  // namespace

TShutdownBlock::TShutdownBlock(HWND window, const wchar_t* reason) {
  static const auto create = SystemFunction<TShutdownBlockReasonCreate>(L"user32.dll", "ShutdownBlockReasonCreate");
  if (create && window && create(window, reason)) FWindow = window;
}

TShutdownBlock::~TShutdownBlock() {
  static const auto destroy =
      SystemFunction<TShutdownBlockReasonDestroy>(L"user32.dll", "ShutdownBlockReasonDestroy");
  if (FWindow && destroy) destroy(FWindow);
}
