// Stage 3 under Wine: the real 7z.dll, a real window and drive Q:.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/usb_form.h"
#include "base/win32_handles.h"
#include "app/form_controls_win.h"
#include "app/form_image_stage.h"
#include "prefix_state_win.h"
#include "sevenzip/sevenzip_test_files.h"

namespace fs = std::filesystem;

namespace {

const wchar_t* const Drive = L"Q:";
const wchar_t* const ChildVariable = L"QUILLORA_BURN_NO7Z_CHILD";

struct TBox {
  std::wstring Text, Title;
  UINT Flags;
  bool BarVisible;  // the model flag and the control's own style, both
};

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
    Form.Create(::GetModuleHandleW(nullptr), false);
    ASSERT_EQ(USBForm, &Form);
    const LRESULT index = ::SendMessageW(Form.DriveComboBox, CB_ADDSTRING, 0,
                                         reinterpret_cast<LPARAM>(Drive));
    ::SendMessageW(Form.DriveComboBox, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Form.MessageBoxHook = [this](const std::wstring& text, const std::wstring& title, UINT flags) {
      const bool styleVisible =
          (::GetWindowLongW(Form.ProgressBar, GWL_STYLE) & WS_VISIBLE) != 0;
      Boxes.push_back({text, title, flags, Form.ProgressBarVisible && styleVisible});
      return IDOK;
    };
  }

  bool BarShown() const {
    return Form.ProgressBarVisible || (::GetWindowLongW(Form.ProgressBar, GWL_STYLE) & WS_VISIBLE);
  }

  bool Burn(const std::wstring& image) {
    Form.SetControlText(Form.ISOFileEdit, image);
    return Form.RunStage(BurnImage);
  }
  bool BurnFixture(const wchar_t* name) { return Burn((ImagesDir() / name).wstring()); }

