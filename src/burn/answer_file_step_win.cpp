// The answer file Windows Setup reads from the stick, written after the
// image's files and read back with them.
#include "burn/burn_job.h"

#include "burn/burn_rules.h"
#include "base/win32_handles.h"
#include "sevenzip/read_back.h"
#include "sevenzip/sevenzip_platform.h"

bool TBurnJob::WriteAnswerFile() {
  if (!FChoice.Setup) return true;
  const std::vector<std::wstring> paths = [this] {
    std::vector<std::wstring> found;
    for (const TImageFile& file : Survey().Files) found.push_back(file.Path);
    return found;
  }();
  const wchar_t delimiter = SevenZipPlatform::PathDelimiter;
  const std::string text =
      AnswerFileText(FChoice.Setup->Options, ImageArchitecture(paths, delimiter), FChoice.Setup->Locale);
  if (text.empty()) return true;
  // The image's maker knows its setup better than our options do.
  if (HasOwnAnswerFile(paths, delimiter)) {
    FView.SetStatus(OwnAnswerFileText);
    return true;
  }
  FOthersWrote = true;
  const std::wstring path = OnDrive(AnswerFileName);
  TFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
  DWORD written = 0;
  if (file && ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
      written == text.size()) {
    FAnswerFile = text;
    return true;
  }
  FView.SetStatus(L"Error.");
  FView.ShowMessage(AnswerFileFailedText, ErrorTitle, MB_OK | MB_ICONERROR);
  return false;
}

void TBurnJob::ReadBackAnswerFile() {
  if (FAnswerFile.empty()) return;
  TReadBack readBack;
  readBack.Begin(OnDrive(AnswerFileName));
  readBack.Compare(FAnswerFile.data(), static_cast<uint32_t>(FAnswerFile.size()));
  readBack.End();
}
