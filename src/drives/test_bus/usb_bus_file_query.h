#pragma once
// The test build's drive query: the system's answers, except that only the
// letters of the bus file are on the USB bus, each a flash drive or a hard
// disk as the file says, on the disk it names (none: a disk of its own), of
// the length it gives (none: as the system answers), with the vendor, product
// and label it gives (none: empty). A disk's table holds its letters in
// alphabetical order, numbered from 1, then its unlettered partitions. The
// file's disks are the only disks attached; one without a letter is a USB
// disk of its own.
#include <map>
#include <optional>
#include <vector>
#include <string>

#include "drives/test_bus/usb_bus_file.h"
#include "drives/usb_drives.h"

// usb-bus.txt in the program's own folder.
std::wstring UsbBusFileBesideProgram();

class TUsbBusFileQuery : public TWin32DriveQuery {
public:
  explicit TUsbBusFileQuery(std::wstring file = UsbBusFileBesideProgram()) : FFile(std::move(file)) {}
  TStorageDevice Device(wchar_t letter) override;
  std::optional<uint32_t> DiskNumber(wchar_t letter) override;
  std::optional<uint32_t> PartitionNumber(wchar_t letter) override;
  std::wstring VolumeLabel(wchar_t letter) override;
  std::optional<int64_t> DiskLength(uint32_t diskNumber) override;
  std::optional<std::vector<TPartition>> DiskPartitions(uint32_t diskNumber) override;
  std::vector<uint32_t> Disks() override;
  TStorageDevice DiskDevice(uint32_t diskNumber) override;

private:
  // Read on every question, so a test can change the bus while the program runs.
  TUsbBus Bus() const;
  std::optional<TUsbBusEntry> Entry(wchar_t letter) const;
  std::wstring FFile;
};
