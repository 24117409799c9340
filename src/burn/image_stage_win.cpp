// Stage 3, the image burn, and its progress routine.
#include "burn/burn_job.h"

#include "burn/burn_checks.h"
#include "base/failure.h"

THResult TBurnJob::ExtractProgress(void* sender, bool total, int64_t value) {
  auto* job = static_cast<TBurnJob*>(sender);
  return job ? job->FWorker.Record(total, value) : 0;
}

const TImageSurvey& TBurnJob::Survey() {
  if (!FSurvey) {
    FLibrary = LoadCodecLibraryOrNone();
    FSurvey = SurveyImage(FChoice.IsoFile, FLibrary);
  }
  return *FSurvey;
}

const TBurnPlan& TBurnJob::Plan() {
  // A stage run on its own plans without the drive and the temp folder.
  if (!FPlan) FPlan = PlanBurn(Survey(), FChoice.IsoFile, -1, FChoice.FileSystem, L".");
  return *FPlan;
}

// The reader the survey chose, over the image anew, with the items the burn
// does not write left out.
TComPtr<I7zInArchive> TBurnJob::OpenImageReader() {
  const TImageSurvey& survey = Survey();
  // Without the library the load is tried again, for its failure's text.
  TComPtr<I7zInArchive> reader =
      MakeInArchive(FLibrary ? FLibrary : LoadCodecLibrary(), survey.UsesUdf ? UdfFormatClassID : IsoFormatClassID);
  reader->OpenArchiveFile(FChoice.IsoFile);
  reader->SetProgressHandler(this, &TBurnJob::ExtractProgress);
  for (uint32_t item : survey.BootItems) reader->LeaveOutItem(item);
  for (const TImageFile& file : survey.LeftOut) reader->LeaveOutItem(file.Index);
  return reader;
}

// FAT cannot hold a large install.wim: it goes into a work folder instead,
// for the split stage.
void TBurnJob::SetWimAside(I7zInArchive& reader) {
  FWimCopy.reset();
  const std::optional<TImageFile>& wim = Plan().WimToSplit;
  if (!wim) return;
  FWimCopy.emplace(wim->Index);
  reader.SetItemTarget(wim->Index, FWimCopy->File());
}

bool TBurnJob::BurnImageStage() {
  // Dropped when the stage returns, after the bar is hidden: the image is
  // closed then.
  TComPtr<I7zInArchive> reader;
  TProgressBarScope bar(FView);
  try {
    // Without a drive letter the files would land on the root of the current
    // drive.
    if (!IsDriveRoot(FRoot)) throw EFailure(L"No drive to unpack the image onto.");
    FFlushEachFile = !VolumeFlushesWhole();
    FWorker.Run([&] {
      reader = OpenImageReader();
      SetWimAside(*reader);
      reader->SetFlushWrittenFiles(FFlushEachFile);
      reader->ExtractToFolder(FRoot);
      FFlushedFiles.insert(reader->FlushedFiles().begin(), reader->FlushedFiles().end());
      if (!reader->UnflushedFile().empty()) FImageUnflushed = true;
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
