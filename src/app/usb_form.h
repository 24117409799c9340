#pragma once
// The program's one window: it shows and asks. Its handlers read the
// controls; a burn is handed to a TBurnJob, which reports back through the
// window as its view.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "burn/burn_view.h"
#include "app/cancel_question_win.h"
#include "app/form_layout.h"
#include "app/status_panel.h"
#include "burn/support_files.h"
#include "app/taskbar_progress_win.h"
#include "base/shutdown_block.h"
#include "drives/drive_list.h"

class TBurnJob;

class TUSBForm : public IBurnView {
public:
  // The drive list is built from what `drives` answers; it outlives the window.
  explicit TUSBForm(IDriveQuery& drives) : FDriveQuery(drives) {}
  ~TUSBForm() override;
  TUSBForm(const TUSBForm&) = delete;
  TUSBForm& operator=(const TUSBForm&) = delete;

  // Creates the window and its controls, then runs FormCreate. `visible`
  // false keeps the window hidden (tests).
  void Create(HINSTANCE instance, bool visible = true);
  // Closes the window subject to FormCloseQuery.
  void Close();
  // Destroys the window (FormDestroy runs); safe to call twice.
  void Destroy();

  // --- event handlers ---
  void FormCreate();
  void FormDestroy();
  void FormCloseQuery(bool& canClose);
  void CloseButtonClick();
  void RefreshButtonClick();
  void BootableCheckBoxChange();
  void TipPanelClick();
  void WebPanelClick();
  void BrowseButtonClick();
  void BurnButtonClick();
  // A volume arrived or left (WM_DEVICECHANGE).
  void VolumesChanged();

  std::wstring GetSelectedDrive();
  // The selected line's drive as the list was built; none for the blank line.
  std::optional<TListedDrive> GetSelectedListedDrive();
  std::wstring GetSelectedFileSystem();

  // --- the view of a burn ---
  void SetStatus(const std::wstring& text) override;
  std::wstring Status() const;
  void SetProgressVisible(bool visible) override;
  void ResetProgress() override;
  void ReportProgress(bool total, std::int64_t value) override;
  // Every message box of the program goes through here (owner: the window).
  int ShowMessage(const std::wstring& text, const std::wstring& title, unsigned flags) override;
  // A burn under way: the inputs off and the window refusing to close; once
  // over, the inputs on and the drive list built anew.
  void SetBusy(bool busy) override;

  void ProcessMessages();
  // The inputs off while a burn or an image read runs, on after.
  void EnableControls(bool enabled);
  // The drive list built anew, nothing selected: the drive may have changed.
  void RefreshDrives();
  // The open drive list as wide as its longest line in the list's font.
  void FitDriveListWidth();

  HWND Handle() const { return FHandle; }
  // The inputs are off: a burn or an image read is under way.
  bool Busy() const;

  // --- controls, in creation order ---
  HWND ISOFileEditGroupBox = nullptr;
  HWND ISOFileEdit = nullptr;
  HWND BrowseButton = nullptr;
  HWND USBDriveGroupBox = nullptr;
  HWND DriveGroupBox = nullptr;
  HWND DriveComboBox = nullptr;
  HWND RefreshButton = nullptr;
  HWND CapacityLabel = nullptr;
  HWND FileSystemGroupBox = nullptr;
  HWND FileSystemComboBox = nullptr;
  HWND LabelGroupBox = nullptr;
  HWND LabelEdit = nullptr;
  HWND BootableCheckBox = nullptr;
  HWND TipLabel1 = nullptr;
  HWND TipLabel2 = nullptr;
  HWND TipLabel3 = nullptr;
  HWND TipPanel = nullptr;
  HWND TipLabel4 = nullptr;
  HWND StatusGroupBox = nullptr;
  HWND ProgressBar = nullptr;
  HWND StatusLabel = nullptr;
  HWND MsgLabel1 = nullptr;
  HWND MsgLabel2 = nullptr;
  HWND BurnButton = nullptr;
  HWND CloseButton = nullptr;
  HWND WebPanel = nullptr;
  HWND WebLabel = nullptr;

  TFormLayout Layout;
  TStatusPanel StatusPanel;  // StatusLabel and ProgressBar
  // Found once by FormCreate.
  TSupportFiles SupportFiles;

  // Tests answer message boxes here instead of the system's box: the hook
  // gets text, title and flags and returns the button pressed (IDOK, IDYES...).
  std::function<int(const std::wstring&, const std::wstring&, UINT)> MessageBoxHook;
  // Tests choose the image here instead of the system's file dialog; an empty
  // result is a cancel.
  std::function<std::wstring()> OpenDialogHook;

  // The program entry sets this: destroying the window ends the message loop.
  bool QuitOnDestroy = false;

private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void CreateControls();

  HWND FHandle = nullptr;
  HINSTANCE FInstance = nullptr;
  IDriveQuery& FDriveQuery;
  // Beside the combo box's lines: entry i is line i + 1, after the blank line.
  std::vector<TListedDrive> FDrives;
  HWND FFocusBeforeDisable = nullptr;
  // While busy: Windows asks whoever shuts down to wait.
  std::optional<TShutdownBlock> FShutdownBlock;
  // The burn under way, on the stack of BurnButtonClick: a session that ends
  // or a cancel meanwhile reaches it from the nested message processing.
  TBurnJob* FRunningJob = nullptr;
  // From the burn's first change to the end of its clean-up: Close reads
  // Cancel meanwhile.
  bool FBurning = false;
  TCancelQuestion FCancelQuestion;
  // Close, Esc or the close box while a burn runs: asks whether to stop it.
  void AskToCancel();
  // Follows the bar: shown while it is, the error state after an error box.
  TTaskbarProgress FTaskbar;
};

// A failure's text: an EFailure's message, else the UTF-8 text it carries.
std::wstring FailureMessage(const std::exception& failure);

// The product's web address, shown by WebLabel and opened by WebPanelClick.
extern const wchar_t* const ProductWebAddress;
