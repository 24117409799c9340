#include "drives/test_bus/usb_bus_file.h"

#include <cctype>
#include <charconv>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {
std::optional<uint64_t> Number(std::string_view text, uint64_t largest) {
  uint64_t number = 0;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, number);
  if (text.empty() || error != std::errc() || at != end || number > largest) return std::nullopt;
  return number;
}

// The words of a line; a value in double quotes holds blanks. None when a
// quote is left open.
std::optional<std::vector<std::string>> Words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, started = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
      started = true;
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
      if (started) words.push_back(word);
      word.clear();
      started = false;
    } else {
      word += c;
      started = true;
    }
  }
  if (quoted) return std::nullopt;
  if (started) words.push_back(word);
  return words;
}

std::wstring Widened(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Applies one NAME=VALUE word; false for a word of another form.
bool ApplyWord(const std::string& word, TUsbBusEntry& entry, std::set<std::string>& seen) {
  const std::size_t equals = word.find('=');
  if (equals == std::string::npos) return false;
  const std::string name = word.substr(0, equals), value = word.substr(equals + 1);
  if (!seen.insert(name).second) return false;
  // A length and partitions belong to a disk: only after its number.
  const bool onDisk = entry.DiskNumber.has_value();
  if (name == "disk") {
    const auto disk = Number(value, UINT32_MAX);
    if (!disk) return false;
    entry.DiskNumber = static_cast<uint32_t>(*disk);
  } else if (name == "size" && onDisk) {
    const auto length = Number(value, INT64_MAX);
    if (!length) return false;
    entry.DiskLength = static_cast<int64_t>(*length);
  } else if (name == "unlettered" && onDisk) {
    std::istringstream sizes(value);
    for (std::string size; std::getline(sizes, size, ',');) {
      const auto length = Number(size, INT64_MAX);
      if (!length) return false;
      entry.Unlettered.push_back(static_cast<int64_t>(*length));
    }
    return !entry.Unlettered.empty();
  } else if (name == "table" && onDisk && value == "none") {
    entry.TableUnreadable = true;
  } else if (name == "vendor") {
    entry.Vendor = Widened(value);
  } else if (name == "product") {
    entry.Product = Widened(value);
  } else if (name == "serial") {
    entry.Serial = Widened(value);
  } else if (name == "label") {
    entry.Label = Widened(value);
  } else if (name == "assign" && value.size() == 1 && std::isalpha(static_cast<unsigned char>(value[0]))) {
    entry.Assign = static_cast<char>(value[0] | 0x20);
  } else {
    return false;
  }
  return true;
}

// The letter 0 for a disk without one.
std::optional<std::pair<wchar_t, TUsbBusEntry>> ParseLine(const std::string& line) {
  const std::optional<std::vector<std::string>> words = Words(line);
  if (!words || words->size() < 2) return std::nullopt;
  const std::string& drive = (*words)[0];
  const std::string& kind = (*words)[1];
  const bool letterless = drive == "-";
  if (!letterless && (drive.size() != 2 || drive[1] != ':')) return std::nullopt;
  const char letter = letterless ? '\0' : static_cast<char>(drive[0] | 0x20);
  if (!letterless && (letter < 'a' || letter > 'z')) return std::nullopt;
  TUsbBusEntry entry;
  if (kind == "fixed")
    entry.Removable = false;
  else if (kind != "removable")
    return std::nullopt;
  std::set<std::string> seen;
  for (std::size_t i = 2; i < words->size(); ++i)
    if (!ApplyWord((*words)[i], entry, seen)) return std::nullopt;
  if (letterless ? !entry.DiskLength : entry.Assign != 0) return std::nullopt;
  return std::make_pair(static_cast<wchar_t>(letter), entry);
}
}  // namespace

TUsbBus ParseUsbBusFile(std::string_view text) {
  TUsbBus bus;
  std::istringstream lines{std::string(text)};
  for (std::string line; std::getline(lines, line);) {
    const auto entry = ParseLine(line);
    if (!entry) continue;
    if (entry->first == 0)
      bus.Disks.push_back(entry->second);
    else
      bus.Letters[entry->first] = entry->second;
  }
  return bus;
}
