#pragma once
// The lines of the drive list and the scan that builds them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/ascii_text.h"
#include "drives/drive_identity.h"

// What the system says of a drive's storage device.
struct TStorageDevice {
  int32_t BusType = 0;  // 7 = USB, 0 when the system does not answer
  bool RemovableMedia = true;
  std::wstring Vendor, Product, Serial;
};

// One entry of a disk's partition table.
struct TPartition {
  uint32_t Number = 0;
  int64_t Length = 0;
  bool operator==(const TPartition&) const = default;
};

// What a scan asks of the system; the Win32 layer answers for real, tests fake it.
// Letters are lower case.
class IDriveQuery {
public:
  virtual ~IDriveQuery() = default;
  virtual uint32_t LogicalDrives() = 0;  // bit 0 = A
  virtual TStorageDevice Device(wchar_t letter) = 0;
  virtual std::optional<uint32_t> DiskNumber(wchar_t letter) = 0;
  // The entry of its disk's table that holds the volume.
  virtual std::optional<uint32_t> PartitionNumber(wchar_t letter) = 0;
  virtual std::optional<uint32_t> VolumeSerial(wchar_t letter) = 0;
  // Empty when the volume has none or the system does not answer.
  virtual std::wstring VolumeLabel(wchar_t letter) = 0;
  virtual int64_t TotalSize(int driveNumber) = 0;  // 1 = A; -1 when unknown
  // The whole disk's length in bytes, which a bootable burn partitions; none
  // when the system does not answer.
  virtual std::optional<int64_t> DiskLength(uint32_t diskNumber) = 0;
  // The disk's partitions in the table's order; none when the table cannot be read.
  virtual std::optional<std::vector<TPartition>> DiskPartitions(uint32_t diskNumber) = 0;
  // The numbers of the disks attached, and what each disk's device says.
  virtual std::vector<uint32_t> Disks() = 0;
  virtual TStorageDevice DiskDevice(uint32_t diskNumber) = 0;
  virtual void SetErrorMode(unsigned mode) = 0;
  virtual std::wstring DecimalSeparator() = 0;
};

constexpr int32_t UsbBusType = 7;
constexpr unsigned SemFailCriticalErrors = 1;

// "E:" and, when size > 1000, " [" + the size text + "]" in ASCII upper case.
std::wstring DriveEntry(wchar_t letter, int64_t size, const std::wstring& decimalSeparator);

inline constexpr const wchar_t* HardDiskMark = L" hard disk";

// The entry, then vendor and product as the device reports them, the volume
// label in parentheses and the hard-disk mark, each only when there is one.
std::wstring DriveLine(const std::wstring& entry, const TStorageDevice& device, const std::wstring& label);

inline constexpr const wchar_t* NoDriveLetterText = L" (no drive letter)";

// "Disk 3" and, when size > 1000, the size as DriveEntry gives it.
std::wstring DiskEntry(uint32_t diskNumber, int64_t size, const std::wstring& decimalSeparator);
// The entry, vendor and product, the no-letter mark and the hard-disk mark.
std::wstring DiskLine(const std::wstring& entry, const TStorageDevice& device);

// The drive root of a lettered drive line: its first two characters, as in
// "E:"; empty for a line that starts with no drive letter.
std::wstring DriveRootOf(const std::wstring& driveLine);
// The root of a drive letter, "E:"; empty for none (0).
std::wstring DriveRootOf(wchar_t letter);

// One entry per USB drive letter in alphabetical order, each with its line
// and identity, then one per USB disk that holds no lettered drive, by
// number (the list shows an empty line before them). Runs with
// critical-error dialogs suppressed and leaves the error mode at 0 on every
// way out.
std::vector<TListedDrive> ScanUsbDriveList(IDriveQuery& query);

// The letter asked again, as the scan asks it; none when it is gone or no
// longer on the USB bus.
std::optional<TListedDrive> QueryUsbDrive(IDriveQuery& query, wchar_t letter);
// The disk asked again as a disk without a letter; none when it is gone or
// no longer on the USB bus.
std::optional<TListedDrive> QueryUsbDisk(IDriveQuery& query, uint32_t diskNumber);

// The first letter, in alphabetical order, of a volume on the disk; 0 for none.
wchar_t LetterOnDisk(IDriveQuery& query, uint32_t diskNumber);

// Asked just before erasing: still on the USB bus, with the same identity
// (a disk without a letter: the same disk's).
bool StillSameDrive(IDriveQuery& query, const TListedDrive& listed);

inline constexpr const wchar_t* UnletteredPartitionText = L"a partition without a drive letter";

// What a bootable burn's clean erases beside `drive`: the other partitions of
// its disk in the table's order, each lettered one as its line in `list`,
// another as the unlettered text and its size. None when the disk or its
// table cannot be told.
std::optional<std::vector<std::wstring>> OtherPartitionsOfDisk(IDriveQuery& query, const TListedDrive& drive,
                                                               const std::vector<TListedDrive>& list);
