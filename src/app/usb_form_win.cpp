#include "app/usb_form.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <uxtheme.h>

#include <algorithm>
#include <cmath>

#include "base/failure.h"
#include "base/message_pump.h"
#include "drives/host_checks.h"
#include "drives/usb_drives.h"

TUSBForm* USBForm = nullptr;

const wchar_t* const ProductWebAddress = L"https://quillora.app/";

const wchar_t* const RecoveryGuideText =
    L"If create bootable USB disk failed, sometimes the USB disk will be unusable, you can try the "
    L"following steps to recover it:\r\n\r\n"
    L"1. Insert your USB disk, click \"Start\", and then click \"Control Panel\".\r\n"
    L"(a) For Win7/Vista, in the \"System and Security\", click \"Administrative Tools\", and then "
    L"double-click \"Computer Management\".\r\n"
    L"(b) For WinXP, in the \"Performance and Maintenance\", click \"Administrative Tools\", and "
    L"then double-click \"Computer Management\".\r\n\r\n"
    L"2. In \"Computer Management\" console tree, expand \"Storage\", click \"Disk "
    L"Management\".\r\n\r\n"
    L"3. In \"Disk Management\", right-click your USB disk (unallocated space), and then click "
    L"\"New Simple Volume\", the \"New Simple Volume Wizard\" should appear, step-by-step, that "
    L"is all.";

namespace {

const wchar_t* const FormClassName = L"TUSBForm";
const wchar_t* const PanelClassName = L"TPanel";

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

const COLORREF PanelColour = RGB(0xF0, 0xF0, 0xF0);
const COLORREF TipColour = RGB(0, 0, 0xFF);
const COLORREF WarningColour = RGB(0xFF, 0, 0);
const int ProgressRange = 65535;
// Shortest time between two paints of a moving progress bar.
const ULONGLONG ProgressPaintGapMs = 250;

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

// Newer user32 entry points, looked up so the program still starts on older systems.
template <typename Fn>
Fn User32Function(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  if (!user32) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name)));
}

UINT SystemDpi() {
  HDC screen = ::GetDC(nullptr);
  UINT dpi = screen ? static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSX)) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi ? dpi : 96;
}

UINT WindowDpi(HWND hwnd) {
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (getDpiForWindow && hwnd) {
    UINT dpi = getDpiForWindow(hwnd);
    if (dpi) return dpi;
  }
  return SystemDpi();
}

std::wstring WindowText(HWND hwnd) {
  if (!hwnd) return {};
  int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(copied, 0)));
  return text;
}

// Text of a combo-box item; false when the item cannot be read.
bool ComboItemText(HWND combo, LRESULT index, std::wstring& text) {
  if (!combo || index < 0) return false;
  LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR || length < 0) return false;
  std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
  LRESULT copied = ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                  reinterpret_cast<LPARAM>(buffer.data()));
  if (copied == CB_ERR || copied < 0) return false;
  buffer.resize(static_cast<size_t>(std::min(copied, length)));
  text = std::move(buffer);
  return true;
}

bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HCURSOR cursor,
                         HBRUSH background) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  if (::RegisterClassExW(&wc)) return true;
  return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
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

TUSBForm::TUSBForm() {
  if (!USBForm) USBForm = this;
}

TUSBForm::~TUSBForm() {
  Destroy();
  if (USBForm == this) USBForm = nullptr;
}

int TUSBForm::Scale(int logical) const { return ::MulDiv(logical, static_cast<int>(FDpi), 96); }

