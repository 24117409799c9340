#include <gtest/gtest.h>

#include "drives/test_bus/usb_bus_file.h"

TEST(UsbBusFile, LettersKindsAndDisks) {
  const auto bus = ParseUsbBusFile("Q: removable\r\nr: fixed disk=3\n\nS: fixed disk=3\nT: fixed disk=\n"
                                   "U: floppy\nV: removable disk=2 extra\nW removable\n1: fixed\n");
  EXPECT_EQ(bus, (std::map<wchar_t, TUsbBusEntry>{
                     {L'q', {true, std::nullopt, std::nullopt}}, {L'r', {false, 3, std::nullopt}},
                     {L's', {false, 3, std::nullopt}}}));
  EXPECT_TRUE(ParseUsbBusFile("").empty());
}

// A length only after a disk number, in bytes, whole and not negative.
TEST(UsbBusFile, DiskLengths) {
  const auto bus = ParseUsbBusFile("Q: removable disk=3 size=70000000000\r\nR: fixed disk=4 size=0\n"
                                   "S: removable size=8388608\nT: removable size=1 disk=5\nU: fixed disk=6 size=\n"
                                   "V: fixed disk=6 size=-1\nW: fixed disk=6 size=1.5\nX: fixed disk=6 size=1 size=2\n"
                                   "Y: fixed disk=6 size=9223372036854775808\n");
  EXPECT_EQ(bus, (std::map<wchar_t, TUsbBusEntry>{{L'q', {true, 3, 70000000000}}, {L'r', {false, 4, 0}}}));
}
