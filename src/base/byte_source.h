#pragma once
// Bytes of a file read at any place, so the readers of image and program
// headers are tested on real files without Windows.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

class IByteSource {
public:
  virtual ~IByteSource() = default;
  // True only when every byte of `buffer` was read from `offset` on.
  virtual bool ReadAt(uint64_t offset, std::span<uint8_t> buffer) = 0;
  // The file's length when it was opened.
  virtual uint64_t Size() = 0;
};

// Numbers stored least significant byte first, as both headers store them.
inline uint16_t LittleEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t LittleEndian32(const uint8_t* p) {
  return LittleEndian16(p) | static_cast<uint32_t>(LittleEndian16(p + 2)) << 16;
}

// The file for reading, also while other programs read or write it; null when
// it cannot be opened.
std::unique_ptr<IByteSource> OpenFileBytes(const std::wstring& path);
