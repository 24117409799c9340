#pragma once
// A small PNG encoder for screenshots: 8-bit RGB, zlib stored blocks.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gui {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler = 1);
// `rgb` holds height rows of width pixels, 3 bytes each, top row first.
// Empty result when the sizes do not match.
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace gui
