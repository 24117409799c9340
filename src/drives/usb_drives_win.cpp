#include "drives/usb_drives.h"

#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>

#include "base/ascii_text.h"
#include "base/optional_api.h"
#include "base/win32_handles.h"
#include "drives/byte_size.h"

namespace {
// Device paths want "\\.\e:"; a root wants "E:\".
std::wstring DevicePath(wchar_t letter) { return std::wstring(L"\\\\.\\") + letter + L":"; }
std::wstring DiskPath(uint32_t diskNumber) { return L"\\\\.\\PhysicalDrive" + std::to_wstring(diskNumber); }
std::wstring RootPath(wchar_t letter) { return AsciiUpperCase(std::wstring(1, letter)) + L":\\"; }

// The first drive letter among the volume's mount points; 0 when it has none.
wchar_t LetterOfVolume(const wchar_t* volumeName) {
  wchar_t names[1024] = {};
  if (!::GetVolumePathNamesForVolumeNameW(volumeName, names, 1024, nullptr)) return 0;
  for (const wchar_t* at = names; *at != L'\0'; at += std::wcslen(at) + 1)
    if (std::wcslen(at) == 3 && at[1] == L':') return at[0];
  return 0;
}

TFileHandle OpenDevice(const std::wstring& device, DWORD access = 0) {
  return TFileHandle(
      ::CreateFileW(device.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
}

// An ASCII string of the descriptor at `offset`, blanks trimmed; empty when
// the device names none or the offset lies outside what it returned.
std::wstring DescriptorText(const unsigned char* buffer, DWORD returned, DWORD offset) {
  std::wstring text;
  if (offset == 0 || offset >= returned) return text;
  for (DWORD i = offset; i < returned && buffer[i] != 0; ++i) text += static_cast<wchar_t>(buffer[i]);
  return std::wstring(TrimChars(text, L" "));
}

// Keeps a combo box from redrawing until the batch ends, then repaints it once.
class TRedrawBatch {
public:
  explicit TRedrawBatch(HWND control) : FControl(control) { ::SendMessageW(FControl, WM_SETREDRAW, FALSE, 0); }
  ~TRedrawBatch() {
    ::SendMessageW(FControl, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(FControl, nullptr, TRUE);
  }
  TRedrawBatch(const TRedrawBatch&) = delete;
  TRedrawBatch& operator=(const TRedrawBatch&) = delete;

private:
  HWND FControl;
};

// Appends at the end even in a sorted list; CB_ERR is dropped.
void AddItem(HWND comboBox, const std::wstring& text) {
  ::SendMessageW(comboBox, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
}
}  // namespace

namespace {
TStorageDevice StorageDeviceOf(const std::wstring& path) {
  TErrorModeScope errorMode(SEM_FAILCRITICALERRORS);
  TStorageDevice device;
  const TFileHandle volume = OpenDevice(path);
  if (!volume) return device;
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  unsigned char buffer[1024] = {};
  DWORD returned = 0;
  STORAGE_DEVICE_DESCRIPTOR head{};
  if (!::DeviceIoControl(volume.Get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, buffer, sizeof buffer,
                         &returned, nullptr) ||
      returned < offsetof(STORAGE_DEVICE_DESCRIPTOR, RawPropertiesLength)) {
    return device;
  }
  std::memcpy(&head, buffer, std::min<size_t>(returned, sizeof head));
  device.BusType = static_cast<int32_t>(head.BusType);
  device.RemovableMedia = head.RemovableMedia != FALSE;
  device.Vendor = DescriptorText(buffer, returned, head.VendorIdOffset);
  device.Product = DescriptorText(buffer, returned, head.ProductIdOffset);
  device.Serial = DescriptorText(buffer, returned, head.SerialNumberOffset);
  return device;
}
}  // namespace

TStorageDevice GetStorageDevice(wchar_t letter) { return StorageDeviceOf(DevicePath(letter)); }

TStorageDevice GetDiskStorageDevice(uint32_t diskNumber) { return StorageDeviceOf(DiskPath(diskNumber)); }

std::vector<uint32_t> GetDiskNumbers() {
  TErrorModeScope errorMode(SEM_FAILCRITICALERRORS);
  std::vector<uint32_t> numbers;
  // Numbers leave gaps where a disk was pulled: every one is tried.
  for (uint32_t number = 0; number <= MaxDiskNumber; ++number)
    if (OpenDevice(DiskPath(number))) numbers.push_back(number);
  return numbers;
}

namespace {
std::optional<STORAGE_DEVICE_NUMBER> DeviceNumber(const std::wstring& device) {
  TErrorModeScope errorMode(SEM_FAILCRITICALERRORS);
  const TFileHandle volume = OpenDevice(device);
  STORAGE_DEVICE_NUMBER number{};
  DWORD returned = 0;
  if (!volume || !::DeviceIoControl(volume.Get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, &number, sizeof number,
                                    &returned, nullptr))
    return std::nullopt;
  // CD drives are numbered apart from disks.
  if (number.DeviceType != FILE_DEVICE_DISK) return std::nullopt;
  return number;
}
}  // namespace

std::optional<uint32_t> GetDiskNumber(const std::wstring& device) {
  const std::optional<STORAGE_DEVICE_NUMBER> number = DeviceNumber(device);
  if (!number) return std::nullopt;
  return number->DeviceNumber;
}

std::optional<uint32_t> GetPartitionNumber(const std::wstring& device) {
  const std::optional<STORAGE_DEVICE_NUMBER> number = DeviceNumber(device);
  if (!number || number->PartitionNumber == static_cast<DWORD>(-1)) return std::nullopt;
  return number->PartitionNumber;
}

std::optional<std::vector<TPartition>> GetDiskPartitions(uint32_t diskNumber) {
  TErrorModeScope errorMode(SEM_FAILCRITICALERRORS);
  const TFileHandle disk = OpenDevice(DiskPath(diskNumber));
  if (!disk) return std::nullopt;
  // Words of 8 bytes keep the layout's 64-bit members aligned; the table grows until it fits.
  std::vector<uint64_t> buffer;
  DWORD returned = 0;
  for (size_t entries = 16;; entries *= 4) {
    buffer.assign((sizeof(DRIVE_LAYOUT_INFORMATION_EX) + entries * sizeof(PARTITION_INFORMATION_EX)) / 8 + 1, 0);
    const DWORD bytes = static_cast<DWORD>(buffer.size() * 8);
    if (::DeviceIoControl(disk.Get(), IOCTL_DISK_GET_DRIVE_LAYOUT_EX, nullptr, 0, buffer.data(), bytes, &returned,
                          nullptr))
      break;
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || entries >= 1024) return std::nullopt;
  }
  if (returned < offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry)) return std::nullopt;
  const auto* layout = reinterpret_cast<const DRIVE_LAYOUT_INFORMATION_EX*>(buffer.data());
  const size_t fits = (returned - offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry)) / sizeof(PARTITION_INFORMATION_EX);
  std::vector<TPartition> partitions;
  for (size_t i = 0; i < std::min<size_t>(layout->PartitionCount, fits); ++i) {
    const PARTITION_INFORMATION_EX& entry = layout->PartitionEntry[i];
    // An MBR table lists its four slots, used or not, and the containers of its logical drives.
    if (entry.PartitionLength.QuadPart <= 0 || entry.PartitionNumber == 0) continue;
    if (entry.PartitionStyle == PARTITION_STYLE_MBR &&
        (entry.Mbr.PartitionType == PARTITION_ENTRY_UNUSED || IsContainerPartition(entry.Mbr.PartitionType)))
      continue;
    partitions.push_back({entry.PartitionNumber, static_cast<int64_t>(entry.PartitionLength.QuadPart)});
  }
  return partitions;
}

std::optional<uint32_t> GetVolumeSerial(const std::wstring& root) {
  DWORD serial = 0;
  if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) return std::nullopt;
  return serial;
}

