#include "burn/burn_job.h"

#include <exception>

#include "burn/burn_checks.h"
#include "burn/burn_rules.h"
#include "burn/erase_rules.h"
#include "base/scope_guard.h"
#include "base/win32_handles.h"
#include "drives/folder_state.h"
#include "drives/free_space.h"
#include "drives/host_checks.h"

TBurnJob::TBurnJob(IBurnView& view, TBurnChoice choice, IDriveQuery& drives, std::function<void()> pump)
    : FView(view),
      FChoice(std::move(choice)),
      FDrives(drives),
      FRunner(FView, pump),
      FWorker(FView, pump) {
  SetDriveLetter(FChoice.Drive.Letter);
}

TBurnJob::TBurnJob(IBurnView& view, TBurnChoice choice, std::function<void()> pump)
    : TBurnJob(view, std::move(choice), FSystemDrives, std::move(pump)) {}

namespace {
constexpr ULONGLONG AssignedLetterWaitMs = 5000;

// What the burn erases: the volume, or for a bootable burn, whose partition
// takes the whole disk, the disk. -1 when the volume does not say; none when
// the disk does not.
std::optional<int64_t> SizeToErase(const TBurnChoice& choice, IDriveQuery& drives) {
  if (choice.Bootable || Letterless(choice.Drive)) {
    const std::optional<uint32_t> disk = choice.Drive.Identity.DiskNumber;
    return disk ? drives.DiskLength(*disk) : std::nullopt;
  }
  // A card reader slot without a card must not bring up the system's dialog.
  TErrorModeScope quiet(SEM_FAILCRITICALERRORS);
  return GetDriveTotalSize(choice.Drive.Letter - L'A' + 1);
}

// What the format or the diskpart script would erase that the burn cannot do
// without, in the order the user can mend it: the file system, the temp
// folder for the install.wim copy, then the image, the program and that folder.
std::optional<std::wstring> ErasingRefusal(const TBurnChoice& choice, const std::wstring& rootFolder,
                                           int64_t driveSize, const std::optional<TImageFile>& wimToSplit,
                                           IDriveQuery& drives) {
  if (std::optional<std::wstring> fat = FatVolumeRefusal(choice.FileSystem, driveSize)) return fat;
  const bool letterless = Letterless(choice.Drive);
  // A disk without a letter has no volume to name: it is erased whole.
  const TVolumeRef target =
      letterless ? TVolumeRef{L"", std::nullopt, -1, choice.Drive.Identity.DiskNumber} : VolumeOfPath(rootFolder, drives);
  TNeededVolumes needed{target, VolumeOfPath(choice.IsoFile, drives),
                        VolumeOfPath(choice.Files.AppPath, drives), std::nullopt, L""};
  if (wimToSplit) {
    const TFolderState temp = InspectTempFolder();
    if (std::optional<std::wstring> refused = TempFolderRefusal(temp, wimToSplit->Size, UserDecimalSeparator()))
      return refused;
    needed.TempFolder = VolumeOfPath(temp.Path, drives);
    needed.TempPath = temp.Path;
  }
  return ErasedNeedRefusal(DriveNameOf(choice.Drive), choice.Bootable || letterless, needed);
}
}  // namespace

TBurnEnd TBurnJob::Run() {
  if (!CheckSupportFiles(FChoice.Files, FView)) return TBurnEnd::Refused;

  int64_t driveSize = -1;
  if (!CheckBeforeErasing(driveSize)) return TBurnEnd::Refused;
  if (!CheckDriveUnchanged()) return TBurnEnd::DriveChanged;
  if (FCancelled) {
    FView.SetQuiet(false);
    FView.SetStatus(CancelledUnchangedText);
    return TBurnEnd::Refused;
  }
  FView.ResetProgress();

  // Runs every step even when one raises; the first failure is handed back.
  auto cleanUp = [this]() -> std::exception_ptr {
    std::exception_ptr first;
    auto step = [&first](auto&& action) {
      try {
        action();
      } catch (...) {
        if (!first) first = std::current_exception();
      }
    };
    step([this] {
      if (!FCancelled) return;
      FView.SetQuiet(false);
      FView.SetStatus(CancelledUnusableText);
    });
    step([this] {
      // The record stays: the next start tries again.
      if (!FAutoRun.RestoreAutoRun())
        FView.ShowMessage(AutoRunRestoreFailedText, AutoRunRestoreFailedTitle, MB_OK | MB_ICONWARNING);
    });
    step([this] { FView.SetBusy(false); });
    return first;
  };

  // The install.wim copy and its work folder go on every way out.
  const TScopeGuard wimWork([this] { FWimCopy.reset(); });
  try {
    // Inside the scope: a window left busy could never be closed again.
    FView.SetBusy(true);
    FAutoRun.DisableAutoRun();
    bool prepared = false;
    if (Letterless(FChoice.Drive))
      prepared = RunDiskPartScript(CreateBootable, DiskScriptText(*FChoice.Drive.Identity.DiskNumber,
                                                                  FChoice.FileSystem, driveSize, FChoice.Bootable)) &&
                 FindAssignedLetter();
    else
      prepared = FChoice.Bootable
                     ? RunDiskPartScript(CreateBootable, DiskPartScriptText(FRoot, FChoice.FileSystem, driveSize))
                     : RunStage(FormatDrive);
    if (prepared) {
      if (!FChoice.Label.empty()) RunStage(WriteLabel);  // a failed label does not stop the burn
      if (RunStage(BurnImage) && SplitInstallWim()) {
        if (FChoice.Bootable) {
          try {
            LegacyBootStep();
          } catch (...) {
            FView.ShowMessage(LegacyBootFailedText, ErrorTitle, MB_ICONERROR);
          }
        }
        const bool answered = WriteAnswerFile();
        // The status the steps ended with (a refused boot sector's warning,
        // the image's own answer file) comes back once the drive has proven itself.
        const std::wstring shown = FView.Status();
        if (answered && FlushDrive() && VerifyDrive()) {
          FView.SetStatus(shown);
          FView.ShowMessage(BurnCompleteText + LeftOutText(Survey().LeftOut), InformationTitle, MB_ICONINFORMATION);
        }
      }
    }
  } catch (...) {
    cleanUp();  // the failure that got us here is the one to report
    throw;
  }
  if (std::exception_ptr failure = cleanUp()) std::rethrow_exception(failure);
  return TBurnEnd::Ran;
}

