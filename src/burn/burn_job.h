#pragma once
// One burn, from the user's Yes at the confirmation to the clean-up: the
// checks before erasing, the format or diskpart stage, the label, the image
// stage, the install.wim split and the legacy boot step, with AutoRun off
// meanwhile. It reports through the view and knows no control.
//
// A new burn step goes into Run, between the stages it belongs between; a
// step that runs a console program gets its row in stages/ (stage_text) and
// runs through RunStage.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/message_pump.h"
#include "burn/answer_file.h"
#include "burn/burn_checks.h"
#include "burn/burn_view.h"
#include "burn/library_worker.h"
#include "burn/sealed_script_file.h"
#include "burn/stage_runner.h"
#include "burn/support_files.h"
#include "drives/autorun_guard.h"
#include "drives/drive_list.h"
#include "drives/usb_drives.h"
#include "drives/work_folder.h"
#include "sevenzip/image_survey.h"
#include "sevenzip/sevenzip.h"

// The diskpart script's name in the temp folder, with 8 hex digits when taken.
inline constexpr wchar_t DiskPartScriptName[] = L"temp.dat";

// What the user chose, read from the window once the input checks passed.
struct TBurnChoice {
  std::wstring IsoFile;
  // The drive as the list showed it: its letter, and what identifies it,
  // asked again just before erasing. Its line is the window's.
  TListedDrive Drive;
  TFileSystem FileSystem = TFileSystem::Fat32;
  std::wstring Label;       // empty: no label stage
  bool Bootable = false;
  TSupportFiles Files;
  std::optional<TSetupAnswers> Setup = std::nullopt;  // Windows setup images only
};

// install.wim set aside by the image stage, where FAT cannot hold it: split
// in its work folder, and its parts copied onto the drive and later compared
// with the folder's.
struct TWimCopy {
  struct TPart {
    std::wstring Name;  // install.swm, install2.swm, ... as the split tool names them
    int64_t Size = 0;
  };
  explicit TWimCopy(uint32_t item) : Item(item), Folder(WimWorkFolderName) {}
  std::wstring File() const { return Folder.Path() + L"\\install.wim"; }

  uint32_t Item;  // the image's
  TWorkFolder Folder;
  std::vector<TPart> Parts;  // once on the drive
  int64_t PartsSize = 0;
};

class TBurnJob {
public:
  // `drives` answers for the drive and the volumes of the paths the burn
  // needs; without it the system answers. `pump` keeps the thread's windows
  // answering while the burn waits for a program or its worker.
  TBurnJob(IBurnView& view, TBurnChoice choice, IDriveQuery& drives,
           std::function<void()> pump = ProcessPendingMessages);
  explicit TBurnJob(IBurnView& view, TBurnChoice choice, std::function<void()> pump = ProcessPendingMessages);
  TBurnJob(const TBurnJob&) = delete;
  TBurnJob& operator=(const TBurnJob&) = delete;

  // The whole burn. A failure no step expected leaves after the clean-up.
  TBurnEnd Run();

  // The steps of Run, each with its texts and boxes.
  // Reads the image's directory and the size the burn erases (`driveSize`:
  // the drive's, a bootable burn's disk's; -1 when unknown) and refuses, with
  // its box, a burn that would fail after erasing the drive or would erase
  // what it still needs, and a bootable burn whose disk does not say its size.
  bool CheckBeforeErasing(int64_t& driveSize);
  // The drive asked again: still on the USB bus with the listed identity.
  // Otherwise one box, and the window is told (TBurnEnd::DriveChanged).
  bool CheckDriveUnchanged();
  bool RunStage(StageId stage);
  // Runs the stage with the script in a file no other program can change,
  // made for this run alone and deleted as soon as the stage ends.
  bool RunDiskPartScript(StageId stage, const std::wstring& script);
  // Runs the split stage when the image stage set a copy of install.wim
  // aside, into the copy's work folder, then copies the parts onto the drive;
  // true when there was none or every part is on the drive. The work folder
  // stays for the read back, unless the split failed.
  bool SplitInstallWim();
  // Copies the legacy loader files and writes the matching boot sector.
  void LegacyBootStep();
  // Gets what the burn wrote out of the system's cache onto the drive.
  bool FlushDrive();
  // Reads back every file the image stage wrote (and the split parts) and
  // compares it with the image; the first bad file gets the error box.
  bool VerifyDrive();
  bool Idle() const { return FRunner.Idle(); }
  // The session ends under the burn: the running program ended, AutoRun put
  // back, the script and the work folder gone, at once. The burn must not go on.
  void EndSession() noexcept;
  // Stops the burn at its next safe point, from the window's messages while
  // it runs: the running program ended, the library's work stopped at its
  // next report. The steps then end without their failure texts and Run
  // ends through its clean-up, saying whether the drive was touched.
  void Cancel() noexcept;
  bool Cancelled() const noexcept { return FCancelled; }

