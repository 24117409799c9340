#pragma once
// What a burn erases, and the refusals that keep it from erasing what the
// burn still needs.
// Platform-free; the burn job feeds them just before erasing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "burn/file_system.h"
#include "drives/drive_identity.h"
#include "drives/folder_state.h"

inline constexpr const wchar_t* FatVolumeTooLargeText =
    L"FAT cannot make a volume over 4 GB. Choose FAT32, NTFS or exFAT.";
// FAT volumes end at 4 GiB.
inline constexpr int64_t FatVolumeLimit = 4294967296;

// The box when the drive asked again is not the listed one (title "Error").
std::wstring DriveChangedText(const std::wstring& root);
// The box when a bootable burn cannot learn which disk it partitions or that
// disk's partitions (title "Error").
std::wstring UnknownDiskText(const std::wstring& root);
// The box when a bootable burn cannot learn the length of the disk it
// partitions (title "Error").
std::wstring UnknownDiskLengthText(const std::wstring& root);
// The same for a disk without a letter, named "Disk 3".
std::wstring UnknownLetterlessLengthText(const std::wstring& disk);
// The box when no volume of a disk without a letter shows up once diskpart
// made one (title "Error").
std::wstring NoLetterAssignedText(const std::wstring& disk);

// The volumes a burn of `Target` still needs after erasing.
struct TNeededVolumes {
  TVolumeRef Target;
  TVolumeRef Image;
  TVolumeRef Program;                  // the program's own folder
  std::optional<TVolumeRef> TempFolder;  // only when install.wim is split
  std::wstring TempPath;
};

// Refuses when what the burn erases (the volume; for a bootable burn the
// whole disk) holds the image, the program or the temp folder. `root` is "E:"
// (for a disk without a letter, "Disk 3").
std::optional<std::wstring> ErasedNeedRefusal(const std::wstring& root, bool bootable, const TNeededVolumes& needed);

std::optional<std::wstring> FatVolumeRefusal(TFileSystem fileSystem, int64_t driveSize);

// The install.wim copy's path below the temp folder at its longest: the work
// folder with its counter, then the file; it must stay within MAX_PATH.
inline constexpr std::wstring_view WimCopyTail = L"install_wim00000000.tmp\\install.wim";
inline constexpr std::size_t PathLengthLimit = 259;

// Refuses a temp folder that cannot take the install.wim copy: missing,
// unreadable, on FAT or FAT32, or with a path too long for the copy.
std::optional<std::wstring> TempFolderRefusal(const TFolderState& temp, uint64_t wimSize,
                                              const std::wstring& decimalSeparator);
