#include "app/usb_form.h"

#include "app/form_controls_win.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dbt.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "burn/burn_job.h"
#include "app/burn_input.h"
#include "app/setup_options_dialog_win.h"
#include "burn/burn_rules.h"

#include "burn/stage_runner.h"
#include "base/ascii_text.h"
#include "base/byte_source.h"
#include "base/failure.h"
#include "base/message_pump.h"
#include "base/scope_guard.h"
#include "base/text_convert.h"
#include "drives/drive_list.h"
#include "drives/host_checks.h"
#include "drives/usb_drives.h"
#include "sevenzip/image_volume_id.h"

using namespace form;

const wchar_t* const ProductWebAddress = L"https://quillora.app/";

namespace {

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

}  // namespace

TUSBForm::~TUSBForm() { Destroy(); }

void TUSBForm::Create(HINSTANCE instance, bool visible) {
  if (FHandle) return;
  FInstance = instance;
  if (!RegisterWindowClass(instance, FormClassName, &TUSBForm::WindowProc,
                           ::LoadCursorW(nullptr, IDC_ARROW),
                           reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1))) ||
      !RegisterWindowClass(instance, PanelClassName, &PanelProc,
                           ::LoadCursorW(nullptr, IDC_HAND), nullptr))
    throw EFailure(L"The window class cannot be registered");

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  HWND hwnd = ::CreateWindowExW(WS_EX_CONTROLPARENT, FormClassName, L"Quillora", style,
                                CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance,
                                this);
  if (!hwnd) throw EFailure(L"The window cannot be created");
  Layout.SetUp(hwnd, WindowDpi(hwnd));

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

  CreateControls();
  try {
    FormCreate();
  } catch (...) {
    // A half-built window is of no use: the program ends with the failure.
    Destroy();
    throw;
  }
  if (visible) {
    ::ShowWindow(hwnd, SW_SHOWNORMAL);
    ::UpdateWindow(hwnd);
    if (ISOFileEdit) ::SetFocus(ISOFileEdit);
  }
}


void TUSBForm::FormCreate() {
  // A temp folder that offers no name for the script fails the start, not a burn.
  MakeUniqueTempName(DiskPartScriptName);
  SupportFiles = FindSupportFiles();
  RefreshDrives();
}

void TUSBForm::FormDestroy() { FShutdownBlock.reset(); }

void TUSBForm::FormCloseQuery(bool& canClose) {
  if (FBurning) AskToCancel();
  canClose = !FBurning && CloseButton && ::IsWindowEnabled(CloseButton);
}

void TUSBForm::AskToCancel() {
  if (!FRunningJob || FRunningJob->Cancelled()) return;
  FCancelQuestion.Ask(FHandle, MessageBoxHook);
}

void TUSBForm::Close() {
  if (FHandle) ::SendMessageW(FHandle, WM_CLOSE, 0, 0);
}

void TUSBForm::Destroy() {
  if (FHandle) ::DestroyWindow(FHandle);
}

void TUSBForm::CloseButtonClick() {
  if (FBurning)
    AskToCancel();
  else
    Close();
}

void TUSBForm::RefreshButtonClick() { RefreshDrives(); }

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

bool TUSBForm::Busy() const { return FBurning || (CloseButton && !::IsWindowEnabled(CloseButton)); }

// The panels are never disabled: while busy a box would hold the burn up,
// and a browser should not start from an administrator's burn.
void TUSBForm::TipPanelClick() {
  if (Busy()) return;
  ShowMessage(RecoveryGuideText, L"Information", MB_OK | MB_ICONINFORMATION);
}

