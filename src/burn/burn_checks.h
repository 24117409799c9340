#pragma once
// The checks made before a burn erases anything: what the image holds against
// the drive and the chosen file system. Platform-free; the window feeds it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "burn/file_system.h"
#include "sevenzip/image_survey.h"

inline constexpr const wchar_t* ReinstallText = L"Error, please reinstall this software.";

// Largest file FAT32 and FAT hold: 4 GiB - 1 bytes.
inline constexpr uint64_t FatFileSizeLimit = 4294967295u;

// True when the file system is a FAT and cannot hold a file of `size` bytes.
bool FatCannotHoldFile(TFileSystem fileSystem, uint64_t size);

// sources\install.wim, with either separator, letters a to z without case.
bool IsInstallWimPath(const std::wstring& path);

// Kept free in the temp folder beyond the install.wim copy and its parts.
inline constexpr uint64_t SplitTempReserve = 64ull * 1048576;

// The temp folder that holds the install.wim copy while it is split.
struct TTempFolder {
  std::wstring Path;
  std::optional<uint64_t> FreeBytes;  // of its volume; none: not compared
};

// What the checks found and decided.
struct TBurnPlan {
  enum class TRefusal {
    None,
    BrokenLibrary,
    UnreadableImage,
    DriveTooSmall,
    FileTooLargeForFat,
    NotEnoughTempSpace
  };
  TRefusal Refusal = TRefusal::None;
  std::wstring Message;        // the refusal's box text, titled "Error"; empty for None
  uint64_t NeededBytes = 0;    // every file of the image together
  TImageFile Largest;          // empty path when the image has no files
  std::vector<TImageFile> TooLargeForFileSystem;  // in the image's order, install.wim to split left out
  // The image's sources\install.wim when the file system cannot hold it: the
  // burn unpacks it into a work folder and splits it onto the drive with DISM.
  std::optional<TImageFile> WimToSplit;
};

// `driveSize` is the drive's total size, -1 when unknown (then not compared);
// sizes are written as the drive list writes them, with `decimalSeparator`.
TBurnPlan PlanBurn(const TImageSurvey& survey, const std::wstring& imagePath, int64_t driveSize,
                   TFileSystem fileSystem, const std::wstring& decimalSeparator,
                   const TTempFolder& temp = {});

// Said after the success message when the image holds files whose names
// Windows cannot hold (empty when none): the first few named.
std::wstring LeftOutText(const std::vector<TImageFile>& leftOut);
