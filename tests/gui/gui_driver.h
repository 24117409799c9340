#pragma once
// Drives Quillora.exe from another process under Wine: starts it from a
// prepared folder, finds its window and controls, clicks, types, answers
// message boxes and takes screenshots.
//
// Typical use:
//   gui::PrepareWine();
//   gui::TQuilloraProcess app;
//   ASSERT_TRUE(app.Start(gui::PrepareAppFolder(L"my_test")));
//   HWND close = gui::FindControl(app.Window(), L"Close");
//   gui::Click(close);
//   EXPECT_TRUE(app.WaitForExit(10000));
//
// Every action is posted (never sent) when it may open a modal box, so the
// driver never blocks on the program. Waits poll; they never sleep blindly.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "prefix_state_win.h"

namespace gui {

// ---- folders -------------------------------------------------------------

// <build>\bin: the folder of the running driver (tests, Quillora.exe, 7z.dll
// and the stand-in tools all land there).
std::wstring BinDir();
// <build>: the parent of BinDir().
std::wstring BuildDir();
// <build>\screenshots, created when missing.
std::wstring ScreenshotDir();
// Makes a fresh folder <build>\gui-app\<name> holding a copy of Quillora.exe,
// 7z.dll and, `withTools`, the stand-in boot-sector programs (bootsect_x86.exe,
// bootsect_x64.exe; Windows' own tools go to the system folder, see
// prefixstate::TSystemToolsScope). Returns the
// path of the copied Quillora.exe, or an empty string when Quillora.exe or
// 7z.dll could not be copied.
std::wstring PrepareAppFolder(const std::wstring& name, bool withTools = true);
// The same with QuilloraTest.exe in place of Quillora.exe and `usbBus`
// written to usb-bus.txt beside it (its USB bus, read on every scan).
// Returns the path of the copied QuilloraTest.exe.
std::wstring PrepareTestBusAppFolder(const std::wstring& name, const std::string& usbBus);
// Rewrites usb-bus.txt beside the program `exePath`.
bool WriteUsbBus(const std::wstring& exePath, const std::string& usbBus);
// The temp folder a program of this user gets from GetTempPathW (ends in \).
std::wstring TempDir();
// Deletes a folder and everything in it; true when it is gone afterwards.
bool RemoveTree(const std::wstring& path);

// ---- Wine set-up -----------------------------------------------------------

// Makes windows look like on Windows in a bare X server: Wine draws the
// captions itself (HKCU\Software\Wine\X11 Driver Managed=N) and the fonts
// that Wine ships (Tahoma, Marlett...) are installed in the prefix. Does
// nothing outside Wine. Puts back the settings a killed test left changed.
// Call before starting the program.
void PrepareWine();
bool IsWine();
// The screen DPI Wine gives programs started now (LogPixels; 96 when unset).
UINT WineLogPixels();

// Sets a value under HKEY_CURRENT_USER for programs started from now on and
// puts the old one back (or deletes the value) when it goes out of scope,
// also after a killed test (prefix_state_win.h). Only for Wine.
class TWineSettingScope {
public:
  TWineSettingScope(const std::wstring& key, const std::wstring& name, DWORD value);
  TWineSettingScope(const std::wstring& key, const std::wstring& name, const std::wstring& value);
  bool Applied() const { return FApplied; }

private:
  void Apply(const std::wstring& key, const std::wstring& name, DWORD type, const void* data, DWORD size);
  std::optional<prefixstate::TRegistryValueScope> FOld;
  bool FApplied = false;
};

// Sets the screen DPI programs started from now on see (Wine's
// HKCU\Control Panel\Desktop LogPixels) and puts the old value back when it
// goes out of scope.
class TWineDpiScope : public TWineSettingScope {
public:
  explicit TWineDpiScope(DWORD dpi) : TWineSettingScope(L"Control Panel\\Desktop", L"LogPixels", dpi) {}
};

// ---- waiting ---------------------------------------------------------------

// Polls `done` every 20 ms until it answers true (returns true) or
// `timeoutMs` passes (returns false).
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// ---- windows and controls ----------------------------------------------------

std::wstring WindowText(HWND window);  // WM_GETTEXT
std::wstring ClassName(HWND window);
// Every descendant of `root`, depth first in the order the system keeps
// them (EnumChildWindows): a parent before its children.
std::vector<HWND> Descendants(HWND root);
// The first descendant whose text equals `text` (and whose class equals
// `className` when that is not empty); null when none.
HWND FindControl(HWND root, const std::wstring& text, const std::wstring& className = L"");
// The index-th descendant of `root` with the given class (0 = first); null when none.
HWND FindControlByOrder(HWND root, const std::wstring& className, size_t index);
// The control's rectangle in the client coordinates of its parent.
RECT RectInParent(HWND control);
// Client size of a window.
SIZE ClientSize(HWND window);
// Dots per inch the window is shown at: GetDpiForWindow when the system has
// it, else the screen's LOGPIXELSX.
UINT WindowDpi(HWND window);
// Logical pixels at 96 DPI mapped to `dpi`, as the program does.
int ScaleForDpi(int logical, UINT dpi);

// ---- acting on controls ------------------------------------------------------

// Clicks a button or check box (posted BM_CLICK).
void Click(HWND button);
// Presses and releases the left mouse button at the centre of a window
// (posted; for panels and other non-buttons).
void ClickCentre(HWND window);
bool IsChecked(HWND checkBox);
// The control holding the keyboard focus in the thread that owns `window`.
HWND FocusedControl(HWND window);
bool IsEnabled(HWND control);
bool IsVisible(HWND control);
// Sets the text of an edit (WM_SETTEXT).
void SetText(HWND edit, const std::wstring& text);
// Combo boxes: items, selected index (-1 = none), selected item's text.
std::vector<std::wstring> ComboItems(HWND combo);
int ComboSelection(HWND combo);
std::wstring ComboSelectionText(HWND combo);
// Selects an item the way the user does: CB_SETCURSEL, then CBN_SELCHANGE to
// the combo's parent (posted).
void SelectComboItem(HWND combo, int index);
// Appends an item (CB_ADDSTRING); returns its index or -1.
int AddComboItem(HWND combo, const std::wstring& text);
// Posts a key press (down and up) to `target`. With alt the key goes as a
// system key, so PostKey(window, VK_F4, true) is Alt+F4.
void PostKey(HWND target, UINT virtualKey, bool alt = false);

// ---- message boxes ---------------------------------------------------------------

enum class TBoxIcon { None, Information, Warning, Error, Question, Unknown };
const wchar_t* BoxIconName(TBoxIcon icon);

struct TMessageBox {
  HWND Handle = nullptr;
  std::wstring Title;
  std::wstring Text;
  TBoxIcon Icon = TBoxIcon::None;
  std::vector<int> Buttons;  // IDOK, IDYES, IDNO... present in the box

