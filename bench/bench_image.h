#pragma once
// The large image the native benchmarks share: at least 1 GiB of
// incompressible files in nested folders, made once in the RAM folder.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

namespace fs = std::filesystem;

// Incompressible bytes, quickly.
inline void WriteFile(const fs::path& path, uint64_t size, uint64_t& seed) {
  std::vector<uint64_t> block(1 << 17);
  std::ofstream out(path, std::ios::binary);
  while (size > 0) {
    for (uint64_t& word : block) {
      seed ^= seed << 13;
      seed ^= seed >> 7;
      seed ^= seed << 17;
      word = seed;
    }
    uint64_t n = std::min<uint64_t>(size, block.size() * sizeof(uint64_t));
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
    size -= n;
  }
}

// Large files and many small ones in nested folders.
inline void MakeTree(const fs::path& root, uint64_t totalMiB) {
  uint64_t seed = 0x9E3779B97F4A7C15ull;
  const uint64_t small = totalMiB / 4;  // a quarter in 256 KiB files
  for (uint64_t i = 0; i < small * 4; ++i) {
    char dirName[32], fileName[32];
    std::snprintf(dirName, sizeof dirName, "d%llu", static_cast<unsigned long long>(i / 100));
    std::snprintf(fileName, sizeof fileName, "f%llu.bin", static_cast<unsigned long long>(i));
    fs::path dir = root / "small" / dirName;
    fs::create_directories(dir);
    WriteFile(dir / fileName, 256 * 1024, seed);
  }
  uint64_t left = totalMiB - small;
  for (int i = 0; left > 0; ++i) {
    uint64_t mib = std::min<uint64_t>(left, 200);
    fs::create_directories(root / "large");
    char name[32];
    std::snprintf(name, sizeof name, "part%d.bin", i);
    WriteFile(root / "large" / name, mib << 20, seed);
    left -= mib;
  }
}

// Makes `image` from a tree of `totalMiB` unless it exists; false when
// genisoimage fails.
inline bool MakeImage(const fs::path& image, uint64_t totalMiB) {
  if (fs::exists(image)) return true;
  const fs::path tree = image.parent_path() / "tree";
  MakeTree(tree, totalMiB);
  const int made = std::system(("genisoimage -quiet -J -r -o '" + image.string() + ".tmp' '" + tree.string() +
                                "' && mv '" + image.string() + ".tmp' '" + image.string() + "'")
                                   .c_str());
  fs::remove_all(tree);
  return made == 0;
}

}  // namespace bench