void TUSBForm::WebPanelClick() {
  if (Busy()) return;
  ::ShellExecuteW(nullptr, L"open", ProductWebAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

namespace {
bool IsTicked(HWND checkBox) { return ::SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::wstring ShowOpenDialog(HWND owner) {
  std::wstring buffer(32768, L'\0');
  static const wchar_t filter[] = L"ISO Files (*.iso)\0*.iso\0";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
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

// The label field's text from the image's own volume id, blanks at both ends
// removed; none when the id cannot be read or is empty.
std::optional<std::wstring> VolumeLabelOf(const std::wstring& image) {
  const std::unique_ptr<IByteSource> file = OpenFileBytes(image);
  const std::optional<std::wstring> id = file ? ReadImageVolumeId(*file) : std::nullopt;
  const std::wstring trimmed = id ? TrimBlanks(*id) : std::wstring();
  if (trimmed.empty()) return std::nullopt;
  return VolumeLabelFromId(trimmed);
}
}  // namespace

void TUSBForm::BrowseButtonClick() {
  const std::wstring path = OpenDialogHook ? OpenDialogHook() : ShowOpenDialog(FHandle);
  if (path.empty()) return;
  if (!FileExists(path)) return;
  ::SetWindowTextW(ISOFileEdit, path.c_str());
  if (!CheckSupportFiles(SupportFiles, *this)) return;
  EnableControls(false);
  const TScopeGuard enable([this] { EnableControls(true); });
  const TStageTexts& texts = *StageTexts(ReadVolumeId);
  SetStatus(texts.Start);
  const std::optional<std::wstring> label = VolumeLabelOf(path);
  ::SetWindowTextW(LabelEdit, label ? label->c_str() : L"");
  if (label) {
    SetStatus(texts.Success);
  } else {
    SetStatus(StageErrorText);
    ShowStageBox(*this, *texts.FailureBox);
  }
}

void TUSBForm::BurnButtonClick() {
  const std::wstring drive = GetSelectedDrive();
  const TBurnInput input = CheckBurnInput(WindowText(ISOFileEdit), drive, WindowText(LabelEdit));
  // The edits show what the checks saw: trimmed, and the label cut.
  ::SetWindowTextW(ISOFileEdit, input.IsoFile.c_str());
  ::SetWindowTextW(LabelEdit, input.Label.c_str());
  switch (input.Verdict) {
    case TBurnInput::TVerdict::NoIsoFile:
      ShowMessage(NoIsoFileText, InformationTitle, MB_ICONINFORMATION);
      return;
    case TBurnInput::TVerdict::NoUsbDrive:
      ShowMessage(NoUsbDriveText, InformationTitle, MB_ICONINFORMATION);
      return;
    case TBurnInput::TVerdict::InvalidLabel:
      ShowMessage(InvalidLabelText, ErrorTitle, MB_ICONERROR);
      return;
    case TBurnInput::TVerdict::Accepted:
      break;
  }

  const bool bootable = IsTicked(BootableCheckBox);
  // Taken now: the list may be rebuilt while a box or the options are up.
  const TListedDrive listed = GetSelectedListedDrive().value_or(TListedDrive{});
  std::optional<TSetupAnswers> setup;
  if (!AskSetupAnswers(FHandle, FInstance, input.IsoFile, setup)) return;
  if (ShowMessage(BurnConfirmText(drive, bootable), BurnConfirmTitle(drive),
                  MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return;
  // An unknown table names nothing here: a bootable burn refuses before
  // erasing, and a disk without a letter is named whole by its line.
  const bool wholeDisk = bootable || Letterless(listed);
  const std::vector<std::wstring> alsoErased =
      wholeDisk ? OtherPartitionsOfDisk(FDriveQuery, listed, FDrives).value_or(std::vector<std::wstring>{})
                : std::vector<std::wstring>{};
  const std::wstring erasedBeyond = SecondConfirmText(listed, bootable, alsoErased);
  if (!erasedBeyond.empty() && ShowMessage(erasedBeyond, BurnConfirmTitle(drive),
                                           MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
    return;
  TBurnJob job(*this,
               TBurnChoice{WindowText(ISOFileEdit), listed, FileSystemNamed(GetSelectedFileSystem()), WindowText(LabelEdit),
                           bootable, SupportFiles, setup},
               FDriveQuery);
  FRunningJob = &job;
  const TScopeGuard ended([this] { FRunningJob = nullptr; });
  if (job.Run() == TBurnEnd::DriveChanged) RefreshDrives();
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
  StatusPanel.SetText(text);
  ProcessMessages();
}

std::wstring TUSBForm::Status() const { return StatusPanel.Text(); }

void TUSBForm::SetProgressVisible(bool visible) {
  StatusPanel.SetBarVisible(visible);
  if (visible)
    FTaskbar.Show(StatusPanel.Model.Position(TStatusPanel::BarRange), TStatusPanel::BarRange);
  else
    FTaskbar.Clear();
}

void TUSBForm::ResetProgress() {
  StatusPanel.Reset();
  FTaskbar.Clear();
}

void TUSBForm::ReportProgress(bool total, std::int64_t value) {
  // At the bar's own pace: each change is a call into the shell.
  if (StatusPanel.Report(total, value) && StatusPanel.BarVisible())
    FTaskbar.Show(StatusPanel.Model.Position(TStatusPanel::BarRange), TStatusPanel::BarRange);
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
  if (enabled) FShutdownBlock.reset();
  else if (!FShutdownBlock) FShutdownBlock.emplace(FHandle);
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

int TUSBForm::ShowMessage(const std::wstring& text, const std::wstring& title, unsigned flags) {
  // The burn's own result goes before an unanswered question to stop it.
  FCancelQuestion.Close();
  // A failure's box comes up while the bar still shows.
  if (StatusPanel.BarVisible() && (flags & MB_ICONMASK) == MB_ICONERROR) FTaskbar.ShowError();
  if (MessageBoxHook) return MessageBoxHook(text, title, flags);
  return ::MessageBoxW(FHandle, text.c_str(), title.c_str(), flags);
}

void TUSBForm::ProcessMessages() { ProcessPendingMessages(); }

void TUSBForm::SetBusy(bool busy) {
  if (!busy) FCancelQuestion.Close();
  FBurning = busy;
  EnableControls(!busy);
  // The one control of a burn: it stops it.
  if (CloseButton) {
    ::SetWindowTextW(CloseButton, busy ? L"Cancel" : L"Close");
    if (busy) ::EnableWindow(CloseButton, TRUE);
  }
  if (!busy) RefreshDrives();
}

// --- window procedures ---

std::wstring FailureMessage(const std::exception& failure) {
  if (const auto* own = dynamic_cast<const EFailure*>(&failure)) return own->Message();
  const std::string narrow = failure.what();
  return WideFromCodePage(CP_UTF8, narrow.data(), narrow.size());
}

namespace {
// Runs an event handler; a failure it lets escape is shown in a plain box,
// the program goes on.
template <typename Handler>
void Guarded(TUSBForm& form, Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& failure) {
    form.ShowMessage(UncaughtFailureText(FailureMessage(failure)), L"Quillora", MB_OK);
  }
}

void Dispatch(TUSBForm& form, int id, int code) {
  switch (id) {
    case IdBrowseButton:
      if (code == BN_CLICKED) Guarded(form, [&form] { form.BrowseButtonClick(); });
      break;
    case IdRefreshButton:
      if (code == BN_CLICKED) Guarded(form, [&form] { form.RefreshButtonClick(); });
      break;
    case IdBootableCheckBox:
      if (code == BN_CLICKED) Guarded(form, [&form] { form.BootableCheckBoxChange(); });
      break;
    case IdBurnButton:
      if (code == BN_CLICKED) Guarded(form, [&form] { form.BurnButtonClick(); });
      break;
    case IdCloseButton:
      if (code == BN_CLICKED) Guarded(form, [&form] { form.CloseButtonClick(); });
      break;
    case IdTipPanel:
      if (code == STN_CLICKED) Guarded(form, [&form] { form.TipPanelClick(); });
      break;
    case IdWebPanel:
      if (code == STN_CLICKED) Guarded(form, [&form] { form.WebPanelClick(); });
      break;
    default:
      break;
  }
}
}  // namespace

LRESULT TUSBForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (lParam) Dispatch(*this, LOWORD(wParam), HIWORD(wParam));
      // Esc, through the dialog manager.
      else if (LOWORD(wParam) == IDCANCEL && FBurning)
        Guarded(*this, [this] { AskToCancel(); });
      return 0;
    case TCancelQuestion::AnsweredMessage:
      if (wParam == IDYES && FRunningJob) FRunningJob->Cancel();
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return ColourStatic(*this, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CLOSE: {
      bool canClose = true;
      bool answered = false;
      Guarded(*this, [&] {
        FormCloseQuery(canClose);
        answered = true;
      });
      if (answered && canClose) ::DestroyWindow(FHandle);
      return 0;
    }
    case WM_QUERYENDSESSION:
      // Yes would let Windows end the program mid-burn, without its clean-up.
      return Busy() ? FALSE : TRUE;
    case WM_ENDSESSION:
      // The session ends anyway: Windows ends the program once this returns,
      // so the burn's clean-up comes now and the burn does not go on.
      if (wParam && FRunningJob) {
        FRunningJob->EndSession();
        ::ExitProcess(0);
      }
      return 0;
    case WM_DESTROY:
      Guarded(*this, [this] { FormDestroy(); });
      if (QuitOnDestroy) ::PostQuitMessage(0);
      return 0;
    case WM_DEVICECHANGE:
      if ((wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) && lParam &&
          reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam)->dbch_devicetype == DBT_DEVTYP_VOLUME)
        Guarded(*this, [this] { VolumesChanged(); });
      return TRUE;
    case WM_DPICHANGED: {
      const UINT dpi = HIWORD(wParam) ? HIWORD(wParam) : Layout.Dpi();
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(FHandle, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      Layout.ChangeDpi(FHandle, dpi);
      FitDriveListWidth();
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
    form->FTaskbar.Attach(hwnd);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  } else {
    form = reinterpret_cast<TUSBForm*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!form) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    form->FHandle = nullptr;
    form->FTaskbar.Attach(nullptr);
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
  }
  return form->HandleMessage(msg, wParam, lParam);
}
