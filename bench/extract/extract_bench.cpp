// Extracts an image of at least 1 GiB of files with the binding and with
// `7zz x` into the same folder, in alternating pairs, and compares the times.
//   bench_extract WORK_FOLDER [MiB of files, default 1100]
// WORK_FOLDER should be in RAM (scripts/bench mounts one): the disk's noise
// is larger than the difference looked for. The image, WORK_FOLDER/image.iso,
// is made when missing and left for the other benchmarks.
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "../bench_figures.h"
#include "../bench_image.h"
#include "sevenzip/sevenzip.h"

namespace fs = std::filesystem;

namespace {

int Run(const std::string& command) { return std::system(command.c_str()); }

void ExtractWithBinding(const fs::path& image, const fs::path& out) {
  TComPtr<I7zInArchive> archive = MakeInArchive(IsoFormatClassID);
  archive->OpenArchiveFile(image.wstring());
  archive->ExtractToFolder(out.wstring());
}

void ExtractWith7zz(const fs::path& image, const fs::path& out) {
  if (Run("7zz x -y -bso0 -bsp0 -o'" + out.string() + "' '" + image.string() + "'") != 0)
    throw EFailure(L"7zz failed");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_extract WORK_FOLDER [MiB]\n");
    return 2;
  }
  const fs::path work = argv[1];
  const uint64_t totalMiB = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1100;
  if (Run("command -v 7zz >/dev/null && command -v genisoimage >/dev/null") != 0) {
    std::fprintf(stderr, "bench_extract needs 7zz (package 7zip) and genisoimage\n");
    return 1;
  }
  const fs::path image = work / "image.iso";
  if (!bench::MakeImage(image, totalMiB)) {
    std::fprintf(stderr, "genisoimage failed\n");
    return 1;
  }
  // Each side writes into an empty folder, the other side's files gone: with
  // both sides' files in RAM, single pairs strayed threefold. What each
  // wrote is compared by digest.
  const fs::path out = work / "out";
  bench::TRatioPairs pairs("/proc/stat");
  try {
    while (pairs.More()) {
      double seconds[2] = {};
      std::map<fs::path, std::pair<long long, std::uint64_t>> wrote[2];
      const auto side = [&](int which, auto&& extract) {
        fs::remove_all(out);
        seconds[which] = pairs.TimeSide([&] { extract(image, out); });
        wrote[which] = bench::ContentsOf(out);
      };
      bench::RunPair(pairs.Index(), [&] { side(0, ExtractWithBinding); }, [&] { side(1, ExtractWith7zz); });
      if (wrote[0].empty() || wrote[0] != wrote[1]) {
        std::fprintf(stderr, "bench_extract: the binding and 7zz wrote different files\n");
        return 1;
      }
      pairs.End(seconds[0], seconds[1]);
    }
  } catch (const EFailure& failure) {
    std::fprintf(stderr, "bench_extract: %s\n", failure.what());
    return 1;
  }
  fs::remove_all(out);
  pairs.PrintQuartiles("extract-vs-7zz", "1.00");
  return 0;
}
