#include <gtest/gtest.h>

#include "drives/test_bus/usb_bus_file.h"

namespace {
TUsbBusEntry Entry(bool removable, std::optional<uint32_t> disk, std::optional<int64_t> length = std::nullopt) {
  TUsbBusEntry entry;
  entry.Removable = removable;
  entry.DiskNumber = disk;
  entry.DiskLength = length;
  return entry;
}
}  // namespace

TEST(UsbBusFile, LettersKindsAndDisks) {
  const auto bus = ParseUsbBusFile("Q: removable\r\nr: fixed disk=3\n\nS: fixed disk=3\nT: fixed disk=\n"
                                   "U: floppy\nV: removable disk=2 extra\nW removable\n1: fixed\n");
  EXPECT_EQ(bus.Letters, (std::map<wchar_t, TUsbBusEntry>{
                             {L'q', Entry(true, std::nullopt)}, {L'r', Entry(false, 3)}, {L's', Entry(false, 3)}}));
  EXPECT_EQ(ParseUsbBusFile(""), TUsbBus{});
}

// A length only after a disk number, in bytes, whole and not negative.
TEST(UsbBusFile, DiskLengths) {
  const auto bus = ParseUsbBusFile("Q: removable disk=3 size=70000000000\r\nR: fixed disk=4 size=0\n"
                                   "S: removable size=8388608\nT: removable size=1 disk=5\nU: fixed disk=6 size=\n"
                                   "V: fixed disk=6 size=-1\nW: fixed disk=6 size=1.5\nX: fixed disk=6 size=1 size=2\n"
                                   "Y: fixed disk=6 size=9223372036854775808\n");
  EXPECT_EQ(bus.Letters,
            (std::map<wchar_t, TUsbBusEntry>{{L'q', Entry(true, 3, 70000000000)}, {L'r', Entry(false, 4, 0)}}));
}

// Names in one word or in double quotes, each at most once.
TEST(UsbBusFile, DeviceNamesAndLabels) {
  const auto bus = ParseUsbBusFile("Q: removable vendor=SanDisk product=\"Cruzer Blade\" label=MYSTICK\n"
                                   "R: fixed disk=2 vendor=WD product=\"Elements 25A2\"\n"
                                   "S: removable label=\"MY DISK\n"
                                   "T: removable label=A label=B\n");
  ASSERT_EQ(bus.Letters.size(), 2u);
  EXPECT_EQ(bus.Letters.at(L'q').Vendor, L"SanDisk");
  EXPECT_EQ(bus.Letters.at(L'q').Product, L"Cruzer Blade");
  EXPECT_EQ(bus.Letters.at(L'q').Label, L"MYSTICK");
  EXPECT_EQ(bus.Letters.at(L'r').Product, L"Elements 25A2");
  EXPECT_EQ(bus.Letters.at(L'r').DiskNumber, 2u);
  EXPECT_TRUE(bus.Letters.at(L'r').Label.empty());
}

// A disk without a letter needs its number and length; only it takes a letter to assign.
TEST(UsbBusFile, DisksWithoutALetter) {
  const auto bus = ParseUsbBusFile("- fixed disk=5 size=8388608 vendor=WD product=Elements serial=AA01 assign=r\n"
                                   "- removable disk=6\n- removable size=1\nQ: removable assign=Q\n"
                                   "- removable disk=7 size=1 assign=QQ\n");
  EXPECT_TRUE(bus.Letters.empty());
  ASSERT_EQ(bus.Disks.size(), 1u);
  TUsbBusEntry disk = Entry(false, 5, 8388608);
  disk.Vendor = L"WD";
  disk.Product = L"Elements";
  disk.Serial = L"AA01";
  disk.Assign = 'r';
  EXPECT_EQ(bus.Disks[0], disk);
}
