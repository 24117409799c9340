#include "sevenzip/image_survey.h"

#include <algorithm>

#include "sevenzip/sevenzip.h"
#include "sevenzip/sevenzip_platform.h"
#include "sevenzip/udf_fallback.h"

namespace {

using TStatus = TImageSurvey::TStatus;

// The reader's file items; raises when the image cannot be opened or the
// reader flags it as cut short or damaged. Data after the end is harmless.
std::vector<TImageFile> ReadFiles(I7zInArchive& archive, const std::wstring& image) {
  archive.OpenArchiveFile(image);
  if (archive.ArchiveErrorFlags() & ~SevenZip::kpvErrorFlagsDataAfterEnd)
    throw EFailure(L"The image is damaged");
  return ListImageFiles(archive);
}

// The names the first pass leaves in a fresh drive root: files at the root
// and the top folders of deeper files (a folder item alone makes nothing).
std::vector<std::wstring> RootNamesWritten(const std::vector<TImageFile>& files) {
  std::vector<std::wstring> names;
  for (const TImageFile& file : files) {
    std::wstring name = file.Path.substr(0, file.Path.find(SevenZipPlatform::PathDelimiter));
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
  }
  return names;
}

// A reader object of the library; false when the library cannot give one.
bool MakeReader(TComPtr<I7zInArchive>& archive, const TGUID& classID) {
  try {
    archive = MakeInArchive(classID);
    archive->InArchive();
    return true;
  } catch (const EFailure&) {
    return false;
  }
}

}  // namespace

std::vector<TImageFile> ListImageFiles(I7zInArchive& archive) {
  std::vector<TImageFile> files;
  const uint32_t count = archive.ItemCount();
  for (uint32_t i = 0; i < count; ++i)
    if (!archive.ItemIsFolder(i)) files.push_back({archive.ItemPath(i), archive.ItemSize64(i), i});
  return files;
}

TImageSurvey SurveyImage(const std::wstring& imagePath) {
  TImageSurvey survey;
  TComPtr<I7zInArchive> archive;
  if (!MakeReader(archive, IsoFormatClassID)) {
    survey.Status = TStatus::LibraryFailed;
    return survey;
  }
  try {
    survey.Files = ReadFiles(*archive, imagePath);
    if (!NeedsUdfPass(RootNamesWritten(survey.Files))) return survey;
    survey.UsesUdf = true;
    if (!MakeReader(archive, UdfFormatClassID)) {
      survey.Status = TStatus::LibraryFailed;
      survey.Files.clear();
      return survey;
    }
    survey.Files = ReadFiles(*archive, imagePath);
  } catch (const EFailure&) {
    survey.Status = TStatus::ImageUnreadable;
    survey.Files.clear();
  }
  return survey;
}
