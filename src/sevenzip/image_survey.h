#pragma once
// What the image stage will write, read from the image's directory alone
// (quick also for images of several GB) before the drive is touched.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TImageFile {
  std::wstring Path;  // as the reader gives it
  uint64_t Size = 0;
  uint32_t Index = 0;  // the reader's item index
};

struct TImageSurvey {
  enum class TStatus {
    Read,
    LibraryFailed,    // 7z.dll missing, not a 7-Zip library, wrong bitness
    ImageUnreadable,  // missing, not an image, or flagged cut short or damaged
  };
  TStatus Status = TStatus::Read;
  bool UsesUdf = false;  // the stage reads the image with the UDF reader alone
  // The file items of that reader that the burn writes and reads back, in its
  // order; their sizes are what the drive must hold.
  std::vector<TImageFile> Files;
  // Files whose names Windows cannot hold (a device name, a character it
  // refuses, or a file an earlier item already takes): neither written nor
  // read back, and named when the burn ends.
  std::vector<TImageFile> LeftOut;
  // Items the reader makes up from the boot catalog: no files of the image.
  std::vector<uint32_t> BootItems;
};

struct I7zInArchive;
class T7zLibrary;
// The file items of an opened reader, in its order.
std::vector<TImageFile> ListImageFiles(I7zInArchive& archive);

// Opens the image as the image stage will: the ISO 9660 reader, or the UDF
// reader when the ISO 9660 files alone would leave only README.TXT on the
// drive root (the boot catalog's items are not counted: they are not written).
// The library is "7z.dll" loaded for the survey alone, or `library` (none:
// it could not be loaded).
TImageSurvey SurveyImage(const std::wstring& imagePath);
TImageSurvey SurveyImage(const std::wstring& imagePath, const std::shared_ptr<T7zLibrary>& library);
// "7z.dll", or none when it cannot be loaded.
std::shared_ptr<T7zLibrary> LoadCodecLibraryOrNone();
