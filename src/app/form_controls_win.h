#pragma once
// What the window's own files share: control ids, colours and a few small
// Win32 helpers.
#include <windows.h>

#include <algorithm>
#include <string>

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
inline const int ProgressRange = 65535;
// Shortest time between two paints of a moving progress bar: under Wine one
// paint costs some twenty server round trips.
inline const ULONGLONG ProgressPaintGapMs = 250;

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

// Newer user32 entry points, looked up so the program still starts on older systems.
template <typename Fn>
Fn User32Function(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (!user32) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name)));
}

inline UINT SystemDpi() {
  HDC screen = ::GetDC(nullptr);
  UINT dpi = screen ? static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSX)) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi ? dpi : 96;
}

inline UINT WindowDpi(HWND hwnd) {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
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


}  // namespace form
