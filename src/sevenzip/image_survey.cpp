#include "sevenzip/image_survey.h"

#include <algorithm>
#include <set>

#include "sevenzip/sevenzip.h"
#include "sevenzip/sevenzip_platform.h"
#include "sevenzip/item_names.h"
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

// The boot catalog's items come after the image's own: the trailing run of
// such names, never one inside the tree.
void TakeBootItems(TImageSurvey& survey) {
  while (!survey.Files.empty() &&
         IsBootCatalogItem(survey.Files.back().Path, SevenZipPlatform::PathDelimiter)) {
    survey.BootItems.insert(survey.BootItems.begin(), survey.Files.back().Index);
    survey.Files.pop_back();
  }
}

// The first of two items that land on one file is written; a later one, and
// one that Windows cannot name, is left out.
void TakeNamesWindowsCannotHold(TImageSurvey& survey) {
  const wchar_t delimiter = SevenZipPlatform::PathDelimiter;
  std::set<std::wstring> files, folders;
  std::vector<TImageFile> kept;
  for (TImageFile& file : survey.Files) {
    const std::wstring key = WindowsFileKey(file.Path, delimiter);
    bool clash = files.count(key) || folders.count(key);
    for (std::size_t cut = key.find(L'\\'); !clash && cut != std::wstring::npos; cut = key.find(L'\\', cut + 1))
      clash = files.count(key.substr(0, cut)) > 0;
    if (clash || WindowsNameFault(file.Path, delimiter) != TNameFault::None) {
      survey.LeftOut.push_back(std::move(file));
      continue;
    }
    files.insert(key);
    for (std::size_t cut = key.find(L'\\'); cut != std::wstring::npos; cut = key.find(L'\\', cut + 1))
      folders.insert(key.substr(0, cut));
    kept.push_back(std::move(file));
  }
  survey.Files = std::move(kept);
}

TImageSurvey Failed(TStatus status) {
  TImageSurvey survey;
  survey.Status = status;
  return survey;
}

// A reader object of the library; false when the library cannot give one.
bool MakeReader(TComPtr<I7zInArchive>& archive, const std::shared_ptr<T7zLibrary>& library, const TGUID& classID) {
  if (!library) return false;
  try {
    archive = MakeInArchive(library, classID);
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

std::shared_ptr<T7zLibrary> LoadCodecLibraryOrNone() {
  try {
    return LoadCodecLibrary();
  } catch (const EFailure&) {
    return nullptr;
  }
}

TImageSurvey SurveyImage(const std::wstring& imagePath) { return SurveyImage(imagePath, LoadCodecLibraryOrNone()); }

TImageSurvey SurveyImage(const std::wstring& imagePath, const std::shared_ptr<T7zLibrary>& library) {
  TImageSurvey survey;
  TComPtr<I7zInArchive> archive;
  if (!MakeReader(archive, library, IsoFormatClassID)) return Failed(TStatus::LibraryFailed);
  try {
    survey.Files = ReadFiles(*archive, imagePath);
    TakeBootItems(survey);
    if (NeedsUdfPass(RootNamesWritten(survey.Files))) {
      survey.UsesUdf = true;
      survey.BootItems.clear();
      if (!MakeReader(archive, library, UdfFormatClassID)) return Failed(TStatus::LibraryFailed);
      survey.Files = ReadFiles(*archive, imagePath);
    }
    TakeNamesWindowsCannotHold(survey);
  } catch (const EFailure&) {
    return Failed(TStatus::ImageUnreadable);
  }
  return survey;
}
