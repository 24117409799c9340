// The binding's compare pass over an extracted image against reading the
// image and every extracted file once with `cat`: the reads it must do.
//   bench_verify WORK_FOLDER [MiB of files, default 1100]
// WORK_FOLDER should be in RAM (scripts/bench mounts one). The image,
// WORK_FOLDER/image.iso, is made when missing and left for the other
// benchmarks.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "../bench_figures.h"
#include "../bench_image.h"
#include "sevenzip/sevenzip.h"

namespace fs = std::filesystem;

namespace {

TComPtr<I7zInArchive> OpenImage(const fs::path& image) {
  TComPtr<I7zInArchive> archive = MakeInArchive(IsoFormatClassID);
  archive->OpenArchiveFile(image.wstring());
  return archive;
}

// One cat of the image and every file below `out`, to /dev/null.
std::string CatCommand(const fs::path& image, const fs::path& out) {
  std::string command = "cat '" + image.string() + "'";
  for (const auto& entry : fs::recursive_directory_iterator(out))
    if (entry.is_regular_file()) command += " '" + entry.path().string() + "'";
  return command + " >/dev/null";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_verify WORK_FOLDER [MiB]\n");
    return 2;
  }
  const fs::path work = argv[1];
  const uint64_t totalMiB = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1100;
  const fs::path image = work / "image.iso", out = work / "out-verify";
  if (!bench::MakeImage(image, totalMiB)) {
    std::fprintf(stderr, "genisoimage failed\n");
    return 1;
  }
  bench::TRatioPairs pairs("/proc/stat");
  try {
    fs::remove_all(out);
    OpenImage(image)->ExtractToFolder(out.wstring());
    const std::string cat = CatCommand(image, out);
    while (pairs.More()) {
      double verify = 0, read = 0;
      const auto compare = [&] { OpenImage(image)->VerifyFolder(out.wstring()); };
      const auto readAll = [&] {
        if (std::system(cat.c_str()) != 0) throw EFailure(L"cat failed");
      };
      bench::RunPair(pairs.Index(), [&] { verify = pairs.TimeSide(compare); }, [&] { read = pairs.TimeSide(readAll); });
      pairs.End(verify, read);
    }
  } catch (const EFailure& failure) {
    std::fprintf(stderr, "bench_verify: %s\n", failure.what());
    fs::remove_all(out);
    return 1;
  }
  fs::remove_all(out);
  pairs.Print("verify-vs-read", "1.25");
  return 0;
}