  // The library's progress routine, on the library's thread: `sender` is the
  // job. S_OK, or E_ABORT once the session ends or the burn is cancelled;
  // never raises.
  static THResult ExtractProgress(void* sender, bool total, int64_t value);

  // Opens write access to `path` and flushes it; the system's error code, 0 on success.
  static DWORD FlushOpened(const std::wstring& path, DWORD flags);

private:
  // What the image holds and how it is read, surveyed once for the checks,
  // the image stage and the read back.
  const TImageSurvey& Survey();
  // What the checks before erasing found and decided, kept for the steps.
  const TBurnPlan& Plan();
  TComPtr<I7zInArchive> OpenImageReader();
  // Stage 3's body: unpacks the image onto the drive.
  bool BurnImageStage();
  // The command line's parts of a stage on this burn's drive.
  TStageCommandParts StageParts(StageId stage) const;
  void SetWimAside(I7zInArchive& reader);
  // The split parts from the work folder into the drive's sources folder.
  bool CopySplitParts(TWimCopy& wim);

  // A volume that cannot be flushed as a whole (asked before the image
  // stage) gets the image's files flushed as they are written; the flush
  // after the burn then skips them.
  bool VolumeFlushesWhole() const;
  bool FFlushEachFile = false;
  std::set<std::wstring> FFlushedFiles;
  bool FImageUnflushed = false;
  // The split or the legacy boot step wrote files of their own.
  bool FOthersWrote = false;
  // Loaded for the survey, kept for every reader of the burn.
  std::shared_ptr<T7zLibrary> FLibrary;
  std::optional<TImageSurvey> FSurvey;
  std::optional<TBurnPlan> FPlan;
  // The split parts' bytes copied or read back before the current part.
  int64_t FPartsDone = 0;
  // Read by the working thread too.
  std::atomic<bool> FCancelled{false};
  static THResult PartProgress(void* sender, bool total, int64_t value);
  static DWORD CALLBACK PartCopyProgress(LARGE_INTEGER, LARGE_INTEGER copied, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                                         DWORD, HANDLE, HANDLE, LPVOID job);

  // The caller's view, with the last status kept: the job never asks the
  // view what it shows. Once the burn is cancelled the steps' texts and
  // boxes are not shown: what they would say is a failure of the stop itself.
  class TShownView : public IBurnView {
  public:
    explicit TShownView(IBurnView& view) : FShown(view) {}
    void SetStatus(const std::wstring& text) override {
      if (FQuiet) return;
      FStatus = text;
      FShown.SetStatus(text);
    }
    void SetQuiet(bool quiet) { FQuiet = quiet; }
    void SetProgressVisible(bool visible) override { FShown.SetProgressVisible(visible); }
    void ResetProgress() override { FShown.ResetProgress(); }
    void ReportProgress(bool total, std::int64_t value) override { FShown.ReportProgress(total, value); }
    int ShowMessage(const std::wstring& text, const std::wstring& title, unsigned flags) override {
      return FQuiet ? 0 : FShown.ShowMessage(text, title, flags);
    }
    void SetBusy(bool busy) override { FShown.SetBusy(busy); }
    const std::wstring& Status() const { return FStatus; }

  private:
    IBurnView& FShown;
    std::wstring FStatus;
    bool FQuiet = false;
  };
  TShownView FView;
  // "E:", made here alone: from the listed letter, or for a disk without
  // one once diskpart gave it its letter (empty until then). Every path and
  // device name on the drive is built from it (OnDrive).
  std::wstring FRoot;
  void SetDriveLetter(wchar_t letter) { FRoot = DriveRootOf(letter); }
  // After diskpart made a volume on a disk without a letter: the letter
  // Windows gave it, or the error box and the recovery guide.
  bool FindAssignedLetter();
  // The disk is cleaned and partitioned whole.
  bool WholeDisk() const { return FChoice.Bootable || Letterless(FChoice.Drive); }
  std::wstring OnDrive(const std::wstring& relative) const { return FRoot + L"\\" + relative; }
  std::wstring VolumeDevice() const { return L"\\\\.\\" + FRoot; }
  TBurnChoice FChoice;
  TWin32DriveQuery FSystemDrives;
  IDriveQuery& FDrives;
  std::optional<TSealedScriptFile> FScript;  // while diskpart runs
  TStageRunner FRunner;
  TLibraryWorker FWorker;
  TAutoRunGuard FAutoRun;

  // The answer file for Windows Setup at the drive's root, after the image's
  // files; true when none was due. Its bytes stay for the read back.
  bool WriteAnswerFile();
  void ReadBackAnswerFile();
  std::string FAnswerFile;

protected:
  // The install.wim copy the image stage set aside, until the burn ends (at
  // once when the split fails or the session ends).
  std::optional<TWimCopy> FWimCopy;
};
