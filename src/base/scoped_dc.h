#pragma once
// A window's device context, put back on every way out, with at most one
// object selected into it and the old one selected back before release.
#include <windows.h>

class TScopedDC {
public:
  explicit TScopedDC(HWND window) noexcept : FWindow(window), FDC(::GetDC(window)) {}
  ~TScopedDC() {
    if (!FDC) return;
    if (FOld) ::SelectObject(FDC, FOld);
    ::ReleaseDC(FWindow, FDC);
  }
  TScopedDC(const TScopedDC&) = delete;
  TScopedDC& operator=(const TScopedDC&) = delete;

  HDC Get() const noexcept { return FDC; }
  explicit operator bool() const noexcept { return FDC != nullptr; }
  void Select(HGDIOBJ object) noexcept {
    HGDIOBJ old = ::SelectObject(FDC, object);
    if (!FOld) FOld = old;
  }

private:
  HWND FWindow;
  HDC FDC;
  HGDIOBJ FOld = nullptr;
};
