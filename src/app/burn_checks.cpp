#include "app/burn_checks.h"

#include "base/ascii_text.h"
#include "drives/byte_size.h"

namespace {
std::wstring SizeText(uint64_t size, const std::wstring& decimalSeparator) {
  return AsciiUpperCase(FormatByteSize(static_cast<int64_t>(size), decimalSeparator));
}
}  // namespace

bool FatCannotHoldFile(const std::wstring& fileSystem, uint64_t size) {
  const std::wstring name = AsciiUpperCase(fileSystem);
  return (name == L"FAT32" || name == L"FAT") && size > FatFileSizeLimit;
}

TBurnPlan PlanBurn(const TImageSurvey& survey, const std::wstring& imagePath, int64_t driveSize,
                   const std::wstring& fileSystem, const std::wstring& decimalSeparator) {
  using R = TBurnPlan::TRefusal;
  TBurnPlan plan;
  if (survey.Status == TImageSurvey::TStatus::LibraryFailed) {
    plan.Refusal = R::BrokenLibrary;
    plan.Message = ReinstallText;
    return plan;
  }
  if (survey.Status == TImageSurvey::TStatus::ImageUnreadable) {
    plan.Refusal = R::UnreadableImage;
    plan.Message = L"Cannot read the ISO image \"" + imagePath + L"\".";
    return plan;
  }
  for (const TImageFile& file : survey.Files) {
    plan.NeededBytes += file.Size;
    if (plan.Largest.Path.empty() || file.Size > plan.Largest.Size) plan.Largest = file;
    if (FatCannotHoldFile(fileSystem, file.Size)) plan.TooLargeForFileSystem.push_back(file);
  }
  if (driveSize >= 0 && plan.NeededBytes > static_cast<uint64_t>(driveSize)) {
    plan.Refusal = R::DriveTooSmall;
    plan.Message = L"The ISO image needs " + SizeText(plan.NeededBytes, decimalSeparator) +
                   L" but the USB disk holds only " + SizeText(static_cast<uint64_t>(driveSize), decimalSeparator) +
                   L".";
  } else if (!plan.TooLargeForFileSystem.empty()) {
    plan.Refusal = R::FileTooLargeForFat;
    plan.Message = fileSystem + L" cannot hold files of 4 GB or more: \"" + plan.TooLargeForFileSystem.front().Path +
                   L"\". Choose NTFS or exFAT.";
  }
  return plan;
}
