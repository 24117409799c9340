#include "base/shutdown_block.h"

#include "base/optional_api.h"

TShutdownBlock::TShutdownBlock(HWND window, const wchar_t* reason) {
  const auto create = OptionalApi::ShutdownBlockReasonCreate();
  if (create && window && create(window, reason)) FWindow = window;
}

TShutdownBlock::~TShutdownBlock() {
  const auto destroy = OptionalApi::ShutdownBlockReasonDestroy();
  if (FWindow && destroy) destroy(FWindow);
}
