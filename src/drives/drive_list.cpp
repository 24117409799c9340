#include "drives/drive_list.h"

#include "drives/byte_size.h"

namespace {
std::wstring SizePart(int64_t size, const std::wstring& decimalSeparator) {
  return size > 1000 ? AsciiUpperCase(L" [" + FormatByteSize(size, decimalSeparator) + L"]") : std::wstring();
}

std::wstring NamedLine(const std::wstring& entry, const TStorageDevice& device) {
  std::wstring line = entry;
  for (const std::wstring& name : {TrimBlanks(device.Vendor), TrimBlanks(device.Product)})
    if (!name.empty()) line += L" " + name;
  return line;
}
}  // namespace

std::wstring DriveEntry(wchar_t letter, int64_t size, const std::wstring& decimalSeparator) {
  return AsciiUpperCase(std::wstring(1, letter)) + L":" + SizePart(size, decimalSeparator);
}

std::wstring DriveLine(const std::wstring& entry, const TStorageDevice& device, const std::wstring& label) {
  std::wstring line = NamedLine(entry, device);
  if (const std::wstring trimmed = TrimBlanks(label); !trimmed.empty()) line += L" (" + trimmed + L")";
  if (!device.RemovableMedia) line += HardDiskMark;
  return line;
}

std::wstring DiskEntry(uint32_t diskNumber, int64_t size, const std::wstring& decimalSeparator) {
  return L"Disk " + std::to_wstring(diskNumber) + SizePart(size, decimalSeparator);
}

std::wstring DiskLine(const std::wstring& entry, const TStorageDevice& device) {
  return NamedLine(entry, device) + NoDriveLetterText + (device.RemovableMedia ? L"" : HardDiskMark);
}

std::wstring DriveRootOf(const std::wstring& driveLine) {
  const wchar_t letter = driveLine.empty() ? 0 : AsciiUpperCase(driveLine.substr(0, 1))[0];
  if (driveLine.size() < 2 || driveLine[1] != L':' || letter < L'A' || letter > L'Z') return L"";
  return driveLine.substr(0, 2);
}

std::wstring DriveRootOf(wchar_t letter) { return letter ? std::wstring{letter, L':'} : std::wstring(); }

namespace {
class TErrorModeReset {
public:
  explicit TErrorModeReset(IDriveQuery& query) : FQuery(query) {}
  ~TErrorModeReset() { FQuery.SetErrorMode(0); }
  TErrorModeReset(const TErrorModeReset&) = delete;
  TErrorModeReset& operator=(const TErrorModeReset&) = delete;

private:
  IDriveQuery& FQuery;
};

// The separator is asked once per scan, and only when a line needs it.
class TSeparator {
public:
  explicit TSeparator(IDriveQuery& query) : FQuery(query) {}
  const std::wstring& Get() {
    if (!FText) FText = FQuery.DecimalSeparator();
    return *FText;
  }

private:
  IDriveQuery& FQuery;
  std::optional<std::wstring> FText;
};

// Asked with critical-error dialogs already suppressed.
// What the device says of itself goes into the identity as it is.
void TakeDevice(TListedDrive& drive, const TStorageDevice& device) {
  drive.Identity.Vendor = device.Vendor;
  drive.Identity.Product = device.Product;
  drive.Identity.Serial = device.Serial;
  drive.Identity.RemovableMedia = device.RemovableMedia;
  drive.HardDisk = !device.RemovableMedia;
}

std::optional<TListedDrive> AskUsbDrive(IDriveQuery& query, int index, TSeparator& separator) {
  const wchar_t letter = static_cast<wchar_t>(L'a' + index);
  const TStorageDevice device = query.Device(letter);
  if (device.BusType != UsbBusType) return std::nullopt;
  TListedDrive drive;
  drive.Letter = static_cast<wchar_t>(L'A' + index);
  TDriveIdentity& identity = drive.Identity;
  try {
    identity.TotalSize = query.TotalSize(index + 1);
  } catch (...) {
    identity.TotalSize = 0;
  }
  identity.VolumeSerial = query.VolumeSerial(letter);
  identity.DiskNumber = query.DiskNumber(letter);
  if (identity.DiskNumber) drive.PartitionNumber = query.PartitionNumber(letter);
  TakeDevice(drive, device);
  drive.Line = DriveLine(DriveEntry(letter, identity.TotalSize, identity.TotalSize > 1000 ? separator.Get() : L""),
                         device, query.VolumeLabel(letter));
  return drive;
}

std::optional<TListedDrive> AskUsbDisk(IDriveQuery& query, uint32_t diskNumber, TSeparator& separator) {
  const TStorageDevice device = query.DiskDevice(diskNumber);
  if (device.BusType != UsbBusType) return std::nullopt;
  TListedDrive disk;
  TDriveIdentity& identity = disk.Identity;
  identity.DiskNumber = diskNumber;
  identity.TotalSize = query.DiskLength(diskNumber).value_or(-1);
  TakeDevice(disk, device);
  disk.Line = DiskLine(DiskEntry(diskNumber, identity.TotalSize, identity.TotalSize > 1000 ? separator.Get() : L""),
                       device);
  return disk;
}
}  // namespace

