#pragma once
// What the window's own files share: control ids, colours and a few small
// Win32 helpers.
#include <windows.h>

#include <algorithm>
#include <string>

#include "base/optional_api.h"
#include "base/scoped_dc.h"

class TUSBForm;

namespace form {

inline const wchar_t* const FormClassName = L"TUSBForm";
inline const wchar_t* const PanelClassName = L"TPanel";

// Control ids start above IDOK/IDCANCEL: the dialog manager sends those for Enter and Esc.
enum : int {
  IdISOFileEditGroupBox = 100,
  IdISOFileEdit,
  IdBrowseButton,
  IdUSBDriveGroupBox,
  IdDriveGroupBox,
  IdDriveComboBox,
  IdRefreshButton,
  IdCapacityLabel,
  IdFileSystemGroupBox,
  IdFileSystemComboBox,
  IdLabelGroupBox,
  IdLabelEdit,
  IdBootableCheckBox,
  IdTipLabel1,
  IdTipLabel2,
  IdTipLabel3,
  IdTipPanel,
  IdTipLabel4,
  IdStatusGroupBox,
  IdProgressBar,
  IdStatusLabel,
  IdMsgLabel1,
  IdMsgLabel2,
  IdBurnButton,
  IdCloseButton,
  IdWebPanel,
  IdWebLabel,
};

inline const COLORREF PanelColour = RGB(0xF0, 0xF0, 0xF0);
inline const COLORREF TipColour = RGB(0, 0, 0xFF);
inline const COLORREF WarningColour = RGB(0xFF, 0, 0);
inline const COLORREF PanelTextColour = RGB(0, 0, 0);

inline UINT SystemDpi() {
  const TScopedDC screen(nullptr);
  UINT dpi = screen ? static_cast<UINT>(::GetDeviceCaps(screen.Get(), LOGPIXELSX)) : 96;
  return dpi ? dpi : 96;
}

inline UINT WindowDpi(HWND hwnd) {
  const auto getDpiForWindow = OptionalApi::GetDpiForWindow();
  if (getDpiForWindow && hwnd) {
    UINT dpi = getDpiForWindow(hwnd);
    if (dpi) return dpi;
  }
  return SystemDpi();
}

inline std::wstring WindowText(HWND hwnd) {
  if (!hwnd) return {};
  int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(copied, 0)));
  return text;
}

// Colours of the static controls and buttons (WM_CTLCOLORSTATIC, WM_CTLCOLORBTN).
LRESULT ColourStatic(const TUSBForm& form, HDC dc, HWND control);
// Flat panel: filled with the panel colour, reports a click to its parent like a static.
LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Passes what a group box keeps to itself on to the window (`refData`).
LRESULT CALLBACK ForwardingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                DWORD_PTR refData);

}  // namespace form
