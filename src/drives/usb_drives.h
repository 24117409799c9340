#pragma once
// The USB drives attached to the host, for the drive list.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "drives/drive_list.h"

// IOCTL_STORAGE_QUERY_PROPERTY on \\.\E:; BusType 0 when it fails.
TStorageDevice GetStorageDevice(wchar_t letter);
// The same on \\.\PhysicalDriveN.
TStorageDevice GetDiskStorageDevice(uint32_t diskNumber);
// The numbers N of the \\.\PhysicalDriveN that open, up to MaxDiskNumber.
std::vector<uint32_t> GetDiskNumbers();
inline constexpr uint32_t MaxDiskNumber = 63;
// IOCTL_STORAGE_GET_DEVICE_NUMBER on `device` (\\.\E: or \\?\Volume{...});
// none when it fails or names no disk.
std::optional<uint32_t> GetDiskNumber(const std::wstring& device);
// The partition number IOCTL_STORAGE_GET_DEVICE_NUMBER answers for a volume
// device; none when it fails or names no disk.
std::optional<uint32_t> GetPartitionNumber(const std::wstring& device);
// IOCTL_DISK_GET_DRIVE_LAYOUT_EX on \\.\PhysicalDriveN: the partitions that
// hold space, containers and unused entries left out; none when it fails.
std::optional<std::vector<TPartition>> GetDiskPartitions(uint32_t diskNumber);
// GetVolumeInformationW of a root such as "E:\".
std::optional<uint32_t> GetVolumeSerial(const std::wstring& root);
// The label of a root such as "E:\"; empty when it has none or cannot be read.
std::wstring GetVolumeLabel(const std::wstring& root);
int64_t GetDriveTotalSize(int driveNumber);
// IOCTL_DISK_GET_LENGTH_INFO on \\.\PhysicalDriveN; none when it fails.
std::optional<int64_t> GetDiskLength(uint32_t diskNumber);
// The size text with the user's decimal separator.
std::wstring FormatByteSize(int64_t size);
// The decimal separator of the user's regional settings ("." when unknown).
std::wstring UserDecimalSeparator();
// Replaces the items of a combo box with the empty line and the lines of the
// drives it hands back, in the same order; the selection is not touched.
std::vector<TListedDrive> ListUsbDrives(HWND comboBox, IDriveQuery& query);

// The system's answers for a drive scan.
class TWin32DriveQuery : public IDriveQuery {
public:
  uint32_t LogicalDrives() override;
  TStorageDevice Device(wchar_t letter) override;
  std::optional<uint32_t> DiskNumber(wchar_t letter) override;
  std::optional<uint32_t> PartitionNumber(wchar_t letter) override;
  std::optional<uint32_t> VolumeSerial(wchar_t letter) override;
  std::wstring VolumeLabel(wchar_t letter) override;
  int64_t TotalSize(int driveNumber) override;
  std::optional<int64_t> DiskLength(uint32_t diskNumber) override;
  std::optional<std::vector<TPartition>> DiskPartitions(uint32_t diskNumber) override;
  std::vector<uint32_t> Disks() override;
  TStorageDevice DiskDevice(uint32_t diskNumber) override;
  void SetErrorMode(unsigned mode) override;
  std::wstring DecimalSeparator() override;
};

// The volume that holds `path` (GetVolumePathNameW, then
// GetVolumeNameForVolumeMountPointW), its serial and size, and its disk as
// `query` answers for the volume's letter. Empty when the path names no volume.
TVolumeRef VolumeOfPath(const std::wstring& path, IDriveQuery& query);
