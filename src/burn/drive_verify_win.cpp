// After the last write: the drive's cache flushed, then every file the burn
// wrote read back from the stick and compared with the image.
#include "burn/burn_job.h"

#include "burn/burn_rules.h"
#include "base/folder_walk.h"
#include "base/win32_handles.h"
#include "sevenzip/read_back.h"

DWORD TBurnJob::FlushOpened(const std::wstring& path, DWORD flags) {
  TFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, flags, nullptr));
  if (!file) return ::GetLastError();
  return ::FlushFileBuffers(file.Get()) ? 0 : ::GetLastError();
}

namespace {

// Every file below `folder`. The drive was formatted by this burn, so every
// file on it is one the burn wrote: the image's items, the split parts, the
// loader copies. Walking the drive keeps no list in step with each writer;
// only files `flushed` already are passed over.
// A cancel stops the walk between two files.
bool FlushFilesBelow(const std::wstring& folder, const std::set<std::wstring>& flushed,
                     const std::atomic<bool>& cancelled) {
  return ForEachEntry(folder, [&](const WIN32_FIND_DATAW& found) {
    if (cancelled) return false;
    const std::wstring path = folder + L"\\" + found.cFileName;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return FlushFilesBelow(path, flushed, cancelled);
    return flushed.count(path) > 0 || TBurnJob::FlushOpened(path, FILE_ATTRIBUTE_NORMAL) == 0;
  });
}

}  // namespace

// Wine's drive mapped to a folder answers ERROR_INVALID_FUNCTION.
bool TBurnJob::VolumeFlushesWhole() const { return FlushOpened(VolumeDevice(), 0) != ERROR_INVALID_FUNCTION; }

bool TBurnJob::FlushDrive() {
  if (FCancelled) return false;
  FView.SetStatus(L"Writing cached data to the USB drive...");
  // A volume that cannot be flushed as a whole gets each file flushed: the
  // image's files were as they were written, the other writers' are now.
  // A slow stick may take minutes: the window answers meanwhile.
  bool flushed = false;
  FWorker.Run([&] {
    const DWORD error = FlushOpened(VolumeDevice(), 0);
    flushed = error == 0 || (error == ERROR_INVALID_FUNCTION && !FImageUnflushed &&
                             (!FOthersWrote || FlushFilesBelow(FRoot, FFlushedFiles, FCancelled)));
  });
  if (FCancelled) return false;
  if (flushed) return true;
  FView.SetStatus(L"Error.");
  FView.ShowMessage(L"Failed to write cached data to the USB drive.", ErrorTitle, MB_OK | MB_ICONERROR);
  return false;
}

bool TBurnJob::VerifyDrive() {
  if (FCancelled) return false;
  // The pass's first reports take the bar back to its start.
  FView.SetStatus(L"Verifying files...");
  // Dropped after the bar is hidden, as in the image stage.
  TComPtr<I7zInArchive> reader;
  TProgressBarScope bar(FView);
  try {
    FWorker.Run([&] {
      reader = OpenImageReader();
      // The drive holds it as the split parts, compared with the work
      // folder's copies below.
      if (FWimCopy) reader->LeaveOutItem(FWimCopy->Item);
      reader->VerifyFolder(FRoot);
      ReadBackAnswerFile();
      if (!FWimCopy || FWimCopy->Parts.empty()) return;
      // The parts' own bar, from 0 to their total.
      ExtractProgress(this, true, FWimCopy->PartsSize);
      FPartsDone = 0;
      for (const TWimCopy::TPart& part : FWimCopy->Parts)
        FPartsDone += static_cast<int64_t>(CompareBackFile(OnDrive(L"sources\\" + part.Name),
                                                           FWimCopy->Folder.Path() + L"\\" + part.Name, this,
                                                           &TBurnJob::PartProgress));
    });
    return !FCancelled;
  } catch (const EVerifyFailure& failure) {
    if (FCancelled) return false;
    FView.SetStatus(L"Error.");
    FView.ShowMessage(L"The USB drive does not give back what was written: \"" + failure.Path() +
                          L"\". The drive may be failing, or smaller than it claims.",
                      ErrorTitle, MB_OK | MB_ICONERROR);
    return false;
  } catch (const EFailure&) {
    // The library's own stop, asked for by the cancel.
    if (FCancelled) return false;
    throw;
  }
}

THResult TBurnJob::PartProgress(void* sender, bool total, int64_t value) {
  auto* job = static_cast<TBurnJob*>(sender);
  if (!job || total) return 0;
  return ExtractProgress(sender, false, job->FPartsDone + value);
}
