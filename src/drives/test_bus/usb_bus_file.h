#pragma once
// The test build's USB bus: the letters a file `usb-bus.txt` beside the
// program puts on it, one a line: "Q: removable" (a flash drive) or
// "Q: fixed" (a hard disk), then words NAME=VALUE, each at most once:
// - disk=N, so that letters can share a disk, and after it size=BYTES (the
//   disk's length), unlettered=BYTES[,BYTES...] (its partitions without a
//   letter, after those of its letters) or table=none (its partition table
//   cannot be read);
// - vendor=, product=, label=, a word or a text in double quotes.
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
  std::wstring Vendor, Product, Label;
  bool operator==(const TUsbBusEntry&) const = default;
};

// Keyed by lower-case letter. Lines of another form are left out.
std::map<wchar_t, TUsbBusEntry> ParseUsbBusFile(std::string_view text);
