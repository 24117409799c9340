#pragma once
// The program's one window. It owns all run-time state: tool paths, the saved
// AutoRun values, the script file name, the running child and its pipe.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/form_scale.h"
#include "app/report_pacer.h"
#include "base/win32_handles.h"
#include "drives/autorun_guard.h"
#include "drives/work_folder.h"
#include "sevenzip/progress_model.h"
#include "stages/stage_id.h"
#include "stages/tool_runner.h"

class TUSBForm : public TToolRunner, public TAutoRunGuard {
public:
  TUSBForm();
  ~TUSBForm() override;

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

  // --- operations used across the program ---
  std::wstring GetSelectedDrive();
  std::wstring GetSelectedFileSystem();
  void SetStatus(const std::wstring& text);
  void EnableControls(bool enabled);
  bool CheckSupportFiles();
  // Reads the image's directory and the drive's total size (`driveSize`, -1
  // when unknown) and refuses, with its box, a burn that would fail after
  // erasing the drive.
  bool CheckBeforeErasing(const std::wstring& root, int64_t& driveSize);
  bool RunStage(StageId stage);
  bool RunDiskPartScript(StageId stage, const std::wstring& script);
  // Stage 3's body: unpacks the image onto `root`; the result flag of RunStage.
  bool BurnImageStage(const std::wstring& root);
  // Runs the split stage when the image stage set a copy of install.wim
  // aside; true when there was none or it was split. The copy goes either way.
  bool SplitInstallWim();
  // Copies the legacy loader files and writes the matching boot sector.
  void LegacyBootStep(const std::wstring& root);

  // Every message box of the program goes through here (owner Wnd).
  int ShowMessage(const std::wstring& text, const std::wstring& title, UINT flags);
  // The handling of a failure no handler expected: a plain box with its text.
  void ShowUncaughtFailure(const std::wstring& message);
  void ProcessMessages() override;

  // Control texts and states, for handlers and tests.
  std::wstring ControlText(HWND control) const;
  void SetControlText(HWND control, const std::wstring& text);
  // Pushes ProgressModel onto the progress bar control.
  void UpdateProgressBar();
  void SetProgressBarVisible(bool visible);

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

  // --- fields, in declaration order ---
  std::wstring App_Path;
  std::wstring diskpart_path;
  std::wstring bootsect_path;
  std::wstring format_path;
  std::wstring label_path;
  std::wstring dism_path;
  // NoDriveTypeAutoRun, NoDriveTypeAutoRun1: TAutoRunGuard
  std::vector<std::wstring> ScriptStringList;
  std::wstring ScriptFile;
  bool ScriptSaved = false;  // this run wrote ScriptFile
  // ProcessInfo, ExitCode, ReadOut, WriteOut: TToolRunner
  HWND Wnd = nullptr;

  // The install.wim copy the split stage reads (empty when the drive takes
  // the image whole) and its work folder; the burn removes both at its end.
  std::wstring WimSplitFile;
  std::optional<TWorkFolder> WimWorkFolder;

  TProgressModel ProgressModel;  // Max and Value of ProgressBar
  // Which progress reports process messages: every 50 ms still answers input
  // at once, and under Wine each pass over the queue is a server round trip.
  static constexpr std::uint64_t ProgressPumpGapMs = 50;
  TReportPacer ProgressPacer{ProgressPumpGapMs};
  bool ProgressBarVisible = false;

  // Tests answer message boxes here instead of the system's box: the hook
  // gets text, title and flags and returns the button pressed (IDOK, IDYES...).
  std::function<int(const std::wstring&, const std::wstring&, UINT)> MessageBoxHook;
  // Tests choose the image here instead of the system's file dialog; an empty
  // result is a cancel.
  std::function<std::wstring()> OpenDialogHook;

  // The program entry sets this: destroying the window ends the message loop.
  bool QuitOnDestroy = false;

  HWND Handle() const { return FHandle; }
  // Dots per inch the window is laid out for; ScaleX and ScaleY map logical
  // pixels to it and to the window's font.
  UINT Dpi() const { return FDpi; }
  int ScaleX(int logical) const { return FScale.X(logical); }
  int ScaleY(int logical) const { return FScale.Y(logical); }

private:
  // Where a control sits in logical pixels; AutoSize labels fit their text.
  struct TLayoutItem {
    HWND Control;
    int X, Y, W, H;
    bool AutoSize;
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK PanelProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ForwardingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR refData);
  static LRESULT CALLBACK ProgressBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR id, DWORD_PTR refData);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT ColourStatic(HDC dc, HWND control);
  void Dispatch(int id, int code);
  // Runs an event handler; a failure it lets escape is shown, the program goes on.
  template <typename Handler>
  void Guarded(Handler&& handler);
  void CreateControls();
  HWND MakeControl(const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle,
                   HWND parent, int id, int x, int y, int w, int h, bool autoSize = false);
  void CreateFonts();
  void ApplyLayout();
  void PlaceTipLabel3();
  void SizeClientArea();
  void RedrawStatus();
  std::wstring ShowOpenDialog();

  HWND FHandle = nullptr;
  HINSTANCE FInstance = nullptr;
  TGdiObject FFont;
  TGdiObject FUnderlineFont;
  TGdiObject FPanelBrush;
  UINT FDpi = 96;
  TLayoutScale FScale;
  int FLineHeight = DesignFontCell.Height;  // of the window's font
  int FShownProgressPixel = -1;  // bar position last drawn, in pixels
  ULONGLONG FShownProgressTime = 0;
  std::vector<TLayoutItem> FLayout;
  HWND FFocusBeforeDisable = nullptr;
};

// A failure's text: an EFailure's message, else the UTF-8 text it carries.
std::wstring FailureMessage(const std::exception& failure);

// The one main window instance (the progress routine reaches the bar through it).
extern TUSBForm* USBForm;

// The product's web address, shown by WebLabel and opened by WebPanelClick.
extern const wchar_t* const ProductWebAddress;
// The recovery guide, shown by TipPanelClick and after diskpart cannot start.
extern const wchar_t* const RecoveryGuideText;
