#include <gtest/gtest.h>

#include <map>

#include "drives/drive_list.h"

namespace {
class TFakeDriveQuery : public IDriveQuery {
public:
  std::map<wchar_t, std::pair<int32_t, int64_t>> Drives;  // letter: bus type, size
  std::vector<unsigned> Modes;                            // every error mode set
  std::wstring Separator = L".", Queried;

  uint32_t LogicalDrives() override {
    uint32_t mask = 0xFC000000u;  // bits past Z are never looked at
    for (const auto& drive : Drives) mask |= 1u << (drive.first - L'a');
    return mask;
  }
  int32_t BusType(wchar_t letter) override {
    Queried += letter;
    EXPECT_EQ(Modes.back(), 1u);  // no dialog for an empty drive
    return Drives.count(letter) ? Drives[letter].first : 0;
  }
  int64_t TotalSize(int number) override { return Drives.at(static_cast<wchar_t>(L'a' + number - 1)).second; }
  void SetErrorMode(unsigned mode) override { Modes.push_back(mode); }
  std::wstring DecimalSeparator() override { return Separator; }
};
}  // namespace

TEST(DriveList, ScanKeepsOnlyUsbDrivesInOrder) {
  TFakeDriveQuery query;
  EXPECT_EQ(ScanUsbDrives(query), std::vector<std::wstring>{L""});
  query.Drives = {{L'c', {11, 500107862016}}, {L'd', {5, 700000000}}, {L'e', {7, 8011120640}},
                  {L'f', {7, -1}}, {L'g', {7, 1000}}, {L'h', {7, 1001}}, {L'z', {1, 4096}}};
  EXPECT_EQ(ScanUsbDrives(query),
            (std::vector<std::wstring>{L"", L"E: [7.46 GB]", L"F:", L"G:", L"H: [1001 BYTES]"}));
  EXPECT_EQ(query.Queried, L"cdefghz");
  EXPECT_EQ(query.Modes, (std::vector<unsigned>{1, 0, 1, 0}));
  query.Separator = L",";
  EXPECT_EQ(ScanUsbDrives(query)[1], L"E: [7,46 GB]");
}

TEST(DriveList, LinesAndRoots) {
  EXPECT_EQ(DriveEntry(L'e', 16008609792, L"."), L"E: [14.91 GB]");
  EXPECT_EQ(AsciiUpperCase(L"gb \u00e9 1.5"), L"GB \u00e9 1.5");  // ASCII letters only
  EXPECT_EQ(DriveRootOf(L"E: [7.46 GB]"), L"E:");
  EXPECT_EQ(DriveRootOf(L""), L"");
}
