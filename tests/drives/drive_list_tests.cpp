#include <gtest/gtest.h>

#include <map>

#include "drives/drive_list.h"

namespace {
struct TFakeDrive {
  int32_t Bus = UsbBusType;
  int64_t Size = 8011120640;
  bool Removable = true;
  std::optional<uint32_t> Disk, Serial;
};

TFakeDrive OnBus(int32_t bus, int64_t size) {
  TFakeDrive drive;
  drive.Bus = bus;
  drive.Size = size;
  return drive;
}

struct TFakeDisk {
  int32_t Bus = UsbBusType;
  std::optional<int64_t> Length = 16008609792;
  bool Removable = true;
  std::wstring Serial = L"AA01";
};

class TFakeDriveQuery : public IDriveQuery {
public:
  std::map<wchar_t, TFakeDrive> Drives;
  std::map<uint32_t, TFakeDisk> Disks_;
  std::map<wchar_t, std::wstring> Labels;
  std::map<wchar_t, uint32_t> Partitions;
  std::map<uint32_t, std::vector<TPartition>> Tables;
  std::vector<unsigned> Modes;  // every error mode set
  std::wstring Separator = L".", Queried;

  uint32_t LogicalDrives() override {
    uint32_t mask = 0xFC000000u;  // bits past Z are never looked at
    for (const auto& drive : Drives) mask |= 1u << (drive.first - L'a');
    return mask;
  }
  TStorageDevice Device(wchar_t letter) override {
    Queried += letter;
    EXPECT_EQ(Modes.back(), 1u);  // no dialog for an empty drive
    if (!Drives.count(letter)) return {};
    return {Drives[letter].Bus, Drives[letter].Removable, L"Vendor", L"Stick", L"0815"};
  }
  std::optional<uint32_t> DiskNumber(wchar_t letter) override { return Drives.at(letter).Disk; }
  std::optional<uint32_t> VolumeSerial(wchar_t letter) override { return Drives.at(letter).Serial; }
  std::wstring VolumeLabel(wchar_t letter) override { return Labels[letter]; }
  int64_t TotalSize(int number) override { return Drives.at(static_cast<wchar_t>(L'a' + number - 1)).Size; }
  std::optional<int64_t> DiskLength(uint32_t disk) override {
    return Disks_.count(disk) ? Disks_[disk].Length : std::nullopt;
  }
  std::vector<uint32_t> Disks() override {
    std::vector<uint32_t> numbers;
    for (const auto& disk : Disks_) numbers.push_back(disk.first);
    return numbers;
  }
  TStorageDevice DiskDevice(uint32_t number) override {
    EXPECT_EQ(Modes.back(), 1u);
    const TFakeDisk& disk = Disks_.at(number);
    return {disk.Bus, disk.Removable, L"WD", L"Elements", disk.Serial};
  }
  std::optional<uint32_t> PartitionNumber(wchar_t letter) override {
    if (!Partitions.count(letter)) return std::nullopt;
    return Partitions[letter];
  }
  std::optional<std::vector<TPartition>> DiskPartitions(uint32_t disk) override {
    if (!Tables.count(disk)) return std::nullopt;
    return Tables[disk];
  }
  void SetErrorMode(unsigned mode) override { Modes.push_back(mode); }
  std::wstring DecimalSeparator() override { return Separator; }
};

std::vector<std::wstring> LinesOf(const std::vector<TListedDrive>& drives) {
  std::vector<std::wstring> lines;
  for (const auto& drive : drives) lines.push_back(drive.Line);
  return lines;
}
}  // namespace

TEST(DriveList, ScanKeepsOnlyUsbDrivesInOrder) {
  TFakeDriveQuery query;
  EXPECT_TRUE(ScanUsbDriveList(query).empty());
  query.Drives = {{L'c', OnBus(11, 500107862016)}, {L'd', OnBus(5, 700000000)}, {L'e', {}},
                  {L'f', OnBus(7, -1)}, {L'g', OnBus(7, 1000)}, {L'h', OnBus(7, 1001)}, {L'z', OnBus(1, 4096)}};
  EXPECT_EQ(LinesOf(ScanUsbDriveList(query)),
            (std::vector<std::wstring>{L"E: [7.46 GB] Vendor Stick", L"F: Vendor Stick", L"G: Vendor Stick",
                                      L"H: [1001 BYTES] Vendor Stick"}));
  EXPECT_EQ(query.Queried, L"cdefghz");
  EXPECT_EQ(query.Modes, (std::vector<unsigned>{1, 0, 1, 0}));
  query.Separator = L",";
  EXPECT_EQ(ScanUsbDriveList(query)[0].Line, L"E: [7,46 GB] Vendor Stick");
}

