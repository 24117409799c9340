// How the window and its controls are painted: colours and the flat panels.
#include "app/usb_form.h"

#include <commctrl.h>

#include "app/form_controls_win.h"

using namespace form;

namespace {
// One brush for every panel, for the program's lifetime.
HBRUSH PanelBrush() {
  static const TGdiObject brush(::CreateSolidBrush(PanelColour));
  return static_cast<HBRUSH>(brush.Get());
}
}  // namespace

namespace form {

LRESULT ColourStatic(const TUSBForm& form, HDC dc, HWND control) {
  if (form.StatusPanel.IsLabelOverBar(control)) {
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }
  if (control == form.TipLabel1 || control == form.TipLabel2 || control == form.TipLabel3 || control == form.TipLabel4)
    ::SetTextColor(dc, TipColour);
  else if (control == form.WebLabel)
    ::SetTextColor(dc, PanelTextColour);  // the panel stays light in a high-contrast theme
  else if (control == form.MsgLabel2)
    ::SetTextColor(dc, WarningColour);
  else if (!::IsWindowEnabled(control))
    ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
  else
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  if (control == form.TipLabel4 || control == form.WebLabel) {
    ::SetBkColor(dc, PanelColour);
    return reinterpret_cast<LRESULT>(PanelBrush());
  }
  if (control == form.MsgLabel1 || control == form.MsgLabel2) {
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

// Flat panel: filled with the panel colour, reports a click to its parent like a static.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: {
      RECT rect{};
      ::GetClientRect(hwnd, &rect);
      ::FillRect(reinterpret_cast<HDC>(wParam), &rect, PanelBrush());
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

LRESULT CALLBACK ForwardingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR refData) {
  auto* form = reinterpret_cast<TUSBForm*>(refData);
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      if (form && form->Handle()) return ::SendMessageW(form->Handle(), msg, wParam, lParam);
      break;
    case WM_ERASEBKGND: {
      // A group box paints only its frame; the window clips its children, so fill here.
      RECT rect{};
      ::GetClientRect(hwnd, &rect);
      ::FillRect(reinterpret_cast<HDC>(wParam), &rect, ::GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, &ForwardingProc, 0);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace form
