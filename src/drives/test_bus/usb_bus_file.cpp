#include "drives/test_bus/usb_bus_file.h"

#include <charconv>
#include <sstream>
#include <string>

namespace {
std::optional<std::pair<wchar_t, TUsbBusEntry>> ParseLine(const std::string& line) {
  std::istringstream words(line);
  std::string drive, kind, disk, rest;
  if (!(words >> drive >> kind) || drive.size() != 2 || drive[1] != ':') return std::nullopt;
  const char letter = static_cast<char>(drive[0] | 0x20);
  if (letter < 'a' || letter > 'z') return std::nullopt;
  TUsbBusEntry entry;
  if (kind == "fixed")
    entry.Removable = false;
  else if (kind != "removable")
    return std::nullopt;
  if (words >> disk) {
    uint32_t number = 0;
    const char* end = disk.data() + disk.size();
    if (disk.rfind("disk=", 0) != 0 || disk.size() == 5) return std::nullopt;
    const auto [at, error] = std::from_chars(disk.data() + 5, end, number);
    if (error != std::errc() || at != end) return std::nullopt;
    entry.DiskNumber = number;
  }
  if (words >> rest) return std::nullopt;
  return std::make_pair(static_cast<wchar_t>(letter), entry);
}
}  // namespace

std::map<wchar_t, TUsbBusEntry> ParseUsbBusFile(std::string_view text) {
  std::map<wchar_t, TUsbBusEntry> bus;
  std::istringstream lines{std::string(text)};
  for (std::string line; std::getline(lines, line);)
    if (const auto entry = ParseLine(line)) bus[entry->first] = entry->second;
  return bus;
}