TEST(DriveList, HardDisksAndIdentities) {
  TFakeDriveQuery query;
  query.Drives = {{L'e', {7, 2000398934016, false, 1, 0x1234abcd}}, {L'f', {7, 1000, true, std::nullopt, 7}}};
  query.Labels[L'e'] = L"BACKUP";
  const std::vector<TListedDrive> drives = ScanUsbDriveList(query);
  EXPECT_EQ(LinesOf(drives),
            (std::vector<std::wstring>{L"E: [1863.02 GB] Vendor Stick (BACKUP) hard disk", L"F: Vendor Stick"}));
  EXPECT_EQ(drives[0].Letter, L'E');
  EXPECT_TRUE(drives[0].HardDisk);
  EXPECT_EQ(drives[0].Identity, (TDriveIdentity{0x1234abcd, 2000398934016, 1, L"Vendor", L"Stick", L"0815", false}));
  EXPECT_FALSE(drives[1].HardDisk);
}

TEST(DriveList, AskedAgainBeforeErasing) {
  TFakeDriveQuery query;
  query.Drives = {{L'e', {7, 8011120640, true, 2, 0xabcd}}};
  const TListedDrive listed = ScanUsbDriveList(query).at(0);
  query.Modes.clear();
  EXPECT_TRUE(StillSameDrive(query, listed));
  EXPECT_EQ(query.Modes, (std::vector<unsigned>{1, 0}));

  // Another stick, a changed size, another disk, off the bus, gone: each a changed drive.
  for (auto change : {+[](TFakeDrive& d) { d.Serial = 0xbeef; }, +[](TFakeDrive& d) { d.Size = 16008609792; },
                      +[](TFakeDrive& d) { d.Disk = 3; }, +[](TFakeDrive& d) { d.Bus = 1; }}) {
    TFakeDriveQuery changed = query;
    change(changed.Drives[L'e']);
    EXPECT_FALSE(StillSameDrive(changed, listed));
  }
  query.Drives.clear();
  EXPECT_FALSE(StillSameDrive(query, listed));
  EXPECT_FALSE(QueryUsbDrive(query, L'E'));
}

// The device's names as it reports them, the label whole, each only when there is one.
TEST(DriveList, LinesNameTheDeviceAndTheVolume) {
  const std::wstring entry = L"E: [14.91 GB]";
  auto line = [&](const wchar_t* vendor, const wchar_t* product, const wchar_t* label, bool removable = true) {
    return DriveLine(entry, TStorageDevice{UsbBusType, removable, vendor, product, L"0815"}, label);
  };
  EXPECT_EQ(line(L"SanDisk", L"Cruzer Blade", L"MYSTICK"), L"E: [14.91 GB] SanDisk Cruzer Blade (MYSTICK)");
  EXPECT_EQ(line(L"  SanDisk ", L"\tCruzer Blade   ", L" MYSTICK "), L"E: [14.91 GB] SanDisk Cruzer Blade (MYSTICK)");
  EXPECT_EQ(line(L"SanDisk", L"", L""), L"E: [14.91 GB] SanDisk");
  EXPECT_EQ(line(L"   ", L"Cruzer Blade", L""), L"E: [14.91 GB] Cruzer Blade");
  EXPECT_EQ(line(L"", L" ", L""), L"E: [14.91 GB]");
  EXPECT_EQ(line(L"", L"", L"ELEVENCHARS"), L"E: [14.91 GB] (ELEVENCHARS)");
  EXPECT_EQ(line(L"WD", L"Elements 25A2", L"BACKUP", false), L"E: [14.91 GB] WD Elements 25A2 (BACKUP) hard disk");
  EXPECT_EQ(line(L"", L"", L"", false), L"E: [14.91 GB] hard disk");
  EXPECT_EQ(DriveRootOf(line(L"SanDisk", L"Cruzer Blade", L"MYSTICK")), L"E:");
}