bool TBurnJob::CheckBeforeErasing(int64_t& driveSize) {
  // clean erases the whole disk: a burn that cannot name it must not run.
  // A disk without a letter is named by its line, the whole disk.
  const bool letterless = Letterless(FChoice.Drive);
  const std::optional<uint32_t> disk = FChoice.Drive.Identity.DiskNumber;
  if (FChoice.Bootable && !letterless && (!disk || !FDrives.DiskPartitions(*disk))) {
    FView.ShowMessage(UnknownDiskText(FRoot), ErrorTitle, MB_ICONERROR);
    return false;
  }
  const std::optional<int64_t> erased = SizeToErase(FChoice, FDrives);
  if (!erased) {
    FView.ShowMessage(letterless ? UnknownLetterlessLengthText(DriveNameOf(FChoice.Drive)) : UnknownDiskLengthText(FRoot),
                      ErrorTitle, MB_ICONERROR);
    return false;
  }
  driveSize = *erased;
  TTempFolder temp{GetTempDirectory(), std::nullopt};
  if (!temp.Path.empty()) temp.FreeBytes = FreeSpaceOf(temp.Path);
  // A bootable FAT32 burn on a large disk gets a capped volume: the image must fit that.
  const int64_t volumeSize = WholeDisk() ? ScriptVolumeSize(FChoice.FileSystem, driveSize) : driveSize;
  FPlan = PlanBurn(Survey(), FChoice.IsoFile, volumeSize, FChoice.FileSystem, UserDecimalSeparator(), temp);
  const TBurnPlan& plan = *FPlan;
  const std::optional<std::wstring> refusal =
      plan.Refusal != TBurnPlan::TRefusal::None ? plan.Message
                                                : ErasingRefusal(FChoice, OnDrive(L""), driveSize, plan.WimToSplit, FDrives);
  if (!refusal) return true;
  FView.ShowMessage(*refusal, ErrorTitle, MB_ICONERROR);
  return false;
}

bool TBurnJob::CheckDriveUnchanged() {
  if (StillSameDrive(FDrives, FChoice.Drive)) return true;
  FView.ShowMessage(DriveChangedText(DriveNameOf(FChoice.Drive)), ErrorTitle, MB_ICONERROR);
  return false;
}

bool TBurnJob::FindAssignedLetter() {
  // The system mounts the new volume after diskpart may have ended: it is
  // asked again for a while, off the window's thread.
  wchar_t letter = 0;
  FWorker.Run([&] {
    const ULONGLONG until = ::GetTickCount64() + AssignedLetterWaitMs;
    while (!(letter = LetterOnDisk(FDrives, *FChoice.Drive.Identity.DiskNumber)) && !FCancelled &&
           ::GetTickCount64() < until)
      ::Sleep(250);
  });
  if (FCancelled) return false;
  if (letter) {
    SetDriveLetter(letter);
    return true;
  }
  FView.SetStatus(StageErrorText);
  FView.ShowMessage(NoLetterAssignedText(DriveNameOf(FChoice.Drive)), ErrorTitle, MB_ICONERROR);
  FView.ShowMessage(RecoveryGuideText, InformationTitle, MB_OK | MB_ICONINFORMATION);
  return false;
}

TStageCommandParts TBurnJob::StageParts(StageId stage) const {
  TStageCommandParts parts = CommandParts(FChoice.Files);
  if (FWimCopy) {
    parts.WimFile = FWimCopy->File();
    parts.SwmFile = FWimCopy->Folder.Path() + L"\\install.swm";
  }
  if (FScript) parts.ScriptFile = FScript->Path();
  parts.Root = FRoot;
  if (stage == FormatDrive) parts.FileSystem = FileSystemName(FChoice.FileSystem);
  if (stage == WriteLabel) parts.Label = FChoice.Label;
  return parts;
}

bool TBurnJob::RunStage(StageId stage) {
  if (FCancelled) return false;
  const bool ran = stage != BurnImage ? FRunner.Run(stage, StageParts(stage))
                                      : FRunner.Run(stage, StageParts(stage), [&] { return BurnImageStage(); });
  return ran && !FCancelled;
}

bool TBurnJob::RunDiskPartScript(StageId stage, const std::wstring& script) {
  FScript.emplace(DiskPartScriptName, ScriptFileText(SplitLines(script)));
  const TScopeGuard remove([this] { FScript.reset(); });
  return RunStage(stage);
}

void TBurnJob::Cancel() noexcept {
  if (FCancelled.exchange(true)) return;
  FView.SetStatus(StoppingText);
  FView.SetQuiet(true);
  FWorker.Cancel();
  FRunner.ReleaseToolProcess();
}

void TBurnJob::EndSession() noexcept {
  FWorker.Stop();
  FRunner.ReleaseToolProcess();
  FAutoRun.RestoreAutoRun();
  FScript.reset();
  FWimCopy.reset();
}
