// The install.wim split: DISM writes the parts beside the copy, the burn
// copies them onto the drive and later compares them with these.
#include "burn/burn_job.h"

#include "burn/burn_rules.h"
#include "base/scope_guard.h"

namespace {

using TPart = TWimCopy::TPart;

// install.swm, install2.swm, ... as the split tool names them, while they exist.
std::vector<TPart> PartsIn(const std::wstring& folder) {
  std::vector<TPart> parts;
  for (int n = 1;; ++n) {
    std::wstring name = L"install" + (n == 1 ? std::wstring() : std::to_wstring(n)) + L".swm";
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW((folder + L"\\" + name).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      break;
    parts.push_back({std::move(name), (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
  }
  return parts;
}

}  // namespace

bool TBurnJob::SplitInstallWim() {
  if (!FWimCopy) return true;
  bool split = false;
  const TScopeGuard work([&] {
    if (!split) FWimCopy.reset();
  });
  FOthersWrote = true;
  // The session may have ended under the stage, and the copy gone with it.
  if (!RunStage(SplitImage) || !FWimCopy) return false;
  if (!CopySplitParts(*FWimCopy) || FCancelled) {
    FView.SetStatus(L"Error.");
    FView.ShowMessage(L"Failed to split install.wim.", ErrorTitle, MB_OK | MB_ICONERROR);
    return false;
  }
  split = true;
  return true;
}

DWORD CALLBACK TBurnJob::PartCopyProgress(LARGE_INTEGER, LARGE_INTEGER copied, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                                          DWORD, HANDLE, HANDLE, LPVOID job) {
  // Any answer but 0: the burn is stopping.
  return PartProgress(job, false, copied.QuadPart) == 0 ? PROGRESS_CONTINUE : PROGRESS_CANCEL;
}

bool TBurnJob::CopySplitParts(TWimCopy& wim) {
  wim.Parts.clear();
  wim.PartsSize = 0;
  const std::vector<TPart> parts = PartsIn(wim.Folder.Path());
  if (parts.empty()) return false;
  int64_t total = 0;
  for (const TPart& part : parts) total += part.Size;
  FView.SetStatus(L"Copying the parts of install.wim to the USB drive...");
  TProgressBarScope bar(FView);
  bool copied = true;
  FWorker.Run([&] {
    // install.wim may have been the only file of its folder.
    const std::wstring sources = OnDrive(L"sources");
    if (!::CreateDirectoryW(sources.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
      copied = false;
      return;
    }
    ExtractProgress(this, true, total);
    FPartsDone = 0;
    for (const TPart& part : parts) {
      const std::wstring target = OnDrive(L"sources\\" + part.Name);
      copied = ::CopyFileExW((wim.Folder.Path() + L"\\" + part.Name).c_str(), target.c_str(),
                             &TBurnJob::PartCopyProgress, this, nullptr, 0) != FALSE;
      if (!copied) return;
      // As the image's files were, where the volume cannot be flushed whole.
      if (FFlushEachFile) {
        if (FlushOpened(target, FILE_ATTRIBUTE_NORMAL) == 0)
          FFlushedFiles.insert(target);
        else
          FImageUnflushed = true;
      }
      wim.Parts.push_back(part);
      wim.PartsSize += part.Size;
      FPartsDone += part.Size;
    }
  });
  if (!copied) return false;
  FView.SetStatus(L"Done.");
  return true;
}
