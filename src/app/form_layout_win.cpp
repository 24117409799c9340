// Where the controls sit and which font they use.
#include "app/form_layout.h"
#include "app/usb_form.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "app/form_controls_win.h"
#include "app/form_scale.h"
#include "base/ascii_text.h"
#include "base/failure.h"

using namespace form;

namespace {

// Windows' "Make text bigger" setting, in percent; 100 when unset.
unsigned TextScalePercent() {
  DWORD value = 0, size = sizeof(value);
  if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Accessibility", L"TextScaleFactor",
                     RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return 100;
  return value;
}

// The address as shown: without scheme and final slash, so it fits its panel.
std::wstring WebLabelText() {
  std::wstring text = ProductWebAddress;
  for (const wchar_t* scheme : {L"https://", L"http://"})
    if (text.rfind(scheme, 0) == 0) text.erase(0, wcslen(scheme));
  if (!text.empty() && text.back() == L'/') text.pop_back();
  return text;
}

}  // namespace

void TFormLayout::SetUp(HWND window, UINT dpi) {
  FDpi = dpi;
  CreateFonts(window);
  SizeClientArea(window);
}

void TFormLayout::ChangeDpi(HWND window, UINT dpi) {
  // The controls hold the old fonts until the layout hands out the new ones.
  TGdiObject oldFont = std::move(FFont), oldUnderlineFont = std::move(FUnderlineFont);
  SetUp(window, dpi);
  Apply(window);
}

void TFormLayout::SizeClientArea(HWND window) {
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE));
  RECT rect{0, 0, ScaleX(FClientWidth), ScaleY(FClientHeight)};
  const auto adjustForDpi = OptionalApi::AdjustWindowRectExForDpi();
  if (!adjustForDpi || !adjustForDpi(&rect, style, FALSE, exStyle, FDpi))
    ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  ::SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A menu bar or caption wrapping can still change the client height: correct once.
  RECT client{};
  ::GetClientRect(window, &client);
  int dw = ScaleX(FClientWidth) - client.right, dh = ScaleY(FClientHeight) - client.bottom;
  if (dw || dh) {
    RECT frame{};
    ::GetWindowRect(window, &frame);
    ::SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + dw,
                   frame.bottom - frame.top + dh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TFormLayout::CreateFonts(HWND window) {
  LOGFONTW font{};
  font.lfHeight = -FontPixelHeight(8, FDpi, TextScalePercent());
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  wcscpy_s(font.lfFaceName, L"MS Shell Dlg 2");
  FFont.Reset(::CreateFontIndirectW(&font));
  font.lfUnderline = TRUE;
  FUnderlineFont.Reset(::CreateFontIndirectW(&font));

  // Measured once, as dialog units are: the layout grows with a larger font.
  TFontCell cell = DesignFontCell;
  FLineHeight = cell.Height;
  TScopedDC dc(window);
  if (dc) {
    dc.Select(FFont.Get());
    TEXTMETRICW metrics{};
    SIZE letters{};
    static const wchar_t alphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    if (::GetTextMetricsW(dc.Get(), &metrics) && ::GetTextExtentPoint32W(dc.Get(), alphabet, 52, &letters)) {
      cell = {AverageCharWidth(letters.cx), metrics.tmHeight};
      FLineHeight = metrics.tmHeight;
    }
  }
  FScale = TLayoutScale(FDpi, cell);
}

HWND TFormLayout::MakeControl(HINSTANCE instance, const wchar_t* className, const wchar_t* text, DWORD style,
                              DWORD exStyle, HWND parent, int id, int x, int y, int w, int h, bool autoSize) {
  HWND control = ::CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0,
                                   0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   instance, nullptr);
  if (!control) throw EFailure(std::wstring(L"The control cannot be created: ") + className);
  FItems.push_back({control, x, y, w, h, autoSize});
  return control;
}

void TFormLayout::Underline(HWND control) {
  for (TItem& item : FItems)
    if (item.Control == control) item.Underlined = true;
}

void TFormLayout::KeepLeftOf(HWND control, HWND anchor, int gap) {
  for (TItem& item : FItems)
    if (item.Control == control) {
      item.LeftOf = anchor;
      item.Gap = gap;
    }
}