  // Presses one of its buttons (posted BM_CLICK); false when absent.
  bool Press(int buttonId) const;
};

// Reads an open system message box (#32770 with the static text 0xFFFF).
// The icon is told apart by comparing the pixels on screen with the system
// icons drawn by the driver.
TMessageBox ReadMessageBox(HWND box);

// ---- the program under test ---------------------------------------------------

class TQuilloraProcess {
public:
  TQuilloraProcess() = default;
  ~TQuilloraProcess();  // ends the program when it still runs
  TQuilloraProcess(const TQuilloraProcess&) = delete;
  TQuilloraProcess& operator=(const TQuilloraProcess&) = delete;

  // Starts `exePath` (CreateProcessW, working folder = `workingFolder`, or
  // its own folder when empty; falls back to ShellExecuteExW "runas" when
  // elevation is demanded) and waits until its main window "Quillora" is
  // visible. False on failure, with the reason in LastError().
  bool Start(const std::wstring& exePath, DWORD timeoutMs = 30000, const std::wstring& workingFolder = {});

  HWND Window() const { return FWindow; }
  DWORD ProcessId() const { return FProcessId; }
  // The DPI the program lays its window out for. Under Wine a process reads
  // the screen DPI once at its start and GetDpiForWindow answers with the
  // caller's, so this is the LogPixels setting in force at Start(); on
  // Windows it is WindowDpi(Window()).
  UINT Dpi() const;
  bool IsRunning() const;
  // True once the program has ended within the time.
  bool WaitForExit(DWORD timeoutMs);
  DWORD ExitCode() const;
  // Ends the program at once (TerminateProcess on our own child).
  void Terminate();
  const std::wstring& LastError() const { return FLastError; }

  // Visible message boxes of the program, oldest first.
  std::vector<HWND> MessageBoxes() const;
  // Waits for a message box of the program and reads it.
  std::optional<TMessageBox> WaitForMessageBox(DWORD timeoutMs);
  // Waits until no message box of the program is open.
  bool WaitForNoMessageBox(DWORD timeoutMs);

  // Posts WM_CLOSE to the main window (as the close box does).
  void RequestClose();

private:
  HANDLE FProcess = nullptr;
  DWORD FProcessId = 0;
  HWND FWindow = nullptr;
  UINT FStartDpi = 96;
  std::wstring FLastError;
};

// ---- screenshots -----------------------------------------------------------------

// Saves the virtual display (or `area` of it, screen coordinates) as a PNG.
bool SaveScreenshot(const std::wstring& pngPath, const RECT* area = nullptr);
// Saves the screen area of a window, frame included.
bool SaveWindowScreenshot(HWND window, const std::wstring& pngPath);
// Pixels of a screen area, rows top-down, 3 bytes (R, G, B) each.
struct TPixels {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Rgb;
  COLORREF At(int x, int y) const;
};
std::optional<TPixels> CaptureScreen(const RECT& area);
// Pixels of a window's client area (or of a control).
std::optional<TPixels> CaptureWindow(HWND window);

}  // namespace gui
