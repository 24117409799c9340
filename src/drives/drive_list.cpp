#include "drives/drive_list.h"

#include "drives/byte_size.h"

std::wstring DriveEntry(wchar_t letter, int64_t size, const std::wstring& decimalSeparator) {
  std::wstring sizePart;
  if (size > 1000) sizePart = L" [" + FormatByteSize(size, decimalSeparator) + L"]";
  return AsciiUpperCase(std::wstring(1, letter)) + L":" + AsciiUpperCase(sizePart);
}

std::wstring DriveLine(const std::wstring& entry, const TStorageDevice& device, const std::wstring& label) {
  std::wstring line = entry;
  for (const std::wstring& name : {TrimBlanks(device.Vendor), TrimBlanks(device.Product)})
    if (!name.empty()) line += L" " + name;
  if (const std::wstring trimmed = TrimBlanks(label); !trimmed.empty()) line += L" (" + trimmed + L")";
  if (!device.RemovableMedia) line += HardDiskMark;
  return line;
}

std::wstring DriveRootOf(const std::wstring& driveLine) { return driveLine.substr(0, 2); }

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
  identity.Vendor = device.Vendor;
  identity.Product = device.Product;
  identity.Serial = device.Serial;
  identity.RemovableMedia = device.RemovableMedia;
  drive.HardDisk = !device.RemovableMedia;
  drive.Line = DriveLine(DriveEntry(letter, identity.TotalSize, identity.TotalSize > 1000 ? separator.Get() : L""),
                         device, query.VolumeLabel(letter));
  return drive;
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
  return drives;
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
  const std::optional<TListedDrive> now = QueryUsbDrive(query, listed.Letter);
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
