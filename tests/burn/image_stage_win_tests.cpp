// Stage 3 under Wine, run by the job through a recording view: the real
// 7z.dll and drive Q:.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "burn/burn_job.h"
#include "burn/burn_test_support.h"
#include "burn/recording_view.h"
#include "base/win32_handles.h"
#include "prefix_state_win.h"
#include "sevenzip/sevenzip_test_files.h"

namespace fs = std::filesystem;

namespace {

const wchar_t* const Drive = L"Q:";
const wchar_t* const ChildVariable = L"QUILLORA_BURN_NO7Z_CHILD";

// The images' folder: a unix path set by CTest, reached through drive Z:.
fs::path ImagesDir() {
  wchar_t dir[MAX_PATH] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"QUILLORA_BURN_IMAGES", dir, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return fs::path();
  std::wstring path = L"Z:";
  for (DWORD i = 0; i < length; ++i) path += dir[i] == L'/' ? L'\\' : dir[i];
  return fs::path(path);
}

// Entries of a folder but "." and "..". Not std::filesystem: its iterator
// takes the empty search of an empty drive root for an error.
std::vector<WIN32_FIND_DATAW> Entries(const fs::path& folder) {
  std::vector<WIN32_FIND_DATAW> entries;
  WIN32_FIND_DATAW data{};
  TFindHandle search(::FindFirstFileW((folder / L"*").c_str(), &data));
  if (!search) return entries;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") entries.push_back(data);
  } while (::FindNextFileW(search.Get(), &data));
  return entries;
}

std::vector<std::wstring> RootNames() {
  std::vector<std::wstring> names;
  for (const auto& entry : Entries(L"Q:\\")) names.emplace_back(entry.cFileName);
  std::sort(names.begin(), names.end());
  return names;
}

void EmptyDrive() {
  for (const auto& name : RootNames()) fs::remove_all(fs::path(L"Q:\\") / name);
}

// Every file under `root`: path relative to it and content. `foldCase` for
// names that a later pass may write in another case over an existing file.
void CollectFiles(const fs::path& root, const fs::path& relative, bool foldCase,
                  std::map<std::wstring, std::string>& files) {
  for (const auto& entry : Entries(root / relative)) {
    const fs::path name = relative / entry.cFileName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CollectFiles(root, name, foldCase, files);
      continue;
    }
    std::wstring key = name.wstring();
    if (foldCase)
      for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(c));
    files[key] = sztest::ReadBytes(root / name);
  }
}

std::map<std::wstring, std::string> FilesUnder(const fs::path& root, bool foldCase = false) {
  std::map<std::wstring, std::string> files;
  CollectFiles(root, fs::path(), foldCase, files);
  return files;
}

class BurnImageStageTest : public ::testing::Test {
protected:
  prefixstate::TDriveQScope DriveQ;
  void SetUp() override {
    ASSERT_FALSE(ImagesDir().empty()) << "QUILLORA_BURN_IMAGES is not set";
    EmptyDrive();
    Choice.Drive.Letter = Drive[0];
    Choice.FileSystem = TFileSystem::Fat32;
  }

  bool Burn(const std::wstring& image) {
    Choice.IsoFile = image;
    View.Statuses.clear();
    TBurnJob job(View, Choice);
    return job.RunStage(BurnImage);
  }
  bool BurnFixture(const wchar_t* name) { return Burn((ImagesDir() / name).wstring()); }

  // A failed burn: one error box shown over the visible bar, bar hidden after.
  void ExpectFailure(bool result) {
    EXPECT_FALSE(result);
    EXPECT_EQ(View.Status(), L"Error.");
    ASSERT_EQ(View.Boxes.size(), 1u);
    EXPECT_EQ(View.Boxes[0], ErrorBox(L"Failed to burn ISO image."));
    EXPECT_TRUE(View.Boxes[0].BarVisible);
    EXPECT_FALSE(View.BarVisible);
  }

  void ExpectSuccess(bool result) {
    EXPECT_TRUE(result);
    EXPECT_EQ(View.Statuses, (std::vector<std::wstring>{L"Burning ISO image...", L"Burning is complete."}));
    EXPECT_TRUE(View.Boxes.empty());
    EXPECT_FALSE(View.BarVisible);
  }

  TRecordingView View;
  TBurnChoice Choice;
};

TEST_F(BurnImageStageTest, PlainImageIsUnpackedByteForByte) {
  ExpectSuccess(BurnFixture(L"plain.iso"));
  const auto expected = FilesUnder(ImagesDir() / L"plain");
  ASSERT_EQ(expected.size(), 6u);
  EXPECT_EQ(FilesUnder(L"Q:\\"), expected);

  // The view hears the image's total first, then counts that grow to it.
  std::int64_t bytes = 0;
  for (const auto& [name, content] : expected) bytes += static_cast<std::int64_t>(content.size());
  ASSERT_GE(View.Reports.size(), 2u);
  EXPECT_EQ(View.Reports.front(), std::make_pair(true, bytes));
  EXPECT_EQ(View.Reports.back(), std::make_pair(false, bytes));
  EXPECT_TRUE(std::is_sorted(View.Reports.begin() + 1, View.Reports.end()));
}

