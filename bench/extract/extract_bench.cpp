// Extracts an image of at least 1 GiB of files with the binding and with
// `7zz x` into the same kind of folder, and compares the times.
//   bench_extract [MiB of files, default 1100] [work folder, default /tmp]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "sevenzip/sevenzip.h"

namespace fs = std::filesystem;

namespace {

// Incompressible bytes, quickly.
void WriteFile(const fs::path& path, uint64_t size, uint64_t& seed) {
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
void MakeTree(const fs::path& root, uint64_t totalMiB) {
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

double Seconds(const std::chrono::steady_clock::time_point& start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int Run(const std::string& command) { return std::system(command.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  const uint64_t totalMiB = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1100;
  const fs::path base = argc > 2 ? fs::path(argv[2]) : fs::path("/tmp");
  if (Run("command -v 7zz >/dev/null && command -v genisoimage >/dev/null") != 0) {
    std::fprintf(stderr, "bench_extract needs 7zz (package 7zip) and genisoimage\n");
    return 1;
  }
  const fs::path work = base / ("quillora-bench-extract-" + std::to_string(getpid()));
  fs::remove_all(work);
  fs::create_directories(work);
  const fs::path image = work / "image.iso";
  MakeTree(work / "tree", totalMiB);
  if (Run("genisoimage -quiet -J -r -o '" + image.string() + "' '" + (work / "tree").string() + "'") != 0) {
    std::fprintf(stderr, "genisoimage failed\n");
    fs::remove_all(work);
    return 1;
  }
  fs::remove_all(work / "tree");
  Run("cat '" + image.string() + "' > /dev/null");  // both read it from the page cache

  double best7zz = 1e9, bestBinding = 1e9;
  int status = 0;
  for (int round = 0; round < 2 && status == 0; ++round) {
    const fs::path outBinding = work / "out-binding";
    const fs::path out7zz = work / "out-7zz";
    Run("sync");
    auto start = std::chrono::steady_clock::now();
    try {
      TComPtr<I7zInArchive> archive = MakeInArchive(IsoFormatClassID);
      archive->OpenArchiveFile(image.wstring());
      archive->ExtractToFolder(outBinding.wstring());
    } catch (const EFailure& e) {
      std::fprintf(stderr, "binding failed: %s\n", e.what());
      status = 1;
    }
    bestBinding = std::min(bestBinding, Seconds(start));
    fs::remove_all(outBinding);

    Run("sync");
    start = std::chrono::steady_clock::now();
    if (Run("7zz x -y -bso0 -bsp0 -o'" + out7zz.string() + "' '" + image.string() + "'") != 0) status = 1;
    best7zz = std::min(best7zz, Seconds(start));
    fs::remove_all(out7zz);
  }
  fs::remove_all(work);
  if (status != 0) return status;
  std::printf("extract %llu MiB of files: binding %.2f s, 7zz %.2f s (best of 2)\n",
              static_cast<unsigned long long>(totalMiB), bestBinding, best7zz);
  std::printf("bench extract-vs-7zz: %.3f x (goal 1.05)\n", bestBinding / best7zz);
  return 0;
}