  // A failed burn: one error box shown over the visible bar, bar hidden after.
  void ExpectFailure(bool result) {
    EXPECT_FALSE(result);
    EXPECT_EQ(Form.ControlText(Form.StatusLabel), L"Error.");
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, L"Failed to burn ISO image.");
    EXPECT_EQ(Boxes[0].Title, L"Error");
    EXPECT_EQ(Boxes[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(Boxes[0].Flags & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(Boxes[0].BarVisible);
    EXPECT_FALSE(BarShown());
  }

  void ExpectSuccess(bool result) {
    EXPECT_TRUE(result);
    EXPECT_EQ(Form.ControlText(Form.StatusLabel), L"Burning is complete.");
    EXPECT_TRUE(Boxes.empty());
    EXPECT_FALSE(BarShown());
  }

  TUSBForm Form;
  std::vector<TBox> Boxes;
};

TEST_F(BurnImageStageTest, PlainImageIsUnpackedByteForByte) {
  Form.ProgressModel = TProgressModel{100.0f, 0.0f};
  ExpectSuccess(BurnFixture(L"plain.iso"));
  const auto expected = FilesUnder(ImagesDir() / L"plain");
  ASSERT_EQ(expected.size(), 6u);
  EXPECT_EQ(FilesUnder(L"Q:\\"), expected);

  std::size_t bytes = 0;
  for (const auto& [name, content] : expected) bytes += content.size();
  EXPECT_EQ(Form.ProgressModel.Max, static_cast<float>(bytes));
  EXPECT_GT(Form.ProgressModel.Value, 0.0f);
  EXPECT_LT(Form.ProgressModel.Value, Form.ProgressModel.Max);
}

TEST_F(BurnImageStageTest, NoticeAloneLeadsToTheUdfPass) {
  // README.TXT is replaced by the UDF pass's copy of it.
  ExpectSuccess(BurnFixture(L"windows.iso"));
  const auto expected = FilesUnder(ImagesDir() / L"windows");
  ASSERT_EQ(expected.size(), 5u);
  EXPECT_EQ(FilesUnder(L"Q:\\"), expected);

  // Letters compared without case: the notice may be called ReadMe.Txt.
  EmptyDrive();
  ExpectSuccess(BurnFixture(L"mixed.iso"));
  EXPECT_EQ(FilesUnder(L"Q:\\"), FilesUnder(ImagesDir() / L"mixed"));
}

TEST_F(BurnImageStageTest, FolderNamedLikeTheNoticeStillLeadsToTheUdfPass) {
  ExpectSuccess(BurnFixture(L"folder.iso"));
  // The first pass wrote README.TXT\NOTE.TXT, which the UDF pass overwrites.
  const auto expected = FilesUnder(ImagesDir() / L"folder", true);
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(FilesUnder(L"Q:\\", true), expected);
}

TEST_F(BurnImageStageTest, HiddenFolderCountsButTheSystemsOwnDoesNot) {
  // A folder only hidden is the user's: no second pass.
  const fs::path hidden = L"Q:\\Hidden";
  fs::create_directory(hidden);
  ASSERT_TRUE(::SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ExpectSuccess(BurnFixture(L"windows.iso"));
  EXPECT_EQ(RootNames(), (std::vector<std::wstring>{L"Hidden", L"README.TXT"}));
  EXPECT_EQ(sztest::ReadBytes(L"Q:\\README.TXT"), sztest::ReadBytes(ImagesDir() / L"windows" / L"README.TXT"));

  // Hidden and system, as Windows makes it on a fresh volume: the UDF pass runs.
  EmptyDrive();
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

  Boxes.clear();
  ExpectFailure(BurnFixture(L"no such image.iso"));
  EXPECT_TRUE(RootNames().empty());
}

TEST_F(BurnImageStageTest, NoDriveSelectedFailsWithoutWritingAnywhere) {
  // A stray root would be the current drive's: make that Q:.
  wchar_t before[MAX_PATH] = {};
  ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, before), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryW(L"Q:\\"));
  const LRESULT blank = ::SendMessageW(Form.DriveComboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
  ::SendMessageW(Form.DriveComboBox, CB_SETCURSEL, static_cast<WPARAM>(blank), 0);
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

TEST_F(BurnImageStageTest, ProgressRoutineMovesTheBarAndPumpsMessages) {
  ::SendMessageW(Form.ProgressBar, PBM_SETRANGE32, 0, 65535);  // as the window sets it
  // The bar is painted at most four times a second: give each report its turn.
  const auto position = [this] { return static_cast<int>(::SendMessageW(Form.ProgressBar, PBM_GETPOS, 0, 0)); };
  const auto report = [](bool total, int64_t value) {
    ::Sleep(static_cast<DWORD>(form::ProgressPaintGapMs) + 150);
    return ExtractProgress(nullptr, total, value);
  };
  Form.ProgressModel = TProgressModel{100.0f, 0.0f};
  EXPECT_EQ(report(true, 1000), 0);
  EXPECT_EQ(Form.ProgressModel.Max, 1000.0f);
  const int expected[] = {400, 900, 900};
  const int64_t reports[] = {400, 900, 1000};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(report(false, reports[i]), 0);
    EXPECT_EQ(Form.ProgressModel.Value, static_cast<float>(expected[i]));
    EXPECT_NEAR(position(), expected[i] * 65535 / 1000, 1);
  }

  const int64_t gib = int64_t{1} << 30;
  report(true, 6 * gib);
  report(false, 3 * gib);
  EXPECT_NEAR(position(), 65535 / 2, 1);

  // Messages go on a pass's first and last report and, between them, at most
  // once every gap however often the library reports.
  const UINT probe = WM_APP + 7;
  const auto pumped = [&] {
    MSG msg;
    return !::PeekMessageW(&msg, Form.Handle(), probe, probe, PM_NOREMOVE);
  };
  ASSERT_TRUE(::PostMessageW(Form.Handle(), probe, 0, 0));
  ExtractProgress(nullptr, true, 8 * gib);
  EXPECT_TRUE(pumped());
  int pumps = 0;
  bool posted = false;
  const ULONGLONG start = ::GetTickCount64();
  ULONGLONG elapsed = 0;
  for (int64_t done = 1; elapsed < 200; ++done) {
    if (!posted) posted = ::PostMessageW(Form.Handle(), probe, 0, 0);
    ExtractProgress(nullptr, false, done * 4096);
    if (posted && pumped()) {
      ++pumps;
      posted = false;
    }
    elapsed = ::GetTickCount64() - start;
  }
  EXPECT_GE(pumps, 1);
  EXPECT_LE(pumps, static_cast<int>(elapsed / TUSBForm::ProgressPumpGapMs) + 1);
  if (!posted) {
    ASSERT_TRUE(::PostMessageW(Form.Handle(), probe, 0, 0));
  }
  ExtractProgress(nullptr, false, 8 * gib);
  EXPECT_TRUE(pumped());
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
  const fs::path copy = folder / fs::path(exe).filename();
  fs::copy_file(exe, copy);

  std::wstring command = L"\"" + copy.wstring() +
                         L"\" --gtest_filter=BurnImageStageTest.MissingLibraryFails";
  ::SetEnvironmentVariableW(ChildVariable, L"1");
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  const BOOL started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, folder.c_str(), &startup, &info);
  ::SetEnvironmentVariableW(ChildVariable, nullptr);
  ASSERT_TRUE(started);
  TKernelHandle process(info.hProcess), thread(info.hThread);
  ASSERT_EQ(::WaitForSingleObject(process.Get(), 120000), WAIT_OBJECT_0);
  DWORD code = 1;
  ::GetExitCodeProcess(process.Get(), &code);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(fs::exists(folder / L"child-passed"));
}

}  // namespace
