#include "drives/test_bus/usb_bus_file_query.h"

#include <set>

#include "base/win32_handles.h"

std::wstring UsbBusFileBesideProgram() {
  std::wstring path(32768, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path.substr(0, path.find_last_of(L'\\') + 1) + UsbBusFileName;
}

TUsbBus TUsbBusFileQuery::Bus() const {
  TFileHandle file(::CreateFileW(FFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string text(64 * 1024, '\0');
  DWORD got = 0;
  if (!::ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &got, nullptr)) return {};
  text.resize(got);
  return ParseUsbBusFile(text);
}

std::optional<TUsbBusEntry> TUsbBusFileQuery::Entry(wchar_t letter) const {
  if (letter >= L'A' && letter <= L'Z') letter = static_cast<wchar_t>(letter - L'A' + L'a');
  const TUsbBus bus = Bus();
  const auto found = bus.Letters.find(letter);
  if (found == bus.Letters.end()) return std::nullopt;
  return found->second;
}

TStorageDevice TUsbBusFileQuery::Device(wchar_t letter) {
  TStorageDevice device = TWin32DriveQuery::Device(letter);
  const std::optional<TUsbBusEntry> entry = Entry(letter);
  if (!entry) {
    // A real USB drive of the test machine stays out of the tests' reach.
    if (device.BusType == UsbBusType) device.BusType = 0;
    return device;
  }
  device.BusType = UsbBusType;
  device.RemovableMedia = entry->Removable;
  device.Vendor = entry->Vendor;
  device.Product = entry->Product;
  if (!entry->Serial.empty()) device.Serial = entry->Serial;
  return device;
}

std::optional<uint32_t> TUsbBusFileQuery::DiskNumber(wchar_t letter) {
  // Wine puts every mapped drive on disk 0; only the file's disks count here.
  const std::optional<TUsbBusEntry> entry = Entry(letter);
  return entry ? entry->DiskNumber : std::nullopt;
}

std::wstring TUsbBusFileQuery::VolumeLabel(wchar_t letter) {
  const std::optional<TUsbBusEntry> entry = Entry(letter);
  return entry ? entry->Label : TWin32DriveQuery::VolumeLabel(letter);
}

std::optional<int64_t> TUsbBusFileQuery::DiskLength(uint32_t diskNumber) {
  const TUsbBus bus = Bus();
  for (const auto& [letter, entry] : bus.Letters)
    if (entry.DiskNumber == diskNumber && entry.DiskLength) return entry.DiskLength;
  for (const TUsbBusEntry& disk : bus.Disks)
    if (disk.DiskNumber == diskNumber) return disk.DiskLength;
  return TWin32DriveQuery::DiskLength(diskNumber);
}

std::optional<uint32_t> TUsbBusFileQuery::PartitionNumber(wchar_t letter) {
  if (letter >= L'A' && letter <= L'Z') letter = static_cast<wchar_t>(letter - L'A' + L'a');
  const std::optional<uint32_t> disk = DiskNumber(letter);
  if (!disk) return std::nullopt;
  uint32_t number = 0;
  for (const auto& [other, entry] : Bus().Letters)
    if (entry.DiskNumber == disk) {
      ++number;
      if (other == letter) return number;
    }
  return std::nullopt;
}

std::optional<std::vector<TPartition>> TUsbBusFileQuery::DiskPartitions(uint32_t diskNumber) {
  std::vector<TPartition> table;
  std::vector<int64_t> unlettered;
  const TUsbBus bus = Bus();
  for (const TUsbBusEntry& disk : bus.Disks) {
    if (disk.DiskNumber != diskNumber) continue;
    if (disk.TableUnreadable) return std::nullopt;
    for (const int64_t length : disk.Unlettered) table.push_back({static_cast<uint32_t>(table.size() + 1), length});
    return table;
  }
  for (const auto& [letter, entry] : bus.Letters) {
    if (entry.DiskNumber != diskNumber) continue;
    if (entry.TableUnreadable) return std::nullopt;
    table.push_back({static_cast<uint32_t>(table.size() + 1), TotalSize(letter - L'a' + 1)});
    unlettered.insert(unlettered.end(), entry.Unlettered.begin(), entry.Unlettered.end());
  }
  if (table.empty()) return TWin32DriveQuery::DiskPartitions(diskNumber);
  for (const int64_t length : unlettered) table.push_back({static_cast<uint32_t>(table.size() + 1), length});
  return table;
}

std::vector<uint32_t> TUsbBusFileQuery::Disks() {
  std::set<uint32_t> numbers;
  const TUsbBus bus = Bus();
  for (const auto& [letter, entry] : bus.Letters)
    if (entry.DiskNumber) numbers.insert(*entry.DiskNumber);
  for (const TUsbBusEntry& disk : bus.Disks) numbers.insert(*disk.DiskNumber);
  return {numbers.begin(), numbers.end()};
}

TStorageDevice TUsbBusFileQuery::DiskDevice(uint32_t diskNumber) {
  const TUsbBus bus = Bus();
  std::optional<TUsbBusEntry> found;
  for (const auto& [letter, entry] : bus.Letters)
    if (entry.DiskNumber == diskNumber) found = entry;
  for (const TUsbBusEntry& disk : bus.Disks)
    if (disk.DiskNumber == diskNumber) found = disk;
  if (!found) return {};
  return {UsbBusType, found->Removable, found->Vendor, found->Product, found->Serial};
}
