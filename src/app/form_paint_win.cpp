// How the window and its controls are painted: colours, the flat panels and
// the progress bar under the status text.
#include "app/usb_form.h"

#include <commctrl.h>

#include "app/form_controls_win.h"

using namespace form;

void TUSBForm::UpdateProgressBar() {
  if (!ProgressBar) return;
  // A large image reports thousands of times and each repaint costs more than
  // the bytes it shows: a visible change is drawn at most four times a second,
  // and the bar's ends at once.
  RECT client{};
  ::GetClientRect(ProgressBar, &client);
  const int width = std::max<int>(1, client.right - client.left);
  const int pixel = ProgressModel.Position(width);
  if (pixel == FShownProgressPixel) return;
  const ULONGLONG now = ::GetTickCount64();
  if (pixel != 0 && pixel != width && FShownProgressPixel >= 0 && now - FShownProgressTime < ProgressPaintGapMs)
    return;
  FShownProgressPixel = pixel;
  FShownProgressTime = now;
  // The bar's own paint puts the status text back over it.
  ::SendMessageW(ProgressBar, PBM_SETPOS, static_cast<WPARAM>(ProgressModel.Position(ProgressRange)), 0);
}

void TUSBForm::SetProgressBarVisible(bool visible) {
  ProgressBarVisible = visible;
  if (ProgressBar) ::ShowWindow(ProgressBar, visible ? SW_SHOWNA : SW_HIDE);
  RedrawStatus();
}

// The label lies over the bar with a see-through background: redraw the bar
// under it first, else old text would stay behind the new.
void TUSBForm::RedrawStatus() {
  if (!StatusLabel) return;
  if (ProgressBarVisible && ProgressBar)
    ::RedrawWindow(ProgressBar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  else if (StatusGroupBox) {
    RECT rect{};
    ::GetWindowRect(StatusLabel, &rect);
    ::MapWindowPoints(nullptr, StatusGroupBox, reinterpret_cast<POINT*>(&rect), 2);
    ::RedrawWindow(StatusGroupBox, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  ::RedrawWindow(StatusLabel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

LRESULT TUSBForm::ColourStatic(HDC dc, HWND control) {
  if (control == StatusLabel && ProgressBarVisible) {
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }
  if (control == TipLabel1 || control == TipLabel2 || control == TipLabel3 || control == TipLabel4)
    ::SetTextColor(dc, TipColour);
  else if (control == WebLabel)
    ::SetTextColor(dc, PanelTextColour);  // the panel stays light in a high-contrast theme
  else if (control == MsgLabel2)
    ::SetTextColor(dc, WarningColour);
  else if (!::IsWindowEnabled(control))
    ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
  else
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  if (control == TipLabel4 || control == WebLabel) {
    ::SetBkColor(dc, PanelColour);
    return reinterpret_cast<LRESULT>(FPanelBrush.Get());
  }
  if (control == MsgLabel1 || control == MsgLabel2) {
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

// Flat panel: filled with the panel colour, reports a click to its parent like a static.
LRESULT CALLBACK TUSBForm::PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: {
      RECT rect{};
      ::GetClientRect(hwnd, &rect);
      HBRUSH brush = USBForm && USBForm->FPanelBrush ? static_cast<HBRUSH>(USBForm->FPanelBrush.Get())
                                                     : nullptr;
      TGdiObject own;
      if (!brush) {
        own.Reset(::CreateSolidBrush(PanelColour));
        brush = static_cast<HBRUSH>(own.Get());
      }
      ::FillRect(reinterpret_cast<HDC>(wParam), &rect, brush);
      return 1;
    }
    case WM_LBUTTONDOWN:
      ::SetCapture(hwnd);
      ::SetPropW(hwnd, L"QuilloraPressed", reinterpret_cast<HANDLE>(1));
      return 0;
    case WM_LBUTTONUP: {
      bool pressed = ::RemovePropW(hwnd, L"QuilloraPressed") != nullptr;
      if (::GetCapture() == hwnd) ::ReleaseCapture();
      RECT rect{};
      ::GetClientRect(hwnd, &rect);
      POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (pressed && ::PtInRect(&rect, point))
        ::SendMessageW(::GetParent(hwnd), WM_COMMAND,
                       MAKEWPARAM(::GetDlgCtrlID(hwnd), STN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
      return 0;
    }
    case WM_CAPTURECHANGED:
      ::RemovePropW(hwnd, L"QuilloraPressed");
      return 0;
    case WM_NCDESTROY:
      ::RemovePropW(hwnd, L"QuilloraPressed");
      break;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ::SendMessageW(::GetAncestor(hwnd, GA_ROOT), msg, wParam, lParam);
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK TUSBForm::ForwardingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR refData) {
  auto* form = reinterpret_cast<TUSBForm*>(refData);
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      if (form && form->FHandle) return ::SendMessageW(form->FHandle, msg, wParam, lParam);
      break;
    case WM_ERASEBKGND: {
      // A group box paints only its frame; the window clips its children, so fill here.
      RECT rect{};
      ::GetClientRect(hwnd, &rect);
      ::FillRect(reinterpret_cast<HDC>(wParam), &rect, ::GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, &TUSBForm::ForwardingProc, 0);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

// Repaints the status label right after the bar so its text stays on top.
LRESULT CALLBACK TUSBForm::ProgressBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR refData) {
  auto* form = reinterpret_cast<TUSBForm*>(refData);
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, &TUSBForm::ProgressBarProc, 0);
  LRESULT result = ::DefSubclassProc(hwnd, msg, wParam, lParam);
  if (msg == WM_PAINT && form && form->StatusLabel && form->ProgressBarVisible)
    ::RedrawWindow(form->StatusLabel, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  return result;
}