TEST(DriveList, LinesAndRoots) {
  EXPECT_EQ(DriveEntry(L'e', 16008609792, L"."), L"E: [14.91 GB]");
  EXPECT_EQ(AsciiUpperCase(L"gb \u00e9 1.5"), L"GB \u00e9 1.5");  // ASCII letters only
  EXPECT_EQ(DriveRootOf(L"E: [7.46 GB]"), L"E:");
  EXPECT_EQ(DriveRootOf(L""), L"");
  EXPECT_EQ(DriveRootOf(L"1: x"), L"");
}

// USB disks with no lettered volume, after the letters, each named and identified by its number.
TEST(DriveList, DisksWithoutALetter) {
  TFakeDriveQuery query;
  query.Drives = {{L'e', {7, 8011120640, true, 1, 0xabcd}}};
  query.Disks_ = {{0, {11, 500107862016}}, {1, {}}, {2, {7, 2000398934016, false}}, {4, {7, std::nullopt}}};
  const std::vector<TListedDrive> drives = ScanUsbDriveList(query);
  EXPECT_EQ(LinesOf(drives), (std::vector<std::wstring>{L"E: [7.46 GB] Vendor Stick",
                                                        L"Disk 2 [1863.02 GB] WD Elements (no drive letter) hard disk",
                                                        L"Disk 4 WD Elements (no drive letter)"}));
  const TListedDrive& disk = drives[1];
  EXPECT_TRUE(Letterless(disk) && disk.HardDisk && !Letterless(drives[0]));
  EXPECT_EQ(disk.Identity, (TDriveIdentity{std::nullopt, 2000398934016, 2, L"WD", L"Elements", L"AA01", false}));
  EXPECT_EQ(DriveNameOf(disk), L"Disk 2");
  EXPECT_EQ(DriveRootOf(disk.Line), L"");  // never "Di"
  EXPECT_EQ(LetterOnDisk(query, 1), L'E');
  EXPECT_EQ(LetterOnDisk(query, 2), 0);

  EXPECT_TRUE(StillSameDrive(query, disk));
  for (auto change : {+[](TFakeDisk& d) { d.Serial = L"BB02"; }, +[](TFakeDisk& d) { d.Length = 16008609792; },
                      +[](TFakeDisk& d) { d.Bus = 1; }}) {
    TFakeDriveQuery changed = query;
    change(changed.Disks_[2]);
    EXPECT_FALSE(StillSameDrive(changed, disk));
  }
  EXPECT_EQ(DiskLine(DiskEntry(7, 1048576, L"."), TStorageDevice{UsbBusType, true, L" ", L"", L""}),
            L"Disk 7 [1024 KB] (no drive letter)");
}

// Everything clean erases beside the chosen volume, lettered or not.
TEST(DriveList, OtherPartitionsOfTheDisk) {
  TFakeDriveQuery query;
  query.Drives = {{L'e', {7, 8011120640, false, 2, 1}}, {L'f', {7, 1048576000, false, 2, 2}},
                  {L'g', {7, 8011120640, true, 3, 3}}, {L'h', {7, 8011120640, true, std::nullopt, 4}}};
  query.Partitions = {{L'e', 2}, {L'f', 4}, {L'g', 1}};
  query.Tables[2] = {{1, 104857600}, {2, 8011120640}, {3, 1536}, {4, 1048576000}};
  query.Tables[3] = {{1, 8011120640}};
  const std::vector<TListedDrive> list = ScanUsbDriveList(query);
  EXPECT_EQ(list[0].PartitionNumber, 2u);
  EXPECT_EQ(OtherPartitionsOfDisk(query, list[0], list),
            (std::vector<std::wstring>{L"a partition without a drive letter [100 MB]",
                                       L"a partition without a drive letter [1.5 KB]",
                                       L"F: [1000 MB] Vendor Stick hard disk"}));
  EXPECT_EQ(OtherPartitionsOfDisk(query, list[2], list), std::vector<std::wstring>{});
  EXPECT_FALSE(OtherPartitionsOfDisk(query, list[3], list));  // no disk number
  query.Tables.erase(2);
  EXPECT_FALSE(OtherPartitionsOfDisk(query, list[0], list));  // no table
}
