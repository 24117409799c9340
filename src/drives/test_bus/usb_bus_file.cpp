#include "drives/test_bus/usb_bus_file.h"

#include <charconv>
#include <sstream>
#include <string>

namespace {
// The number of a word "NAME=N" up to `largest`; none for any other word.
std::optional<uint64_t> NamedNumber(const std::string& word, std::string_view name, uint64_t largest) {
  if (word.size() <= name.size() || word.compare(0, name.size(), name) != 0) return std::nullopt;
  uint64_t number = 0;
  const char* end = word.data() + word.size();
  const auto [at, error] = std::from_chars(word.data() + name.size(), end, number);
  if (error != std::errc() || at != end || number > largest) return std::nullopt;
  return number;
}

std::optional<std::pair<wchar_t, TUsbBusEntry>> ParseLine(const std::string& line) {
  std::istringstream words(line);
  std::string drive, kind, word;
  if (!(words >> drive >> kind) || drive.size() != 2 || drive[1] != ':') return std::nullopt;
  const char letter = static_cast<char>(drive[0] | 0x20);
  if (letter < 'a' || letter > 'z') return std::nullopt;
  TUsbBusEntry entry;
  if (kind == "fixed")
    entry.Removable = false;
  else if (kind != "removable")
    return std::nullopt;
  if (words >> word) {
    const std::optional<uint64_t> disk = NamedNumber(word, "disk=", UINT32_MAX);
    if (!disk) return std::nullopt;
    entry.DiskNumber = static_cast<uint32_t>(*disk);
    // A length belongs to a disk: only after its number.
    if (words >> word) {
      const std::optional<uint64_t> length = NamedNumber(word, "size=", INT64_MAX);
      if (!length) return std::nullopt;
      entry.DiskLength = static_cast<int64_t>(*length);
    }
  }
  if (words >> word) return std::nullopt;
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