TEST_F(BurnImageStageTest, NoticeAloneLeadsToTheUdfPass) {
  // README.TXT is replaced by the UDF pass's copy of it.
  ExpectSuccess(BurnFixture(L"windows.iso"));
  const auto expected = FilesUnder(ImagesDir() / L"windows");
  ASSERT_EQ(expected.size(), 8u);  // with the boot files and the empty boot catalog
  EXPECT_EQ(FilesUnder(L"Q:\\"), expected);

  // Letters compared without case: the notice may be called ReadMe.Txt.
  EmptyDrive();
  ExpectSuccess(BurnFixture(L"mixed.iso"));
  EXPECT_EQ(FilesUnder(L"Q:\\"), FilesUnder(ImagesDir() / L"mixed"));
}

TEST_F(BurnImageStageTest, FolderNamedLikeTheNoticeStillLeadsToTheUdfPass) {
  ExpectSuccess(BurnFixture(L"folder.iso"));
  const auto expected = FilesUnder(ImagesDir() / L"folder", true);
  ASSERT_EQ(expected.size(), 6u);
  EXPECT_EQ(FilesUnder(L"Q:\\", true), expected);
}

TEST_F(BurnImageStageTest, WhatTheDriveHoldsDoesNotChooseTheReader) {
  // The image's own files decide: neither a folder of the user's nor the one
  // Windows makes on a fresh volume stops the UDF pass.
  fs::create_directory(L"Q:\\Hidden");
  ASSERT_TRUE(::SetFileAttributesW(L"Q:\\Hidden", FILE_ATTRIBUTE_HIDDEN));
  const fs::path system = L"Q:\\System Volume Information";
  fs::create_directory(system);
  std::ofstream(system / L"IndexerVolumeGuid") << "{guid}";
  ASSERT_TRUE(::SetFileAttributesW(system.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ExpectSuccess(BurnFixture(L"windows.iso"));
  auto files = FilesUnder(L"Q:\\");
  EXPECT_EQ(files.erase(L"System Volume Information\\IndexerVolumeGuid"), 1u);
  EXPECT_EQ(files, FilesUnder(ImagesDir() / L"windows"));
  ::SetFileAttributesW(system.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(BurnImageStageTest, ImageWithoutFilesSucceeds) {
  ExpectSuccess(BurnFixture(L"empty.iso"));
  EXPECT_TRUE(RootNames().empty());
}

TEST_F(BurnImageStageTest, FirstReaderRefusalFailsWithoutTryingUdf) {
  // The UDF reader could read this image: a refusal of the ISO 9660 reader
  // must not lead to it.
  ExpectFailure(BurnFixture(L"refused.iso"));
  EXPECT_TRUE(RootNames().empty());

  View.Boxes.clear();
  ExpectFailure(BurnFixture(L"no such image.iso"));
  EXPECT_TRUE(RootNames().empty());
}

TEST_F(BurnImageStageTest, NoDriveSelectedFailsWithoutWritingAnywhere) {
  // A stray root would be the current drive's: make that Q:.
  wchar_t before[MAX_PATH] = {};
  ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, before), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryW(L"Q:\\"));
  Choice.Drive.Letter = 0;
  const bool result = BurnFixture(L"plain.iso");
  ::SetCurrentDirectoryW(before);
  ExpectFailure(result);
  EXPECT_TRUE(RootNames().empty());
}

TEST_F(BurnImageStageTest, CutShortImageFailsAfterWritingWhatItCould) {
  // Past the checks before erasing, as if they had not been made.
  ExpectFailure(BurnFixture(L"half.iso"));
  EXPECT_EQ(sztest::ReadBytes(L"Q:\\a.txt"), "first file\r\n");
}

TEST_F(BurnImageStageTest, UnwritableItemFailsAndKeepsWhatWasWritten) {
  // A folder in the way of a file item: the file cannot be created.
  fs::create_directory(L"Q:\\a.txt");
  ExpectFailure(BurnFixture(L"plain.iso"));
  EXPECT_TRUE(fs::is_directory(L"Q:\\a.txt"));
  EXPECT_EQ(sztest::ReadBytes(L"Q:\\Docs\\deep\\nested\\big.bin"),
            sztest::ReadBytes(ImagesDir() / L"plain" / L"Docs" / L"deep" / L"nested" / L"big.bin"));
}

// Runs this program from a folder without 7z.dll: the library cannot load.
TEST_F(BurnImageStageTest, MissingLibraryFails) {
  wchar_t flag[8] = {};
  if (::GetEnvironmentVariableW(ChildVariable, flag, 8) != 0) {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    ASSERT_FALSE(fs::exists(fs::path(exe).parent_path() / L"7z.dll"));
    ExpectFailure(BurnFixture(L"plain.iso"));
    EXPECT_TRUE(RootNames().empty());
    if (!HasFailure()) std::ofstream(fs::path(exe).parent_path() / L"child-passed") << "yes";
    return;
  }

  wchar_t exe[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const fs::path folder = fs::path(exe).parent_path().parent_path() / L"burn-no7z";
  fs::remove_all(folder);
  fs::create_directories(folder);
  EXPECT_EQ(burntest::RunInCopy(folder, L"BurnImageStageTest.MissingLibraryFails", ChildVariable), 0);
  EXPECT_TRUE(fs::exists(folder / L"child-passed"));
}

}  // namespace
