// Stage 3, the image burn, and its progress routine.
#include "app/burn_job.h"

#include "app/burn_checks.h"
#include "base/failure.h"
#include "drives/drive_root_listing.h"
#include "sevenzip/udf_fallback.h"

THResult TBurnJob::ExtractProgress(void* sender, bool total, int64_t value) {
  auto* job = static_cast<TBurnJob*>(sender);
  return job ? job->FWorker.Record(total, value) : 0;
}

// FAT cannot hold a large install.wim: it goes into a work folder instead,
// for the split stage. Each pass decides anew for its own reader.
void TBurnJob::SetWimAside(I7zInArchive& reader) {
  WimSplitFile.clear();
  FWimAsideItem.reset();
  const std::optional<TImageFile> wim = FindWimToSplit(FChoice.FileSystem, ListImageFiles(reader));
  if (!wim) return;
  if (!WimWorkFolder) WimWorkFolder.emplace(WimWorkFolderName);
  const std::wstring copy = WimWorkFolder->Path() + L"\\install.wim";
  reader.SetItemTarget(wim->Index, copy);
  WimSplitFile = copy;
  FWimAsideItem = wim->Index;
}

// One pass of a reader over the image, read anew each pass. Assigning to
// `reader` releases the previous reader (and its image file).
void TBurnJob::ExtractPass(TComPtr<I7zInArchive>& reader, const TGUID& classID, const std::wstring& root) {
  reader = MakeInArchive(classID);
  FImageClassID = classID;
  reader->OpenArchiveFile(FChoice.IsoFile);
  reader->SetProgressHandler(this, &TBurnJob::ExtractProgress);
  SetWimAside(*reader);
  reader->SetFlushWrittenFiles(FFlushEachFile);
  reader->ExtractToFolder(root);
  FFlushedFiles.insert(reader->FlushedFiles().begin(), reader->FlushedFiles().end());
  if (!reader->UnflushedFile().empty()) FImageUnflushed = true;
}

bool TBurnJob::BurnImageStage(const std::wstring& root) {
  // Dropped when the stage returns, after the bar is hidden: the library is
  // unloaded then.
  TComPtr<I7zInArchive> reader;
  TProgressBarScope bar(FView);
  try {
    // Without a drive letter the files would land on the root of the current
    // drive.
    if (!IsDriveRoot(root)) throw EFailure(L"No drive to unpack the image onto.");
    FFlushEachFile = !VolumeFlushesWhole(root);
    FWorker.Run([&] {
      ExtractPass(reader, IsoFormatClassID, root);
      const std::vector<std::wstring> names = ListDriveRoot(root);
      if (!NeedsUdfPass(names)) return;
      ::DeleteFileW((root + L"\\" + names.front()).c_str());
      ExtractPass(reader, UdfFormatClassID, root);
    });
    FView.SetStatus(L"Burning is complete.");
    return true;
  } catch (...) {
    // The failure's own text is not shown.
    FView.SetStatus(L"Error.");
    FView.ShowMessage(L"Failed to burn ISO image.", L"Error", MB_OK | MB_ICONERROR);
    return false;
  }
}
