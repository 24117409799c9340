#include "app/setup_options_dialog_win.h"

#include <commctrl.h>

#include <array>
#include <vector>

#include "app/form_controls_win.h"
#include "app/form_layout.h"
#include "app/setup_options_win.h"
#include "base/failure.h"
#include "base/scope_guard.h"
#include "burn/burn_rules.h"
#include "sevenzip/image_survey.h"
#include "sevenzip/sevenzip_platform.h"

using namespace form;

namespace {

const wchar_t* const DialogClassName = L"TSetupOptionsForm";
enum : int { IdFirstTick = 200, IdAccountEdit = 210 };

// In the order of SetupOptionTicks.
const std::array<const wchar_t*, 6> TickTexts = {
    L"Remove the requirement for 4 GB+ RAM, Secure Boot and TPM 2.0",
    L"Remove the requirement for an online Microsoft account",
    L"Create a local account with the user name:",
    L"Set regional options to the same values as this PC's",
    L"Disable data collection (skip the privacy questions)",
    L"Disable BitLocker automatic device encryption",
};
static_assert(TickTexts.size() == SetupOptionTicks.size());
constexpr std::size_t AccountTick = 2;

// Logical pixels, as the main window's layout.
constexpr int ClientWidth = 372, ClientHeight = 207, TickTop = 12, RowStep = 22, EditRow = 20;


struct TDialog {
  TSetupOptions Options;
  TFormLayout Layout;
  std::array<HWND, 6> Ticks{};
  HWND AccountEdit = nullptr;
  bool Done = false;
  bool Accepted = false;
};

bool Ticked(HWND box) { return ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// A refused name keeps the dialog up, its edit in focus.
bool Accept(HWND window, TDialog& dialog) {
  TSetupOptions chosen = dialog.Options;
  for (std::size_t i = 0; i < SetupOptionTicks.size(); ++i) chosen.*SetupOptionTicks[i] = Ticked(dialog.Ticks[i]);
  chosen.LocalAccountName = WindowText(dialog.AccountEdit);
  if (chosen.CreateLocalAccount && !IsAccountNameAccepted(chosen.LocalAccountName)) {
    ::MessageBoxW(window, AccountNameRefusedText(chosen.LocalAccountName).c_str(), ErrorTitle, MB_OK | MB_ICONERROR);
    ::SetFocus(dialog.AccountEdit);
    return false;
  }
  dialog.Options = chosen;
  return true;
}

LRESULT CALLBACK DialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE)
    ::SetWindowLongPtrW(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  auto* dialog = reinterpret_cast<TDialog*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!dialog) return ::DefWindowProcW(window, msg, wParam, lParam);
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          dialog->Accepted = Accept(window, *dialog);
          dialog->Done = dialog->Accepted;
          return 0;
        case IDCANCEL:
          dialog->Done = true;
          return 0;
        case IdFirstTick + AccountTick:
          ::EnableWindow(dialog->AccountEdit, Ticked(dialog->Ticks[AccountTick]));
          return 0;
      }
      break;
    case WM_CLOSE:
      dialog->Done = true;
      return 0;
    case WM_DPICHANGED: {
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      dialog->Layout.ChangeDpi(window, HIWORD(wParam) ? HIWORD(wParam) : dialog->Layout.Dpi());
      return 0;
    }
  }
  return ::DefWindowProcW(window, msg, wParam, lParam);
}

void RegisterDialogClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DialogProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = DialogClassName;
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw EFailure(L"The setup options cannot be shown.");
}

void CreateControls(HWND window, HINSTANCE instance, TDialog& dialog) {
  TFormLayout& layout = dialog.Layout;
  int y = TickTop;
  for (std::size_t i = 0; i < TickTexts.size(); ++i) {
    dialog.Ticks[i] = layout.MakeControl(instance, WC_BUTTONW, TickTexts[i], BS_AUTOCHECKBOX | WS_TABSTOP, 0, window,
                                         IdFirstTick + static_cast<int>(i), 12, y, ClientWidth - 24, 16);
    ::SendMessageW(dialog.Ticks[i], BM_SETCHECK, dialog.Options.*SetupOptionTicks[i] ? BST_CHECKED : BST_UNCHECKED, 0);
    y += RowStep;
    if (i == AccountTick) {
      dialog.AccountEdit = layout.MakeControl(instance, WC_EDITW, dialog.Options.LocalAccountName.c_str(),
                                              ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, window, IdAccountEdit,
                                              30, y - 2, 160, EditRow);
      ::EnableWindow(dialog.AccountEdit, dialog.Options.CreateLocalAccount);
      y += EditRow + 6;
    }
  }
  const int buttonTop = ClientHeight - 31;
  layout.MakeControl(instance, WC_BUTTONW, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, window, IDOK,
                     ClientWidth - 146, buttonTop, 65, 19);
  layout.MakeControl(instance, WC_BUTTONW, L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 0, window, IDCANCEL,
                     ClientWidth - 77, buttonTop, 65, 19);
  layout.Apply(window);
}

void CentreOver(HWND window, HWND owner) {
  RECT frame{}, over{};
  ::GetWindowRect(window, &frame);
  if (!owner || !::GetWindowRect(owner, &over)) return;
  const int x = over.left + ((over.right - over.left) - (frame.right - frame.left)) / 2;
  const int y = over.top + ((over.bottom - over.top) - (frame.bottom - frame.top)) / 2;
  ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

bool ShowSetupOptionsDialog(HWND owner, HINSTANCE instance, TSetupOptions& options) {
  RegisterDialogClass(instance);
  TDialog dialog{options, {}, {}, nullptr, false, false};
  TWindowHandle window(::CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, DialogClassName, SetupOptionsTitle,
                                   WS_POPUP | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, owner,
                                   nullptr, instance, &dialog));
  if (!window) throw EFailure(L"The setup options cannot be shown.");
  const HWND hwnd = window.Get();
  dialog.Layout.SetClientSize(ClientWidth, ClientHeight);
  dialog.Layout.SetUp(hwnd, WindowDpi(hwnd));
  CreateControls(hwnd, instance, dialog);
  CentreOver(hwnd, owner);

  // The owner comes back before the dialog goes, so that it is activated again.
  ::EnableWindow(owner, FALSE);
  const TScopeGuard enableOwner([owner] { ::EnableWindow(owner, TRUE); });
  ::ShowWindow(hwnd, SW_SHOW);
  ::SetFocus(dialog.Ticks[0]);
  MSG msg{};
  while (!dialog.Done) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The program is ending: its own loop must see the quit too.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (got < 0) break;
    if (!::IsDialogMessageW(hwnd, &msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  if (dialog.Accepted) options = dialog.Options;
  return dialog.Accepted;
}

bool AskSetupAnswers(HWND owner, HINSTANCE instance, const std::wstring& isoFile,
                     std::optional<TSetupAnswers>& answers) {
  answers.reset();
  const TImageSurvey survey = SurveyImage(isoFile);
  if (survey.Status != TImageSurvey::TStatus::Read) return true;
  std::vector<std::wstring> paths;
  for (const TImageFile& file : survey.Files) paths.push_back(file.Path);
  if (!IsWindowsSetupImage(paths, SevenZipPlatform::PathDelimiter)) return true;
  TSetupOptions options = LoadSetupOptions();
  if (!ShowSetupOptionsDialog(owner, instance, options)) return false;
  SaveSetupOptions(options);  // a registry that refuses only forgets the choices
  answers = TSetupAnswers{options, options.SetRegionalOptions ? ThisPcLocaleValues() : TLocaleValues{}};
  return true;
}