void TUSBForm::Create(HINSTANCE instance, bool visible) {
  if (FHandle) return;
  FInstance = instance;
  FPanelBrush.Reset(::CreateSolidBrush(PanelColour));
  if (!RegisterWindowClass(instance, FormClassName, &TUSBForm::WindowProc,
                           ::LoadCursorW(nullptr, IDC_ARROW),
                           reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))) ||
      !RegisterWindowClass(instance, PanelClassName, &TUSBForm::PanelProc,
                           ::LoadCursorW(nullptr, IDC_HAND), nullptr))
    throw EFailure(L"The window class cannot be registered");

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  HWND hwnd = ::CreateWindowExW(WS_EX_CONTROLPARENT, FormClassName, L"Quillora", style,
                                CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance,
                                this);
  if (!hwnd) throw EFailure(L"The window cannot be created");
  FDpi = WindowDpi(hwnd);
  SizeClientArea();

  // Centre on the work area of the window's monitor.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  RECT frame{};
  ::GetWindowRect(hwnd, &frame);
  if (::GetMonitorInfoW(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    const RECT& area = monitor.rcWork;
    int w = frame.right - frame.left, h = frame.bottom - frame.top;
    ::SetWindowPos(hwnd, nullptr, area.left + std::max(0L, (area.right - area.left - w) / 2),
                   area.top + std::max(0L, (area.bottom - area.top - h) / 2), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  CreateFonts();
  CreateControls();
  Guarded([this] { FormCreate(); });
  if (visible) {
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    ::UpdateWindow(hwnd);
    if (ISOFileEdit) ::SetFocus(ISOFileEdit);
  }
}

void TUSBForm::SizeClientArea() {
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(FHandle, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(FHandle, GWL_EXSTYLE));
  RECT rect{0, 0, Scale(318), Scale(350)};
  static const auto adjustForDpi =
      User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  if (!adjustForDpi || !adjustForDpi(&rect, style, FALSE, exStyle, FDpi))
    ::AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  ::SetWindowPos(FHandle, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A menu bar or caption wrapping can still change the client height: correct once.
  RECT client{};
  ::GetClientRect(FHandle, &client);
  int dw = Scale(318) - client.right, dh = Scale(350) - client.bottom;
  if (dw || dh) {
    RECT frame{};
    ::GetWindowRect(FHandle, &frame);
    ::SetWindowPos(FHandle, nullptr, 0, 0, frame.right - frame.left + dw,
                   frame.bottom - frame.top + dh, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TUSBForm::CreateFonts() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  static const auto forDpi =
      User32Function<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
  LOGFONTW font{};
  if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, FDpi)) {
    font = metrics.lfMessageFont;
  } else if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    font = metrics.lfMessageFont;
    font.lfHeight = ::MulDiv(font.lfHeight, static_cast<int>(FDpi), static_cast<int>(SystemDpi()));
  } else {
    font.lfHeight = -Scale(12);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(font.lfFaceName, L"Segoe UI");
  }
  FFont.Reset(::CreateFontIndirectW(&font));
  font.lfUnderline = TRUE;
  FUnderlineFont.Reset(::CreateFontIndirectW(&font));
}

HWND TUSBForm::MakeControl(const wchar_t* className, const wchar_t* text, DWORD style,
                           DWORD exStyle, HWND parent, int id, int x, int y, int w, int h,
                           bool autoSize) {
  HWND control = ::CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0,
                                   0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   FInstance, nullptr);
  if (!control) throw EFailure(std::wstring(L"The control cannot be created: ") + className);
  FLayout.push_back({control, x, y, w, h, autoSize});
  return control;
}

void TUSBForm::CreateControls() {
  const DWORD group = BS_GROUPBOX | WS_CLIPCHILDREN;
  const DWORD groupEx = WS_EX_CONTROLPARENT;
  const DWORD button = BS_PUSHBUTTON | WS_TABSTOP;
  const DWORD edit = ES_AUTOHSCROLL | WS_TABSTOP;
  const DWORD combo = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
  const DWORD label = SS_LEFTNOWORDWRAP | SS_NOPREFIX;
  HWND w = FHandle;

  ISOFileEditGroupBox = MakeControl(WC_BUTTONW, L"ISO File", group, groupEx, w,
                                    IdISOFileEditGroupBox, 12, 5, 293, 45);
  ISOFileEdit = MakeControl(WC_EDITW, L"", edit, WS_EX_CLIENTEDGE, ISOFileEditGroupBox,
                            IdISOFileEdit, 14, 17, 210, 20);
  BrowseButton = MakeControl(WC_BUTTONW, L"Browse", button, 0, ISOFileEditGroupBox,
                             IdBrowseButton, 230, 17, 49, 19);
  USBDriveGroupBox = MakeControl(WC_BUTTONW, L"USB Drive", group, groupEx, w, IdUSBDriveGroupBox,
                                 12, 54, 293, 209);
  DriveGroupBox = MakeControl(WC_BUTTONW, L"Drive (Burning will erase ALL data on USB disk)",
                              group, groupEx, USBDriveGroupBox, IdDriveGroupBox, 12, 18, 267, 63);
  DriveComboBox = MakeControl(WC_COMBOBOXW, L"", combo, 0, DriveGroupBox, IdDriveComboBox, 12, 21,
                              188, 20);
  RefreshButton = MakeControl(WC_BUTTONW, L"Refresh", button, 0, DriveGroupBox, IdRefreshButton,
                              207, 21, 50, 19);
  CapacityLabel = MakeControl(WC_STATICW, L"USB disk capacity must be larger than iso file.", label,
                              0, DriveGroupBox, IdCapacityLabel, 12, 45, 241, 13);
  FileSystemGroupBox = MakeControl(WC_BUTTONW, L"File System", group, groupEx, USBDriveGroupBox,
                                   IdFileSystemGroupBox, 12, 89, 105, 52);
  FileSystemComboBox = MakeControl(WC_COMBOBOXW, L"", combo, 0, FileSystemGroupBox,
                                   IdFileSystemComboBox, 12, 21, 80, 20);
  for (const wchar_t* fs : {L"FAT32", L"NTFS", L"exFAT", L"FAT"})
    ::SendMessageW(FileSystemComboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(fs));
  ::SendMessageW(FileSystemComboBox, CB_SETCURSEL, 0, 0);
  LabelGroupBox = MakeControl(WC_BUTTONW, L"Volume Label (max 11 chars)", group, groupEx,
                              USBDriveGroupBox, IdLabelGroupBox, 128, 89, 151, 52);
  LabelEdit = MakeControl(WC_EDITW, L"", edit, WS_EX_CLIENTEDGE, LabelGroupBox, IdLabelEdit, 14, 21,
                          123, 20);
  BootableCheckBox = MakeControl(WC_BUTTONW, L"Bootable, only supports Windows ISO image.",
                                 BS_AUTOCHECKBOX | WS_TABSTOP, 0, USBDriveGroupBox,
                                 IdBootableCheckBox, 14, 145, 265, 16);
  TipLabel1 = MakeControl(WC_STATICW, L"USB disk should have only one partition.", label, 0,
                          USBDriveGroupBox, IdTipLabel1, 18, 161, 0, 0, true);
  TipLabel2 = MakeControl(WC_STATICW, L"Do not use on USB which has multiple partitions.", label, 0,
                          USBDriveGroupBox, IdTipLabel2, 18, 174, 0, 0, true);
  // X is fixed by FormCreate, once the label knows its width.
  TipLabel3 = MakeControl(WC_STATICW, L"If create failed and USB be unusable:", label, 0,
                          USBDriveGroupBox, IdTipLabel3, 0, 187, 0, 0, true);
  TipPanel = MakeControl(PanelClassName, L"", WS_CLIPCHILDREN, 0, USBDriveGroupBox, IdTipPanel, 204,
                         188, 81, 15);
  // Not SS_NOTIFY: the label lets the mouse through to the panel (click, hand cursor).
  TipLabel4 = MakeControl(WC_STATICW, L"recovery guide.", SS_RIGHT | SS_NOPREFIX, 0, TipPanel,
                          IdTipLabel4, 0, -2, 0, 0, true);
  StatusGroupBox = MakeControl(WC_BUTTONW, L"Status", group & ~static_cast<DWORD>(WS_CLIPCHILDREN),
                               groupEx, w, IdStatusGroupBox, 12, 267, 293, 42);
  ProgressBar = MakeControl(PROGRESS_CLASSW, L"", PBS_SMOOTH, 0, StatusGroupBox, IdProgressBar, 14,
                            16, 265, 17);
  ::ShowWindow(ProgressBar, SW_HIDE);
  // The themed bar animates and would paint over the status text.
  ::SetWindowTheme(ProgressBar, L"", L"");
  ::SendMessageW(ProgressBar, PBM_SETRANGE32, 0, ProgressRange);
  StatusLabel = MakeControl(WC_STATICW, L"", SS_CENTER | SS_NOPREFIX, WS_EX_TRANSPARENT,
                            StatusGroupBox, IdStatusLabel, 14, 18, 265, 12);
  // Children stack in creation order with the first on top: lift the label over the bar.
  ::SetWindowPos(StatusLabel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::SetWindowSubclass(ProgressBar, &TUSBForm::ProgressBarProc, 0, reinterpret_cast<DWORD_PTR>(this));
  // The two notes may overlap with wide fonts: both see-through, so neither
  // paints its box over the other's text.
  MsgLabel1 = MakeControl(WC_STATICW, L"Freeware, use at your own risk.", label, WS_EX_TRANSPARENT,
                          w, IdMsgLabel1, 12, 306, 0, 0, true);
  MsgLabel2 = MakeControl(WC_STATICW, L"USB disk will be formatted.", SS_RIGHT | SS_NOPREFIX,
                          WS_EX_TRANSPARENT, w, IdMsgLabel2, 168, 309, 0, 0, true);
  BurnButton = MakeControl(WC_BUTTONW, L"Burn", button, 0, w, IdBurnButton, 170, 326, 65, 19);
  CloseButton = MakeControl(WC_BUTTONW, L"Close", button, 0, w, IdCloseButton, 239, 326, 65, 19);
  WebPanel = MakeControl(PanelClassName, L"", WS_CLIPCHILDREN, 0, w, IdWebPanel, 12, 322, 93, 15);
  WebLabel = MakeControl(WC_STATICW, WebLabelText().c_str(), label, 0, WebPanel, IdWebLabel, 0, 0, 0, 0,
                         true);

  // A group box keeps WM_COMMAND and colour requests of its children to itself: pass them on.
  for (HWND parent : {ISOFileEditGroupBox, USBDriveGroupBox, DriveGroupBox, FileSystemGroupBox,
                      LabelGroupBox, StatusGroupBox})
    ::SetWindowSubclass(parent, &TUSBForm::ForwardingProc, 0, reinterpret_cast<DWORD_PTR>(this));

  ApplyLayout();
}

void TUSBForm::ApplyLayout() {
  for (const TLayoutItem& item : FLayout) {
    HFONT font = static_cast<HFONT>(
        (item.Control == TipLabel4 || item.Control == WebLabel) ? FUnderlineFont.Get() : FFont.Get());
    ::SendMessageW(item.Control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    int w = Scale(item.W), h = Scale(item.H);
    if (item.AutoSize) {
      std::wstring text = WindowText(item.Control);
      HDC dc = ::GetDC(item.Control);
      HGDIOBJ old = ::SelectObject(dc, font);
      RECT rect{0, 0, 0, 0};
      ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
                  DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
      ::SelectObject(dc, old);
      ::ReleaseDC(item.Control, dc);
      w = rect.right - rect.left;
      h = rect.bottom - rect.top;
    }
    ::SetWindowPos(item.Control, nullptr, Scale(item.X), Scale(item.Y), w, h,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    wchar_t className[32] = {};
    ::GetClassNameW(item.Control, className, 32);
    if (_wcsicmp(className, WC_COMBOBOXW) == 0) {
      // The selection field is the control's visible height; the list drops below it.
      LRESULT field = ::SendMessageW(item.Control, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
      RECT rect{};
      ::GetWindowRect(item.Control, &rect);
      int border = (rect.bottom - rect.top) - static_cast<int>(field);
      if (field > 0 && border > 0 && h - border > 0)
        ::SendMessageW(item.Control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), h - border);
      ::SetWindowPos(item.Control, nullptr, 0, 0, w, h + Scale(160),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  PlaceTipLabel3();
  ::InvalidateRect(FHandle, nullptr, TRUE);
}

void TUSBForm::PlaceTipLabel3() {
  if (!TipLabel3 || !TipPanel) return;
  RECT label{}, panel{};
  ::GetWindowRect(TipLabel3, &label);
  ::GetWindowRect(TipPanel, &panel);
  ::MapWindowPoints(nullptr, ::GetParent(TipPanel), reinterpret_cast<POINT*>(&panel), 2);
  ::MapWindowPoints(nullptr, ::GetParent(TipLabel3), reinterpret_cast<POINT*>(&label), 2);
  int x = panel.left - (label.right - label.left) - Scale(6);
  ::SetWindowPos(TipLabel3, nullptr, x, label.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- event handlers ---

void TUSBForm::FormCreate() {
  ScriptFile = MakeUniqueTempName(L"temp.dat");
  std::wstring exe(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
    if (length == 0) {
      exe.clear();
      break;
    }
    if (length < exe.size()) {
      exe.resize(length);
      break;
    }
    exe.resize(exe.size() * 2);
  }
  size_t slash = exe.find_last_of(L"\\/");
  App_Path = slash == std::wstring::npos ? std::wstring() : exe.substr(0, slash + 1);
  ScriptStringList.clear();
  diskpart_path = L"diskpart.exe";
  format_path = L"format.com";
  label_path = L"label";
  dism_path = L"dism.exe";
  try {
    bootsect_path = App_Path + BootSectProgramName();
  } catch (...) {
    bootsect_path = App_Path + L"bootsect_x86.exe";
  }
  ListUsbDrives(DriveComboBox);
  ::SendMessageW(DriveComboBox, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  PlaceTipLabel3();
  ReadOut = INVALID_HANDLE_VALUE;
  WriteOut = INVALID_HANDLE_VALUE;
  ProcessInfo.hProcess = nullptr;
  Wnd = FHandle;
}

void TUSBForm::FormDestroy() {
  ScriptStringList.clear();
  try {
    if (!ScriptFile.empty() && FileExists(ScriptFile)) ::DeleteFileW(ScriptFile.c_str());
  } catch (...) {
    // The script file is a leftover at worst.
  }
  ReleaseToolProcess();
}

void TUSBForm::FormCloseQuery(bool& canClose) {
  canClose = CloseButton && ::IsWindowEnabled(CloseButton);
}

void TUSBForm::Close() {
  if (FHandle) ::SendMessageW(FHandle, WM_CLOSE, 0, 0);
}

void TUSBForm::Destroy() {
  if (FHandle) ::DestroyWindow(FHandle);
}

void TUSBForm::CloseButtonClick() { Close(); }

void TUSBForm::RefreshButtonClick() {
  ListUsbDrives(DriveComboBox);
  ::SendMessageW(DriveComboBox, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void TUSBForm::BootableCheckBoxChange() {
  if (::SendMessageW(BootableCheckBox, BM_GETCHECK, 0, 0) != BST_CHECKED) return;
  if (GetSelectedFileSystem() == L"FAT32") return;
  LRESULT count = ::SendMessageW(FileSystemComboBox, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring text;
    if (ComboItemText(FileSystemComboBox, i, text) && text == L"FAT32") {
      ::SendMessageW(FileSystemComboBox, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
      return;
    }
  }
}

void TUSBForm::TipPanelClick() {
  ShowMessage(RecoveryGuideText, L"Information", MB_OK | MB_ICONINFORMATION);
}

void TUSBForm::WebPanelClick() {
  ::ShellExecuteW(nullptr, L"open", ProductWebAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

// --- operations ---

std::wstring TUSBForm::GetSelectedDrive() {
  std::wstring text;
  if (!DriveComboBox) return text;
  LRESULT index = ::SendMessageW(DriveComboBox, CB_GETCURSEL, 0, 0);
  if (!ComboItemText(DriveComboBox, index, text)) return std::wstring();
  return text;
}

std::wstring TUSBForm::GetSelectedFileSystem() {
  std::wstring text;
  if (!FileSystemComboBox) return L"FAT32";
  LRESULT index = ::SendMessageW(FileSystemComboBox, CB_GETCURSEL, 0, 0);
  if (!ComboItemText(FileSystemComboBox, index, text)) return L"FAT32";
  return text;
}

void TUSBForm::SetStatus(const std::wstring& text) {
  SetControlText(StatusLabel, text);
  ProcessMessages();
}

void TUSBForm::EnableControls(bool enabled) {
  const HWND controls[] = {BrowseButton,       RefreshButton,    CloseButton,
                           BurnButton,         DriveComboBox,    FileSystemComboBox,
                           BootableCheckBox,   ISOFileEdit,      LabelEdit};
  if (!enabled) {
    // Keep the keyboard on the window while its controls are off.
    HWND focus = ::GetFocus();
    for (HWND control : controls)
      if (control && focus && (focus == control || ::IsChild(control, focus))) {
        FFocusBeforeDisable = control;
        ::SetFocus(FHandle);
      }
  }
  for (HWND control : controls)
    if (control) ::EnableWindow(control, enabled ? TRUE : FALSE);
  for (HWND control : {BrowseButton, RefreshButton, CloseButton, BurnButton})
    if (control) ::RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ProcessMessages();
  for (HWND control : {ISOFileEdit, LabelEdit})
    if (control) ::RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ProcessMessages();
  if (enabled && FFocusBeforeDisable) {
    if (FHandle && ::GetFocus() == FHandle && ::IsWindowEnabled(FFocusBeforeDisable))
      ::SetFocus(FFocusBeforeDisable);
    FFocusBeforeDisable = nullptr;
  }
}

int TUSBForm::ShowMessage(const std::wstring& text, const std::wstring& title, UINT flags) {
  if (MessageBoxHook) return MessageBoxHook(text, title, flags);
  return ::MessageBoxW(Wnd, text.c_str(), title.c_str(), flags);
}

void TUSBForm::ShowUncaughtFailure(const std::wstring& message) {
  ShowMessage(UncaughtFailureText(message), L"Quillora", MB_OK);
}

void TUSBForm::ProcessMessages() { ProcessPendingMessages(); }

std::wstring TUSBForm::ControlText(HWND control) const { return WindowText(control); }

void TUSBForm::SetControlText(HWND control, const std::wstring& text) {
  if (!control) return;
  ::SetWindowTextW(control, text.c_str());
  if (control == StatusLabel) RedrawStatus();
}

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

std::wstring TUSBForm::ShowOpenDialog() {
  if (OpenDialogHook) return OpenDialogHook();
  std::wstring buffer(32768, L'\0');
  static const wchar_t filter[] = L"ISO Files (*.iso)\0*.iso\0";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = Wnd;
  dialog.lpstrFilter = filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrDefExt = L"iso";
  // NOCHANGEDIR: the current folder must not wander to where the image lies.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  if (!::GetOpenFileNameW(&dialog)) return std::wstring();
  buffer.resize(wcsnlen(buffer.c_str(), buffer.size()));
  return buffer;
}

// --- window procedures ---

template <typename Handler>
void TUSBForm::Guarded(Handler&& handler) {
  try {
    handler();
  } catch (const EFailure& failure) {
    ShowUncaughtFailure(failure.Message());
  } catch (const std::exception& failure) {
    std::string narrow = failure.what();
    int length = ::MultiByteToWideChar(CP_UTF8, 0, narrow.c_str(), static_cast<int>(narrow.size()),
                                       nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(length, 0)), L'\0');
    if (length > 0)
      ::MultiByteToWideChar(CP_UTF8, 0, narrow.c_str(), static_cast<int>(narrow.size()),
                            wide.data(), length);
    ShowUncaughtFailure(wide);
  }
}

void TUSBForm::Dispatch(int id, int code) {
  switch (id) {
    case IdBrowseButton:
      if (code == BN_CLICKED) Guarded([this] { BrowseButtonClick(); });
      break;
    case IdRefreshButton:
      if (code == BN_CLICKED) Guarded([this] { RefreshButtonClick(); });
      break;
    case IdBootableCheckBox:
      if (code == BN_CLICKED) Guarded([this] { BootableCheckBoxChange(); });
      break;
    case IdBurnButton:
      if (code == BN_CLICKED) Guarded([this] { BurnButtonClick(); });
      break;
    case IdCloseButton:
      if (code == BN_CLICKED) Guarded([this] { CloseButtonClick(); });
      break;
    case IdTipPanel:
      if (code == STN_CLICKED) Guarded([this] { TipPanelClick(); });
      break;
    case IdWebPanel:
      if (code == STN_CLICKED) Guarded([this] { WebPanelClick(); });
      break;
    default:
      break;
  }
}

LRESULT TUSBForm::ColourStatic(HDC dc, HWND control) {
  if (control == StatusLabel && ProgressBarVisible) {
    ::SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }
  if (control == TipLabel1 || control == TipLabel2 || control == TipLabel3 || control == TipLabel4)
    ::SetTextColor(dc, TipColour);
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

LRESULT TUSBForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (lParam) Dispatch(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CLOSE: {
      bool canClose = true;
      bool answered = false;
      Guarded([&] {
        FormCloseQuery(canClose);
        answered = true;
      });
      if (answered && canClose) ::DestroyWindow(FHandle);
      return 0;
    }
    case WM_DESTROY:
      Guarded([this] { FormDestroy(); });
      if (QuitOnDestroy) ::PostQuitMessage(0);
      return 0;
    case WM_DPICHANGED: {
      FDpi = HIWORD(wParam) ? HIWORD(wParam) : FDpi;
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(FHandle, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      SizeClientArea();
      // The controls hold the old fonts until the layout hands out the new ones.
      TGdiObject oldFont = std::move(FFont), oldUnderlineFont = std::move(FUnderlineFont);
      CreateFonts();
      ApplyLayout();
      return 0;
    }
    default:
      return ::DefWindowProcW(FHandle, msg, wParam, lParam);
  }
}

LRESULT CALLBACK TUSBForm::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TUSBForm* form = nullptr;
  if (msg == WM_NCCREATE) {
    form = static_cast<TUSBForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->FHandle = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  } else {
    form = reinterpret_cast<TUSBForm*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!form) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    form->FHandle = nullptr;
    form->Wnd = nullptr;
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  return form->HandleMessage(msg, wParam, lParam);
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
