// The image stage of a burn (progress bar, message processing and all) against
// a bare ExtractToFolder of the same image with the same 7z.dll onto the same
// drive Q:, in alternating pairs.
//   bench_burn IMAGE
// Q: and the image should be in RAM (scripts/bench maps Q: to a RAM folder).
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "../bench_figures.h"
#include "app/usb_form.h"
#include "sevenzip/sevenzip.h"

namespace fs = std::filesystem;

namespace {

// The first side's files are put aside here, on the same drive, while the
// second side writes to the root.
const wchar_t* const FirstOutput = L"first-output";

void EmptyDriveQ() {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(L"Q:\\", error)) fs::remove_all(entry.path(), error);
}

double Now() {
  LARGE_INTEGER frequency{}, counter{};
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_burn IMAGE\n");
    return 2;
  }
  const std::wstring image = argv[1];
  TUSBForm form;
  form.Create(::GetModuleHandleW(nullptr), true);
  form.MessageBoxHook = [](const std::wstring& text, const std::wstring&, UINT) {
    std::fprintf(stderr, "bench_burn: box: %ls\n", text.c_str());
    return IDOK;
  };
  ::SendMessageW(form.DriveComboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Q:"));
  ::SendMessageW(form.DriveComboBox, CB_SETCURSEL, ::SendMessageW(form.DriveComboBox, CB_GETCOUNT, 0, 0) - 1, 0);
  form.SetControlText(form.ISOFileEdit, image);

  // Each side writes to the root of Q:; the first side's files are then put
  // aside for the comparison.
  const auto runStage = [&] {
    if (form.RunStage(BurnImage)) return true;
    std::fprintf(stderr, "bench_burn: the image stage failed\n");
    return false;
  };
  const auto runBare = [&] {
    try {
      TComPtr<I7zInArchive> archive = MakeInArchive(IsoFormatClassID);
      archive->OpenArchiveFile(image);
      archive->ExtractToFolder(L"Q:");
      return true;
    } catch (const EFailure& failure) {
      std::fprintf(stderr, "bench_burn: %s\n", failure.what());
      return false;
    }
  };
  std::vector<double> ratios;
  int status = 0;
  for (int pair = 0; pair <= bench::MinPairs && status == 0; ++pair) {
    // The sides take turns at going first, so that an order effect (a warm
    // cache, a fuller RAM folder) favours neither.
    const bool stageFirst = pair % 2 == 0;
    double seconds[2] = {};
    EmptyDriveQ();
    for (int turn = 0; turn < 2 && status == 0; ++turn) {
      const bool stage = (turn == 0) == stageFirst;
      const double start = Now();
      if (!(stage ? runStage() : runBare())) status = 1;
      seconds[stage ? 0 : 1] = Now() - start;
      if (turn == 1) break;
      std::error_code error;
      fs::create_directory(fs::path(L"Q:\\") / FirstOutput, error);
      for (const auto& entry : fs::directory_iterator(L"Q:\\", error))
        if (entry.path().filename() != FirstOutput)
          fs::rename(entry.path(), fs::path(L"Q:\\") / FirstOutput / entry.path().filename(), error);
    }
    if (status != 0) break;
    std::string why;
    if (!bench::SameOutput(fs::path(L"Q:\\"), fs::path(L"Q:\\") / FirstOutput, why, FirstOutput)) {
      std::fprintf(stderr, "bench_burn: the stage and the bare extraction wrote different files: %s\n", why.c_str());
      status = 1;
    }
    if (pair > 0) ratios.push_back(seconds[0] / seconds[1]);  // the first pair warms up
  }
  EmptyDriveQ();
  form.Destroy();
  if (status != 0) return status;
  bench::PrintFigure("burn-overhead", ratios, "x", "pairs", "1.02");
  return 0;
}
