#include "app/status_panel.h"

#include <commctrl.h>

#include <algorithm>

void TStatusPanel::Attach(HWND groupBox, HWND label, HWND bar) {
  FGroupBox = groupBox;
  FLabel = label;
  FBar = bar;
  ::SendMessageW(FBar, PBM_SETRANGE32, 0, BarRange);
  ::SetWindowSubclass(FBar, &TStatusPanel::BarProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

void TStatusPanel::SetText(const std::wstring& text) {
  if (!FLabel) return;
  ::SetWindowTextW(FLabel, text.c_str());
  Redraw();
}

std::wstring TStatusPanel::Text() const {
  if (!FLabel) return {};
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(FLabel)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(FLabel, text.data(), static_cast<int>(text.size()))));
  return text;
}

void TStatusPanel::SetBarVisible(bool visible) {
  FBarVisible = visible;
  if (FBar) ::ShowWindow(FBar, visible ? SW_SHOWNA : SW_HIDE);
  Redraw();
}

bool TStatusPanel::Report(bool total, std::int64_t value) {
  Model.Report(total, value);
  return UpdateBar();
}

void TStatusPanel::Reset() {
  Model.Value = 0.0f;
  UpdateBar();
  if (FBarVisible) SetBarVisible(false);
}

bool TStatusPanel::UpdateBar() {
  if (!FBar) return false;
  // A large image reports thousands of times and each repaint costs more than
  // the bytes it shows.
  RECT client{};
  ::GetClientRect(FBar, &client);
  const int width = std::max<int>(1, client.right - client.left);
  const int pixel = Model.Position(width);
  if (pixel == FShownPixel) return false;
  const ULONGLONG now = ::GetTickCount64();
  if (pixel != 0 && pixel != width && FShownPixel >= 0 && now - FShownTime < PaintGapMs) return false;
  FShownPixel = pixel;
  FShownTime = now;
  // The bar's own paint puts the status text back over it.
  ::SendMessageW(FBar, PBM_SETPOS, static_cast<WPARAM>(Model.Position(BarRange)), 0);
  return true;
}

// The label lies over the bar with a see-through background: redraw the bar
// under it first, else old text would stay behind the new.
void TStatusPanel::Redraw() {
  if (!FLabel) return;
  if (FBarVisible && FBar) {
    // The bar's paint brings the label after it: one paint of each.
    ::InvalidateRect(FLabel, nullptr, TRUE);
    ::RedrawWindow(FBar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return;
  }
  if (FGroupBox) {
    RECT rect{};
    ::GetWindowRect(FLabel, &rect);
    ::MapWindowPoints(nullptr, FGroupBox, reinterpret_cast<POINT*>(&rect), 2);
    ::RedrawWindow(FGroupBox, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  ::RedrawWindow(FLabel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

// Repaints the status label right after the bar so its text stays on top.
LRESULT CALLBACK TStatusPanel::BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR refData) {
  auto* panel = reinterpret_cast<TStatusPanel*>(refData);
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, &TStatusPanel::BarProc, 0);
  LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
  if (msg == WM_PAINT && panel && panel->FLabel && panel->FBarVisible)
    ::RedrawWindow(panel->FLabel, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  return result;
}
