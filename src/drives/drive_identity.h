#pragma once
// What tells a listed drive from another one that later takes its letter, and
// which volumes share a volume or a disk.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TDriveIdentity {
  std::optional<uint32_t> VolumeSerial;
  int64_t TotalSize = -1;                // as the line shows it; -1 when unknown
  std::optional<uint32_t> DiskNumber;    // none where the system does not answer
  std::wstring Vendor, Product, Serial;  // of the storage device, blanks trimmed
  bool RemovableMedia = true;
  bool operator==(const TDriveIdentity&) const = default;
};

struct TListedDrive {
  std::wstring Line;   // as the list shows it
  wchar_t Letter = 0;  // upper case; 0 for a disk without a letter
  TDriveIdentity Identity;
  bool HardDisk = false;  // the device reports no removable media
  std::optional<uint32_t> PartitionNumber;  // of its disk's table; none where the system does not answer
};

// A disk the list names by its number (Identity.DiskNumber), as no volume
// of it has a letter: burning onto it partitions the whole disk.
bool Letterless(const TListedDrive& drive);
// "E:", or for a disk without a letter "Disk 3".
std::wstring DriveNameOf(const TListedDrive& drive);

// Same letter, same identity: the drive the user chose is still the one there.
bool SameDrive(const TListedDrive& listed, const TListedDrive& now);

// The volume that holds a path, and the disk that holds that volume.
struct TVolumeRef {
  std::wstring Name;  // "\\?\Volume{...}\", else the mount point; empty when unknown
  std::optional<uint32_t> VolumeSerial;
  int64_t TotalSize = -1;
  std::optional<uint32_t> DiskNumber;
};

// One volume seen through two names also shows the same serial and size:
// a subst drive, or a second letter the system names apart.
bool SameVolume(const TVolumeRef& a, const TVolumeRef& b);
bool SameDisk(const TVolumeRef& a, const TVolumeRef& b);

// What a burn of `target` erases holds `volume`: the target itself, and for
// a bootable burn (the whole disk cleaned) every volume of its disk.
bool ErasedByBurn(const TVolumeRef& target, bool wholeDisk, const TVolumeRef& volume);
