// The image stage of a burn with the flush and the read back after it
// (progress bar, message processing and all) against a bare ExtractToFolder
// followed by the same VerifyFolder, with the same 7z.dll onto the same drive
// Q:, in alternating pairs, judged on the sides' lower quartiles.
//   bench_burn IMAGE
// Q: and the image should be in RAM (scripts/bench maps Q: to a RAM folder).
#include <windows.h>

#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "../bench_figures.h"
#include "burn/burn_job.h"
#include "app/usb_form.h"
#include "drives/usb_drives.h"
#include "sevenzip/sevenzip.h"

namespace fs = std::filesystem;

namespace {

void EmptyDriveQ() {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(L"Q:\\", error)) fs::remove_all(entry.path(), error);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_burn IMAGE\n");
    return 2;
  }
  const std::wstring image = argv[1];
  TWin32DriveQuery drives;
  TUSBForm form(drives);
  form.Create(::GetModuleHandleW(nullptr), true);
  form.MessageBoxHook = [](const std::wstring& text, const std::wstring&, UINT) {
    std::fprintf(stderr, "bench_burn: box: %ls\n", text.c_str());
    return IDOK;
  };
  // The image stage of a burn onto Q:, the window as its view.
  TBurnJob job(form, TBurnChoice{image, TListedDrive{L"Q:", L'Q', {}, false, std::nullopt}, TFileSystem::Fat32, L"", false, form.SupportFiles});

  // Each side writes to the root of Q: when it is empty. The other side's
  // files must not stay in RAM meanwhile: the side that wrote second ran
  // up to twice as slow then. What each wrote is compared by digest.
  const auto runStage = [&] {
    if (job.RunStage(BurnImage) && job.FlushDrive() && job.VerifyDrive()) return true;
    std::fprintf(stderr, "bench_burn: the image stage, the flush or the read back failed\n");
    return false;
  };
  const auto runBare = [&] {
    try {
      TComPtr<I7zInArchive> archive = MakeInArchive(IsoFormatClassID);
      archive->OpenArchiveFile(image);
      archive->ExtractToFolder(L"Q:");
      archive->VerifyFolder(L"Q:");
      return true;
    } catch (const EFailure& failure) {
      std::fprintf(stderr, "bench_burn: %s\n", failure.what());
      return false;
    }
  };
  bench::TRatioPairs pairs(L"Z:\\proc\\stat");
  int status = 0;
  while (pairs.More() && status == 0) {
    // Each side on an empty Q:; what it wrote is kept as a digest.
    double seconds[2] = {};
    std::map<fs::path, std::pair<long long, std::uint64_t>> wrote[2];
    const auto side = [&](int which, auto&& run) {
      if (status != 0) return;
      EmptyDriveQ();
      seconds[which] = pairs.TimeSide([&] {
        if (!run()) status = 1;
      });
      wrote[which] = bench::ContentsOf(L"Q:\\");
    };
    bench::RunPair(pairs.Index(), [&] { side(0, runStage); }, [&] { side(1, runBare); });
    if (status != 0) break;
    if (wrote[0].empty() || wrote[0] != wrote[1]) {
      std::fprintf(stderr, "bench_burn: the stage and the bare extraction wrote different files\n");
      status = 1;
    }
    pairs.End(seconds[0], seconds[1]);
  }
  EmptyDriveQ();
  form.Destroy();
  if (status != 0) return status;
  pairs.PrintQuartiles("burn-overhead", "1.03");
  return 0;
}