void TUSBForm::CreateControls() {
  const DWORD group = BS_GROUPBOX | WS_CLIPCHILDREN;
  const DWORD groupEx = WS_EX_CONTROLPARENT;
  const DWORD button = BS_PUSHBUTTON | WS_TABSTOP;
  const DWORD edit = ES_AUTOHSCROLL | WS_TABSTOP;
  const DWORD combo = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
  const DWORD label = SS_LEFTNOWORDWRAP | SS_NOPREFIX;
  HWND w = FHandle;

  ISOFileEditGroupBox = Layout.MakeControl(FInstance, WC_BUTTONW, L"ISO File", group, groupEx, w,
                                    IdISOFileEditGroupBox, 12, 5, 293, 45);
  ISOFileEdit = Layout.MakeControl(FInstance, WC_EDITW, L"", edit, WS_EX_CLIENTEDGE, ISOFileEditGroupBox,
                            IdISOFileEdit, 14, 17, 210, 20);
  BrowseButton = Layout.MakeControl(FInstance, WC_BUTTONW, L"Browse", button, 0, ISOFileEditGroupBox,
                             IdBrowseButton, 230, 17, 49, 19);
  USBDriveGroupBox = Layout.MakeControl(FInstance, WC_BUTTONW, L"USB Drive", group, groupEx, w, IdUSBDriveGroupBox,
                                 12, 54, 293, 209);
  DriveGroupBox = Layout.MakeControl(FInstance, WC_BUTTONW, L"Drive (Burning will erase ALL data on USB disk)",
                              group, groupEx, USBDriveGroupBox, IdDriveGroupBox, 12, 18, 267, 63);
  DriveComboBox = Layout.MakeControl(FInstance, WC_COMBOBOXW, L"", combo, 0, DriveGroupBox, IdDriveComboBox, 12, 21,
                              188, 20);
  RefreshButton = Layout.MakeControl(FInstance, WC_BUTTONW, L"Refresh", button, 0, DriveGroupBox, IdRefreshButton,
                              207, 21, 50, 19);
  CapacityLabel = Layout.MakeControl(FInstance, WC_STATICW, L"USB disk capacity must be larger than iso file.", label,
                              0, DriveGroupBox, IdCapacityLabel, 12, 45, 241, 13);
  FileSystemGroupBox = Layout.MakeControl(FInstance, WC_BUTTONW, L"File System", group, groupEx, USBDriveGroupBox,
                                   IdFileSystemGroupBox, 12, 89, 105, 52);
  FileSystemComboBox = Layout.MakeControl(FInstance, WC_COMBOBOXW, L"", combo, 0, FileSystemGroupBox,
                                   IdFileSystemComboBox, 12, 21, 80, 20);
  for (const wchar_t* fs : {L"FAT32", L"NTFS", L"exFAT", L"FAT"})
    ::SendMessageW(FileSystemComboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fs));
  ::SendMessageW(FileSystemComboBox, CB_SETCURSEL, 0, 0);
  LabelGroupBox = Layout.MakeControl(FInstance, WC_BUTTONW, L"Volume Label (max 11 chars)", group, groupEx,
                              USBDriveGroupBox, IdLabelGroupBox, 128, 89, 151, 52);
  LabelEdit = Layout.MakeControl(FInstance, WC_EDITW, L"", edit, WS_EX_CLIENTEDGE, LabelGroupBox, IdLabelEdit, 14, 21,
                          123, 20);
  BootableCheckBox = Layout.MakeControl(FInstance, WC_BUTTONW, L"Bootable, only supports Windows ISO image.",
                                 BS_AUTOCHECKBOX | WS_TABSTOP, 0, USBDriveGroupBox,
                                 IdBootableCheckBox, 14, 145, 265, 16);
  TipLabel1 = Layout.MakeControl(FInstance, WC_STATICW, L"USB disk should have only one partition.", label, 0,
                          USBDriveGroupBox, IdTipLabel1, 18, 161, 0, 0, true);
  TipLabel2 = Layout.MakeControl(FInstance, WC_STATICW, L"Do not use on USB which has multiple partitions.", label, 0,
                          USBDriveGroupBox, IdTipLabel2, 18, 174, 0, 0, true);
  // X is fixed by FormCreate, once the label knows its width.
  TipLabel3 = Layout.MakeControl(FInstance, WC_STATICW, L"If create failed and USB be unusable:", label, 0,
                          USBDriveGroupBox, IdTipLabel3, 0, 187, 0, 0, true);
  TipPanel = Layout.MakeControl(FInstance, PanelClassName, L"", WS_CLIPCHILDREN, 0, USBDriveGroupBox, IdTipPanel, 204,
                         188, 81, 15);
  // Not SS_NOTIFY: the label lets the mouse through to the panel (click, hand cursor).
  TipLabel4 = Layout.MakeControl(FInstance, WC_STATICW, L"recovery guide.", SS_RIGHT | SS_NOPREFIX, 0, TipPanel,
                          IdTipLabel4, 0, -2, 0, 0, true);
  StatusGroupBox = Layout.MakeControl(FInstance, WC_BUTTONW, L"Status", group & ~static_cast<DWORD>(WS_CLIPCHILDREN),
                               groupEx, w, IdStatusGroupBox, 12, 267, 293, 42);
  ProgressBar = Layout.MakeControl(FInstance, PROGRESS_CLASSW, L"", PBS_SMOOTH, 0, StatusGroupBox, IdProgressBar, 14,
                            16, 265, 17);
  ::ShowWindow(ProgressBar, SW_HIDE);
  // The themed bar animates and would paint over the status text.
  ::SetWindowTheme(ProgressBar, L"", L"");
  StatusLabel = Layout.MakeControl(FInstance, WC_STATICW, L"", SS_CENTER | SS_NOPREFIX, WS_EX_TRANSPARENT,
                            StatusGroupBox, IdStatusLabel, 14, 18, 265, 12);
  // Children stack in creation order with the first on top: lift the label over the bar.
  ::SetWindowPos(StatusLabel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  StatusPanel.Attach(StatusGroupBox, StatusLabel, ProgressBar);
  // The two notes may overlap with wide fonts: both see-through, so neither
  // paints its box over the other's text.
  MsgLabel1 = Layout.MakeControl(FInstance, WC_STATICW, L"Freeware, use at your own risk.", label, WS_EX_TRANSPARENT,
                          w, IdMsgLabel1, 12, 306, 0, 0, true);
  MsgLabel2 = Layout.MakeControl(FInstance, WC_STATICW, L"USB disk will be formatted.", SS_RIGHT | SS_NOPREFIX,
                          WS_EX_TRANSPARENT, w, IdMsgLabel2, 168, 309, 0, 0, true);
  BurnButton = Layout.MakeControl(FInstance, WC_BUTTONW, L"Burn", button, 0, w, IdBurnButton, 170, 326, 65, 19);
  CloseButton = Layout.MakeControl(FInstance, WC_BUTTONW, L"Close", button, 0, w, IdCloseButton, 239, 326, 65, 19);
  WebPanel = Layout.MakeControl(FInstance, PanelClassName, L"", WS_CLIPCHILDREN, 0, w, IdWebPanel, 12, 322, 93, 15);
  WebLabel = Layout.MakeControl(FInstance, WC_STATICW, WebLabelText().c_str(), label, 0, WebPanel, IdWebLabel, 0, 0, 0, 0,
                         true);

  // A group box keeps WM_COMMAND and colour requests of its children to itself: pass them on.
  for (HWND parent : {ISOFileEditGroupBox, USBDriveGroupBox, DriveGroupBox, FileSystemGroupBox,
                      LabelGroupBox, StatusGroupBox})
    ::SetWindowSubclass(parent, &ForwardingProc, 0, reinterpret_cast<DWORD_PTR>(this));

  Layout.Underline(TipLabel4);
  Layout.Underline(WebLabel);
  Layout.KeepLeftOf(TipLabel3, TipPanel, 6);
  Layout.Apply(FHandle);
}

