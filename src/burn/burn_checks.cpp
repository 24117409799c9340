#include "burn/burn_checks.h"

#include "base/ascii_text.h"
#include "drives/byte_size.h"

namespace {
std::wstring SizeText(uint64_t size, const std::wstring& decimalSeparator) {
  return AsciiUpperCase(FormatByteSize(static_cast<int64_t>(size), decimalSeparator));
}
}  // namespace

bool FatCannotHoldFile(TFileSystem fileSystem, uint64_t size) { return IsFatFamily(fileSystem) && size > FatFileSizeLimit; }

bool IsInstallWimPath(const std::wstring& path) {
  std::wstring name = path;
  for (wchar_t& c : name)
    if (c == L'/') c = L'\\';
  return SameTextIgnoringCase(name, L"sources\\install.wim");
}

TBurnPlan PlanBurn(const TImageSurvey& survey, const std::wstring& imagePath, int64_t driveSize,
                   TFileSystem fileSystem, const std::wstring& decimalSeparator, const TTempFolder& temp) {
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
    if (!FatCannotHoldFile(fileSystem, file.Size)) continue;
    // The first such install.wim is split.
    if (!plan.WimToSplit && IsInstallWimPath(file.Path))
      plan.WimToSplit = file;
    else
      plan.TooLargeForFileSystem.push_back(file);
  }
  // The copy and the parts it is split into, side by side until the parts
  // on the drive are read back.
  const uint64_t tempNeeded = plan.WimToSplit ? 2 * plan.WimToSplit->Size + SplitTempReserve : 0;
  if (driveSize >= 0 && plan.NeededBytes > static_cast<uint64_t>(driveSize)) {
    plan.Refusal = R::DriveTooSmall;
    plan.Message = L"The ISO image needs " + SizeText(plan.NeededBytes, decimalSeparator) +
                   L" but the USB disk holds only " + SizeText(static_cast<uint64_t>(driveSize), decimalSeparator) +
                   L".";
  } else if (!plan.TooLargeForFileSystem.empty()) {
    plan.Refusal = R::FileTooLargeForFat;
    plan.Message = std::wstring(FileSystemName(fileSystem)) + L" cannot hold files of 4 GB or more: \"" +
                   plan.TooLargeForFileSystem.front().Path + L"\". Choose NTFS or exFAT.";
  } else if (plan.WimToSplit && temp.FreeBytes && *temp.FreeBytes < tempNeeded) {
    plan.Refusal = R::NotEnoughTempSpace;
    plan.Message = L"Not enough free space in \"" + temp.Path + L"\" to split install.wim (" +
                   SizeText(tempNeeded, decimalSeparator) + L" needed).";
  }
  return plan;
}

std::wstring LeftOutText(const std::vector<TImageFile>& leftOut) {
  if (leftOut.empty()) return {};
  constexpr std::size_t named = 5;
  std::wstring text = L"\r\n\r\nWindows cannot hold these files of the image under their names, so they were left out: ";
  for (std::size_t i = 0; i < leftOut.size() && i < named; ++i) text += (i ? L", \"" : L"\"") + leftOut[i].Path + L"\"";
  if (leftOut.size() > named) text += L" and " + std::to_wstring(leftOut.size() - named) + L" more";
  return text + L".";
}
