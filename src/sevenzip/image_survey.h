#pragma once
// What the image stage will write, read from the image's directory alone
// (quick also for images of several GB) before the drive is touched.
#include <cstdint>
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
  bool UsesUdf = false;  // the stage will end with the UDF reader
  std::vector<TImageFile> Files;  // file items of that reader, in its order
};

struct I7zInArchive;
// The file items of an opened reader, in its order.
std::vector<TImageFile> ListImageFiles(I7zInArchive& archive);

// Opens the image as the image stage will: the ISO 9660 reader, and the UDF
// reader when the ISO 9660 files alone would leave only README.TXT on the
// drive root.
TImageSurvey SurveyImage(const std::wstring& imagePath);