std::wstring GetVolumeLabel(const std::wstring& root) {
  TErrorModeScope errorMode(SEM_FAILCRITICALERRORS);
  wchar_t label[MAX_PATH + 1] = {};
  if (!::GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0)) return {};
  return label;
}

int64_t GetDriveTotalSize(int driveNumber) {
  if (driveNumber < 1 || driveNumber > 26) return -1;
  const std::wstring root = std::wstring(1, static_cast<wchar_t>(L'A' + driveNumber - 1)) + L":\\";
  if (const auto getDiskFreeSpaceEx = OptionalApi::GetDiskFreeSpaceExW()) {
    ULARGE_INTEGER available{};
    ULARGE_INTEGER total{};
    if (!getDiskFreeSpaceEx(root.c_str(), &available, &total, nullptr)) return -1;
    return static_cast<int64_t>(total.QuadPart);
  }
  DWORD sectorsPerCluster = 0;
  DWORD bytesPerSector = 0;
  DWORD freeClusters = 0;
  DWORD totalClusters = 0;
  if (!::GetDiskFreeSpaceW(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
    return -1;
  }
  return static_cast<int64_t>(sectorsPerCluster) * bytesPerSector * totalClusters;
}

std::optional<int64_t> GetDiskLength(uint32_t diskNumber) {
  TErrorModeScope errorMode(SEM_FAILCRITICALERRORS);
  // The length asks for read access, which a disk grants administrators only.
  const TFileHandle disk = OpenDevice(DiskPath(diskNumber), GENERIC_READ);
  GET_LENGTH_INFORMATION length{};
  DWORD returned = 0;
  if (!disk || !::DeviceIoControl(disk.Get(), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length,
                                  &returned, nullptr))
    return std::nullopt;
  return static_cast<int64_t>(length.Length.QuadPart);
}

std::wstring UserDecimalSeparator() {
  wchar_t buffer[8] = {};  // the system allows at most 3 characters and the end mark
  const int n = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
  if (n <= 1) return L".";
  return std::wstring(buffer, static_cast<size_t>(n - 1));
}

std::wstring FormatByteSize(int64_t size) { return FormatByteSize(size, UserDecimalSeparator()); }

uint32_t TWin32DriveQuery::LogicalDrives() { return ::GetLogicalDrives(); }
TStorageDevice TWin32DriveQuery::Device(wchar_t letter) { return GetStorageDevice(letter); }
std::optional<uint32_t> TWin32DriveQuery::DiskNumber(wchar_t letter) { return GetDiskNumber(DevicePath(letter)); }
std::optional<uint32_t> TWin32DriveQuery::PartitionNumber(wchar_t letter) {
  return GetPartitionNumber(DevicePath(letter));
}
std::optional<uint32_t> TWin32DriveQuery::VolumeSerial(wchar_t letter) { return GetVolumeSerial(RootPath(letter)); }
std::wstring TWin32DriveQuery::VolumeLabel(wchar_t letter) { return GetVolumeLabel(RootPath(letter)); }
int64_t TWin32DriveQuery::TotalSize(int driveNumber) { return GetDriveTotalSize(driveNumber); }
std::optional<int64_t> TWin32DriveQuery::DiskLength(uint32_t diskNumber) { return GetDiskLength(diskNumber); }
std::optional<std::vector<TPartition>> TWin32DriveQuery::DiskPartitions(uint32_t diskNumber) {
  return GetDiskPartitions(diskNumber);
}
std::vector<uint32_t> TWin32DriveQuery::Disks() { return GetDiskNumbers(); }
TStorageDevice TWin32DriveQuery::DiskDevice(uint32_t diskNumber) { return GetDiskStorageDevice(diskNumber); }
void TWin32DriveQuery::SetErrorMode(unsigned mode) { ::SetErrorMode(mode); }
std::wstring TWin32DriveQuery::DecimalSeparator() { return UserDecimalSeparator(); }

std::vector<TListedDrive> ListUsbDrives(HWND comboBox, IDriveQuery& query) {
  const std::vector<TListedDrive> drives = ScanUsbDriveList(query);
  TRedrawBatch batch(comboBox);
  ::SendMessageW(comboBox, CB_RESETCONTENT, 0, 0);
  AddItem(comboBox, L"");
  for (const TListedDrive& drive : drives) AddItem(comboBox, drive.Line);
  return drives;
}

TVolumeRef VolumeOfPath(const std::wstring& path, IDriveQuery& query) {
  TErrorModeScope errorMode(SEM_FAILCRITICALERRORS);
  TVolumeRef volume;
  std::wstring mount(std::max<size_t>(path.size() + 2, MAX_PATH), L'\0');
  if (path.empty() || !::GetVolumePathNameW(path.c_str(), mount.data(), static_cast<DWORD>(mount.size())))
    return volume;
  mount.resize(std::wcslen(mount.c_str()));
  wchar_t name[MAX_PATH] = {};
  const bool named = ::GetVolumeNameForVolumeMountPointW(mount.c_str(), name, MAX_PATH);
  volume.Name = named ? name : AsciiUpperCase(mount);
  volume.VolumeSerial = GetVolumeSerial(mount);
  ULARGE_INTEGER available{}, total{};
  if (::GetDiskFreeSpaceExW(mount.c_str(), &available, &total, nullptr))
    volume.TotalSize = static_cast<int64_t>(total.QuadPart);
  // The disk as the drive list asks it, through a letter of the volume.
  const wchar_t letter = mount.size() == 3 && mount[1] == L':' ? mount[0] : named ? LetterOfVolume(name) : 0;
  if (letter != 0) {
    volume.DiskNumber = query.DiskNumber(AsciiLower(letter));
  } else if (named) {
    volume.DiskNumber = GetDiskNumber(volume.Name.substr(0, volume.Name.size() - 1));  // no trailing backslash
  }
  return volume;
}
