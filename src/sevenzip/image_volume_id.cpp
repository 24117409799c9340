#include "sevenzip/image_volume_id.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/ascii_text.h"
#include "base/byte_source.h"

namespace {

constexpr uint64_t SectorSize = 2048;
using TSector = std::array<uint8_t, SectorSize>;

// Stops a damaged image from sending the search through all its sectors.
constexpr uint64_t MaxDescriptorsRead = 64;

bool ReadSector(IByteSource& image, uint64_t sector, TSector& data) {
  return image.ReadAt(sector * SectorSize, data);
}

namespace iso9660 {
constexpr uint64_t FirstDescriptorSector = 16;
constexpr uint8_t PrimaryType = 1;
constexpr uint8_t TerminatorType = 255;
constexpr size_t VolumeIdOffset = 40;
constexpr size_t VolumeIdSize = 32;

std::optional<std::wstring> PrimaryVolumeId(IByteSource& image) {
  TSector data;
  for (uint64_t sector = FirstDescriptorSector; sector < FirstDescriptorSector + MaxDescriptorsRead; ++sector) {
    if (!ReadSector(image, sector, data) || std::memcmp(&data[1], "CD001", 5) != 0) break;
    if (data[0] == TerminatorType) break;
    if (data[0] != PrimaryType) continue;
    std::wstring id(data.begin() + VolumeIdOffset, data.begin() + VolumeIdOffset + VolumeIdSize);
    // isoinfo removes the blanks before it prints the field up to a NUL.
    id.resize(TrimTrailingChars(id, L" ").size());
    return id.substr(0, id.find(L'\0'));
  }
  return std::nullopt;
}
}  // namespace iso9660

namespace udf {
constexpr uint64_t AnchorSector = 256;
constexpr uint16_t AnchorTag = 2;
constexpr uint16_t LogicalVolumeTag = 6;
constexpr uint16_t TerminatingTag = 8;
constexpr size_t MainSequenceOffset = 16;
constexpr size_t ReserveSequenceOffset = 24;
constexpr size_t LogicalVolumeIdOffset = 84;
constexpr size_t LogicalVolumeIdSize = 128;

// A descriptor counts only with its tag's checksum right, as random bytes
// would rarely have it.
bool HasTag(const TSector& data, uint16_t tag) {
  uint8_t sum = 0;
  for (size_t i = 0; i < 16; ++i)
    if (i != 4) sum = static_cast<uint8_t>(sum + data[i]);
  return sum == data[4] && LittleEndian16(&data[0]) == tag;
}

// OSTA compressed unicode: 8 bits or big-endian 16 bits a character.
std::optional<std::wstring> DString(const uint8_t* field, size_t size) {
  const size_t length = field[size - 1];
  if (length == 0) return std::wstring();
  if (length >= size) return std::nullopt;
  std::wstring text;
  if (field[0] == 8) {
    text.assign(field + 1, field + length);
  } else if (field[0] == 16) {
    for (size_t i = 1; i + 1 < length; i += 2) text += static_cast<wchar_t>(field[i] << 8 | field[i + 1]);
  } else {
    return std::nullopt;
  }
  return std::wstring(TrimTrailingChars(text, L" "));
}

std::optional<std::wstring> LogicalVolumeIdIn(IByteSource& image, const uint8_t* extent) {
  const uint64_t first = LittleEndian32(extent + 4);
  const uint64_t count = std::min<uint64_t>(LittleEndian32(extent) / SectorSize, MaxDescriptorsRead);
  TSector data;
  for (uint64_t sector = first; sector < first + count && ReadSector(image, sector, data); ++sector) {
    if (HasTag(data, TerminatingTag)) break;
    if (HasTag(data, LogicalVolumeTag)) return DString(&data[LogicalVolumeIdOffset], LogicalVolumeIdSize);
  }
  return std::nullopt;
}

std::optional<std::wstring> LogicalVolumeId(IByteSource& image) {
  TSector anchor;
  if (!ReadSector(image, AnchorSector, anchor) || !HasTag(anchor, AnchorTag)) return std::nullopt;
  if (auto id = LogicalVolumeIdIn(image, &anchor[MainSequenceOffset])) return id;
  return LogicalVolumeIdIn(image, &anchor[ReserveSequenceOffset]);
}
}  // namespace udf

}  // namespace

std::optional<std::wstring> ReadImageVolumeId(IByteSource& image) {
  if (auto id = iso9660::PrimaryVolumeId(image)) return id;
  return udf::LogicalVolumeId(image);
}
