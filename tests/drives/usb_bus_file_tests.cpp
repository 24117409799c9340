#include <gtest/gtest.h>

#include "drives/test_bus/usb_bus_file.h"

TEST(UsbBusFile, LettersKindsAndDisks) {
  const auto bus = ParseUsbBusFile("Q: removable\r\nr: fixed disk=3\n\nS: fixed disk=3\nT: fixed disk=\n"
                                   "U: floppy\nV: removable disk=2 extra\nW removable\n1: fixed\n");
  EXPECT_EQ(bus, (std::map<wchar_t, TUsbBusEntry>{
                     {L'q', {true, std::nullopt}}, {L'r', {false, 3}}, {L's', {false, 3}}}));
  EXPECT_TRUE(ParseUsbBusFile("").empty());
}