void TFormLayout::Apply(HWND window) {
  for (const TItem& item : FItems) {
    HFONT font = static_cast<HFONT>(item.Underlined ? FUnderlineFont.Get() : FFont.Get());
    ::SendMessageW(item.Control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    int y = ScaleY(item.Y), w = ScaleX(item.W), h = ScaleY(item.H);
    if (item.AutoSize) {
      std::wstring text = WindowText(item.Control);
      RECT rect{0, 0, 0, 0};
      {
        TScopedDC dc(item.Control);
        dc.Select(font);
        ::DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &rect,
                    DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
      }
      w = rect.right - rect.left;
      h = rect.bottom - rect.top;
    }
    wchar_t className[32] = {};
    ::GetClassNameW(item.Control, className, 32);
    if (!item.AutoSize && SameTextIgnoringCase(className, WC_STATICW)) {
      const TVerticalSpan span = FScale.LabelSpan(item.Y, item.H, FLineHeight);
      y = span.Top;
      h = span.Height;
    }
    ::SetWindowPos(item.Control, nullptr, ScaleX(item.X), y, w, h,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    if (SameTextIgnoringCase(className, WC_COMBOBOXW)) {
      // The selection field is the control's visible height; the list drops below it.
      LRESULT field = ::SendMessageW(item.Control, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
      RECT rect{};
      ::GetWindowRect(item.Control, &rect);
      int border = (rect.bottom - rect.top) - static_cast<int>(field);
      if (field > 0 && border > 0 && h - border > 0)
        ::SendMessageW(item.Control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), h - border);
      ::SetWindowPos(item.Control, nullptr, 0, 0, w, h + ScaleY(160),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  for (const TItem& item : FItems)
    if (item.LeftOf) PlaceLeftOf(item);
  ::InvalidateRect(window, nullptr, TRUE);
}

void TFormLayout::PlaceLeftOf(const TItem& item) const {
  RECT label{}, panel{};
  ::GetWindowRect(item.Control, &label);
  ::GetWindowRect(item.LeftOf, &panel);
  ::MapWindowPoints(nullptr, ::GetParent(item.LeftOf), reinterpret_cast<POINT*>(&panel), 2);
  ::MapWindowPoints(nullptr, ::GetParent(item.Control), reinterpret_cast<POINT*>(&label), 2);
  int x = panel.left - (label.right - label.left) - ScaleX(item.Gap);
  ::SetWindowPos(item.Control, nullptr, x, label.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