std::vector<TListedDrive> ScanUsbDriveList(IDriveQuery& query) {
  std::vector<TListedDrive> drives;
  query.SetErrorMode(SemFailCriticalErrors);
  TErrorModeReset reset(query);
  TSeparator separator(query);
  const uint32_t mask = query.LogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if ((mask & (uint32_t{1} << i)) == 0) continue;
    if (std::optional<TListedDrive> drive = AskUsbDrive(query, i, separator)) drives.push_back(std::move(*drive));
  }
  const size_t lettered = drives.size();
  for (const uint32_t number : query.Disks()) {
    bool hasLetter = false;
    for (size_t i = 0; i < lettered; ++i) hasLetter = hasLetter || drives[i].Identity.DiskNumber == number;
    if (hasLetter) continue;
    if (std::optional<TListedDrive> disk = AskUsbDisk(query, number, separator)) drives.push_back(std::move(*disk));
  }
  return drives;
}

std::optional<TListedDrive> QueryUsbDisk(IDriveQuery& query, uint32_t diskNumber) {
  query.SetErrorMode(SemFailCriticalErrors);
  TErrorModeReset reset(query);
  TSeparator separator(query);
  return AskUsbDisk(query, diskNumber, separator);
}

wchar_t LetterOnDisk(IDriveQuery& query, uint32_t diskNumber) {
  query.SetErrorMode(SemFailCriticalErrors);
  TErrorModeReset reset(query);
  const uint32_t mask = query.LogicalDrives();
  for (int i = 0; i < 26; ++i) {
    const wchar_t letter = static_cast<wchar_t>(L'a' + i);
    if ((mask & (uint32_t{1} << i)) != 0 && query.DiskNumber(letter) == diskNumber)
      return static_cast<wchar_t>(L'A' + i);
  }
  return 0;
}

std::optional<TListedDrive> QueryUsbDrive(IDriveQuery& query, wchar_t letter) {
  const int index = AsciiUpperCase(std::wstring(1, letter))[0] - L'A';
  if (index < 0 || index >= 26) return std::nullopt;
  query.SetErrorMode(SemFailCriticalErrors);
  TErrorModeReset reset(query);
  if ((query.LogicalDrives() & (uint32_t{1} << index)) == 0) return std::nullopt;
  TSeparator separator(query);
  return AskUsbDrive(query, index, separator);
}

bool StillSameDrive(IDriveQuery& query, const TListedDrive& listed) {
  const std::optional<TListedDrive> now =
      Letterless(listed) ? QueryUsbDisk(query, *listed.Identity.DiskNumber) : QueryUsbDrive(query, listed.Letter);
  return now && SameDrive(listed, *now);
}

std::optional<std::vector<std::wstring>> OtherPartitionsOfDisk(IDriveQuery& query, const TListedDrive& drive,
                                                               const std::vector<TListedDrive>& list) {
  const std::optional<uint32_t> disk = drive.Identity.DiskNumber;
  if (!disk) return std::nullopt;
  const std::optional<std::vector<TPartition>> table = query.DiskPartitions(*disk);
  if (!table) return std::nullopt;
  TSeparator separator(query);
  std::vector<std::wstring> others;
  for (const TPartition& partition : *table) {
    if (partition.Number == drive.PartitionNumber) continue;
    std::wstring name;
    for (const TListedDrive& listed : list)
      if (listed.Letter != drive.Letter && listed.Identity.DiskNumber == disk &&
          listed.PartitionNumber == partition.Number)
        name = listed.Line;
    if (name.empty())
      name = std::wstring(UnletteredPartitionText) + L" [" +
             AsciiUpperCase(FormatByteSize(partition.Length, separator.Get())) + L"]";
    others.push_back(std::move(name));
  }
  return others;
}
