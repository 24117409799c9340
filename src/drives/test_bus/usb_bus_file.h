#pragma once
// The test build's USB bus: the letters a file `usb-bus.txt` beside the
// program puts on it, one a line: "Q: removable" (a flash drive) or
// "Q: fixed" (a hard disk), then words NAME=VALUE, each at most once:
// - disk=N, so that letters can share a disk, and after it size=BYTES (the
//   disk's length), unlettered=BYTES[,BYTES...] (its partitions without a
//   letter, after those of its letters) or table=none (its partition table
//   cannot be read);
// - vendor=, product=, serial=, label=, a word or a text in double quotes.
// A line "- removable" or "- fixed" is a disk without a letter: disk= and
// size= are due, and assign=X names the letter the diskpart stand-in's
// assign gives it (it turns the line into one of letter X).
// Never part of the shipped program.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const wchar_t* UsbBusFileName = L"usb-bus.txt";

struct TUsbBusEntry {
  bool Removable = true;
  std::optional<uint32_t> DiskNumber;
  std::optional<int64_t> DiskLength;  // none: the system answers
  std::vector<int64_t> Unlettered;
  bool TableUnreadable = false;
  std::wstring Vendor, Product, Serial, Label;
  char Assign = 0;  // of a disk without a letter; lower case
  bool operator==(const TUsbBusEntry&) const = default;
};

struct TUsbBus {
  std::map<wchar_t, TUsbBusEntry> Letters;  // keyed by lower-case letter
  std::vector<TUsbBusEntry> Disks;          // without a letter, in the file's order
  bool operator==(const TUsbBus&) const = default;
};

// Lines of another form are left out.
TUsbBus ParseUsbBusFile(std::string_view text);
