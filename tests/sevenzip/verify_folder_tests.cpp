// The binding's compare pass and the compare of a file with its copy, against the real
// codec library on images made by make_images.sh.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "sevenzip/image_survey.h"
#include "sevenzip/read_back.h"
#include "sevenzip/sevenzip.h"
#include "sevenzip_test_files.h"

namespace fs = std::filesystem;
using namespace sztest;

namespace {

void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
}

TComPtr<I7zInArchive> OpenImage(const TGUID& classID, const char* image) {
  TComPtr<I7zInArchive> archive = MakeInArchive(classID);
  archive->OpenArchiveFile((ImagesDir() / image).wstring());
  return archive;
}

// The file the failure names; empty when there was none.
fs::path FailedPath(const std::function<void()>& action) {
  try {
    action();
  } catch (const EVerifyFailure& failure) {
    return fs::path(failure.Path());
  }
  return {};
}

struct TProgress {
  int64_t Total = -1;
  int64_t Last = -1;
};

THResult RecordProgress(void* sender, bool total, int64_t value) {
  auto* progress = static_cast<TProgress*>(sender);
  (total ? progress->Total : progress->Last) = value;
  return 0;
}

}  // namespace

TEST(VerifyFolder, FilesJustWrittenPassWithProgressByBytes) {
  TScratch scratch("verify-equal");
  const fs::path out = scratch.Path() / "out";
  TComPtr<I7zInArchive> iso = OpenImage(IsoFormatClassID, "plain.iso");
  iso->ExtractToFolder(out.wstring());
  TProgress progress;
  iso->SetProgressHandler(&progress, RecordProgress);
  iso->VerifyFolder(out.wstring());
  EXPECT_GE(progress.Total, 3070038);
  EXPECT_EQ(progress.Last, progress.Total);

  // An item with its own target is compared there.
  TComPtr<I7zInArchive> udf = OpenImage(UdfFormatClassID, "windows.iso");
  const std::vector<TImageFile> files = ListImageFiles(*udf);
  const auto largest = std::max_element(files.begin(), files.end(),
                                        [](const TImageFile& a, const TImageFile& b) { return a.Size < b.Size; });
  udf->SetItemTarget(largest->Index, (scratch.Path() / "aside.bin").wstring());
  udf->ExtractToFolder(out.wstring());
  udf->VerifyFolder(out.wstring());
  WriteBytes(scratch.Path() / "aside.bin", "");
  EXPECT_EQ(FailedPath([&] { udf->VerifyFolder(out.wstring()); }), scratch.Path() / "aside.bin");
}

TEST(VerifyFolder, AFileThatDiffersIsCutShortGrownOrMissingIsNamed) {
  TScratch scratch("verify-faults");
  const fs::path out = scratch.Path() / "out";
  TComPtr<I7zInArchive> iso = OpenImage(IsoFormatClassID, "plain.iso");
  iso->ExtractToFolder(out.wstring());
  const fs::path big = out / "Docs" / "deep" / "nested" / "big.bin";
  const fs::path mid = out / "Docs" / "deep" / "mid.bin";
  const fs::path small = out / "a.txt";
  const fs::path spaces = out / "Docs" / "name with spaces.txt";

  const std::string bigBytes = ReadBytes(big);
  std::string changed = bigBytes;
  changed[changed.size() / 2] ^= 1;
  WriteBytes(big, changed);
  EXPECT_EQ(FailedPath([&] { iso->VerifyFolder(out.wstring()); }), big);
  WriteBytes(big, bigBytes);

  const std::string midBytes = ReadBytes(mid);
  WriteBytes(mid, midBytes.substr(0, midBytes.size() - 1));
  EXPECT_EQ(FailedPath([&] { iso->VerifyFolder(out.wstring()); }), mid);
  WriteBytes(mid, midBytes);

  WriteBytes(small, ReadBytes(small) + "x");
  EXPECT_EQ(FailedPath([&] { iso->VerifyFolder(out.wstring()); }), small);
  fs::remove(small);
  EXPECT_EQ(FailedPath([&] { iso->VerifyFolder(out.wstring()); }), small);
  iso->ExtractToFolder(out.wstring());

  fs::remove(spaces);
  fs::create_directory(spaces);  // there, but no file to read
  EXPECT_EQ(FailedPath([&] { iso->VerifyFolder(out.wstring()); }), spaces);
}

TEST(VerifyFolder, CompareBackFileNamesTheCopyThatDiffers) {
  TScratch scratch("compare-back");
  const fs::path original = ImagesDir() / "plain" / "Docs" / "deep" / "nested" / "big.bin";
  const fs::path copy = scratch.Path() / "install2.swm";
  fs::copy_file(original, copy);
  TProgress progress;
  EXPECT_EQ(CompareBackFile(copy.wstring(), original.wstring(), &progress, RecordProgress), 3000000u);
  EXPECT_EQ(progress.Last, 3000000);

  std::string bytes = ReadBytes(copy);
  bytes[2500000] ^= 1;  // past the first block
  WriteBytes(copy, bytes);
  EXPECT_EQ(FailedPath([&] { CompareBackFile(copy.wstring(), original.wstring()); }), copy);
  WriteBytes(copy, bytes.substr(0, 2000000));
  EXPECT_EQ(FailedPath([&] { CompareBackFile(copy.wstring(), original.wstring()); }), copy);
  fs::remove(copy);
  EXPECT_EQ(FailedPath([&] { CompareBackFile(copy.wstring(), original.wstring()); }), copy);
}
