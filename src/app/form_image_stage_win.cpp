#include "app/form_image_stage.h"

#include "app/usb_form.h"
#include "app/burn_checks.h"
#include "base/failure.h"
#include "sevenzip/udf_fallback.h"
#include "stages/stage_text.h"

namespace {

// Hides the bar on every way out of the stage, after any message box.
class TProgressBarScope {
public:
  explicit TProgressBarScope(TUSBForm& form) : FForm(form) { FForm.SetProgressBarVisible(true); }
  ~TProgressBarScope() { FForm.SetProgressBarVisible(false); }
  TProgressBarScope(const TProgressBarScope&) = delete;
  TProgressBarScope& operator=(const TProgressBarScope&) = delete;

private:
  TUSBForm& FForm;
};

// FAT cannot hold a large install.wim: it goes into a work folder instead,
// for the split stage. Each pass decides anew for its own reader.
void SetWimAside(TUSBForm& form, I7zInArchive& reader) {
  form.WimSplitFile.clear();
  const std::optional<TImageFile> wim = FindWimToSplit(form.GetSelectedFileSystem(), ListImageFiles(reader));
  if (!wim) return;
  if (!form.WimWorkFolder) form.WimWorkFolder.emplace(L"install_wim.tmp");
  const std::wstring copy = form.WimWorkFolder->Path() + L"\\install.wim";
  reader.SetItemTarget(wim->Index, copy);
  form.WimSplitFile = copy;
}

// One pass of a reader over the image named in the edit, read anew each pass.
// Assigning to `reader` releases the previous reader (and its image file).
void ExtractPass(TUSBForm& form, TComPtr<I7zInArchive>& reader, const TGUID& classID,
                 const std::wstring& root) {
  reader = MakeInArchive(classID);
  reader->OpenArchiveFile(form.ControlText(form.ISOFileEdit));
  reader->SetProgressHandler(nullptr, ExtractProgress);
  SetWimAside(form, *reader);
  reader->ExtractToFolder(root);
}

}  // namespace

THResult ExtractProgress(void* /*sender*/, bool total, int64_t value) {
  TUSBForm* form = USBForm;
  if (!form) return 0;
  // Nothing may cross into the library as an exception.
  try {
    form->ProgressModel.Report(total, value);
    // Reports come thousands of times per image, and under Wine even asking
    // the bar's size is a round trip: the bar and the window follow at the
    // pace of message processing (always on the first and the last report).
    if (!form->ProgressPacer.Due(total, value, ::GetTickCount64())) return 0;
    form->UpdateProgressBar();
  } catch (...) {
  }
  try {
    form->ProcessMessages();
  } catch (...) {
  }
  return 0;
}

bool TUSBForm::BurnImageStage(const std::wstring& root) {
  // Dropped when the stage returns, after the bar is hidden: the library is
  // unloaded then.
  TComPtr<I7zInArchive> reader;
  TProgressBarScope bar(*this);
  try {
    // Without a drive letter the files would land on the root of the current
    // drive.
    if (!IsDriveRoot(root)) throw EFailure(L"No drive to unpack the image onto.");
    ExtractPass(*this, reader, IsoFormatClassID, root);
    bool secondPass = false;
    {
      const std::vector<std::wstring> names = ListDriveRoot(root);
      if (NeedsUdfPass(names)) {
        secondPass = true;
        try {
          ::DeleteFileW((root + L"\\" + names.front()).c_str());
        } catch (...) {
        }
      }
    }
    if (secondPass) ExtractPass(*this, reader, UdfFormatClassID, root);
    SetStatus(L"Burning is complete.");
    return true;
  } catch (...) {
    // The failure's own text is not shown.
    SetStatus(L"Error.");
    ShowMessage(L"Failed to burn ISO image.", L"Error", MB_OK | MB_ICONERROR);
    return false;
  }
}
