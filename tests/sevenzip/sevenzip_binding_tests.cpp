// The 7-Zip binding against the real codec library (7z.so natively, the
// 32-bit 7z.dll under Wine) on images made by make_images.sh.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "sevenzip/image_survey.h"
#include "sevenzip/sevenzip.h"
#include "sevenzip/stream_adapter.h"
#include "sevenzip_test_files.h"
#ifdef _WIN32
#include "prefix_state_win.h"
#endif

namespace fs = std::filesystem;
using namespace SevenZip;
using namespace sztest;

namespace {

#ifdef _WIN32
constexpr wchar_t kDelimiter = L'\\';
const wchar_t* const kNoCreateLib = L"sz_nocreate.dll";
const wchar_t* const kNoHandlerLib = L"sz_nohandler.dll";
#else
constexpr wchar_t kDelimiter = L'/';
const wchar_t* const kNoCreateLib = L"sz_nocreate.so";
const wchar_t* const kNoHandlerLib = L"sz_nohandler.so";
#endif

std::wstring Text(const fs::path& p) { return p.wstring(); }

void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
}

struct TTree {
  std::map<std::string, std::string> Files;  // relative UTF-8 path -> content
  std::set<std::string> Folders;
};

std::string Utf8(const fs::path& p) {
  std::u8string text = p.generic_u8string();
  return std::string(text.begin(), text.end());
}

TTree ReadTree(const fs::path& root) {
  TTree tree;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string rel = Utf8(entry.path().lexically_relative(root));
    if (entry.is_directory())
      tree.Folders.insert(rel);
    else
      tree.Files[rel] = ReadBytes(entry.path());
  }
  return tree;
}

// Same names and contents; differences are listed by name only.
::testing::AssertionResult SameFiles(const TTree& actual, const TTree& expected) {
  std::string diff;
  for (const auto& [rel, bytes] : expected.Files) {
    auto it = actual.Files.find(rel);
    if (it == actual.Files.end())
      diff += " missing " + rel;
    else if (it->second != bytes)
      diff += " differs " + rel + " (" + std::to_string(it->second.size()) + " bytes)";
  }
  for (const auto& [rel, bytes] : actual.Files)
    if (!expected.Files.count(rel)) diff += " extra " + rel;
  if (diff.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << diff;
}

// Folders that hold a file somewhere below them.
std::set<std::string> FoldersWithFiles(const TTree& tree) {
  std::set<std::string> result;
  for (const auto& [rel, bytes] : tree.Files) {
    fs::path p = fs::path(std::u8string(rel.begin(), rel.end())).parent_path();
    while (!p.empty()) {
      result.insert(Utf8(p));
      p = p.parent_path();
    }
  }
  return result;
}

std::wstring FailureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EFailure& e) {
    return e.Message();
  }
  return L"(no failure)";
}

struct TProgressLog {
  std::vector<std::pair<bool, int64_t>> Events;
  THResult Answer = kOk;
};

THResult RecordProgress(void* sender, bool total, int64_t value) {
  auto* log = static_cast<TProgressLog*>(sender);
  log->Events.emplace_back(total, value);
  return log->Answer;
}

class TMemoryStream : public TStream {
public:
  uint32_t Read(void* buffer, uint32_t count) override {
    size_t n = std::min<size_t>(count, Bytes.size() - std::min<size_t>(Bytes.size(), FPos));
    if (n) std::memcpy(buffer, Bytes.data() + FPos, n);
    FPos += n;
    return static_cast<uint32_t>(n);
  }
  uint32_t Write(const void* buffer, uint32_t count) override {
    if (FPos + count > Bytes.size()) Bytes.resize(FPos + count);
    std::memcpy(Bytes.data() + FPos, buffer, count);
    FPos += count;
    return count;
  }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override {
    int64_t base = origin == TSeekOrigin::soBeginning ? 0
                   : origin == TSeekOrigin::soCurrent ? static_cast<int64_t>(FPos)
                                                       : static_cast<int64_t>(Bytes.size());
    if (base + offset < 0) throw EFailure(L"negative seek");
    FPos = static_cast<size_t>(base + offset);
    return static_cast<int64_t>(FPos);
  }
  int64_t Size() override { return static_cast<int64_t>(Bytes.size()); }
  void SetSize(int64_t size) override { Bytes.resize(static_cast<size_t>(size)); }

  std::string Bytes;

private:
  size_t FPos = 0;
};

// The index of the item with this path (delimiters as the library gives them).
uint32_t FindItem(I7zInArchive& archive, std::wstring path) {
  for (wchar_t& c : path)
    if (c == L'/') c = kDelimiter;
  for (uint32_t i = 0; i < archive.ItemCount(); ++i)
    if (archive.ItemPath(i) == path) return i;
  ADD_FAILURE() << "no item " << fs::path(path).string();
  return 0;
}

}  // namespace

TEST(SevenZipBinding, PlainImageExtractsEveryFileByteForByteWithProgress) {
  TScratch scratch("plain");
  const fs::path source = ImagesDir() / "plain";
  TProgressLog log;
  {
    TComPtr<I7zInArchive> archive = MakeInArchive(IsoFormatClassID);
    archive->SetProgressHandler(&log, RecordProgress);
    archive->OpenArchiveFile(Text(ImagesDir() / "plain.iso"));
    EXPECT_TRUE(log.Events.empty()) << "progress while opening";
    // Each file flushed through its own handle, as for a volume that cannot
    // be flushed whole: the same bytes land, and every file is named.
    archive->SetFlushWrittenFiles(true);
    // No separator at the end: the binding adds it.
    archive->ExtractToFolder(Text(scratch.Path() / "out"));
    EXPECT_EQ(archive->FlushedFiles().size(), 6u);
    EXPECT_EQ(archive->UnflushedFile(), L"");
  }
  const TTree expected = ReadTree(source);
  const TTree actual = ReadTree(scratch.Path() / "out");
  ASSERT_EQ(expected.Files.size(), 6u);
  EXPECT_TRUE(SameFiles(actual, expected));
  // Folders exist only as parents of files: no empty folder is made.
  EXPECT_EQ(actual.Folders, FoldersWithFiles(expected));
  EXPECT_TRUE(actual.Folders.count("Docs/deep/nested"));
  EXPECT_FALSE(actual.Folders.count("emptydir"));
  EXPECT_TRUE(actual.Files.count("Docs/gr\xC3\xBC\xC3\x9F" "e.txt"));

  ASSERT_GE(log.Events.size(), 2u);
  EXPECT_TRUE(log.Events.front().first) << "the total comes first";
  const int64_t total = log.Events.front().second;
  EXPECT_GE(total, 3070038);
  int64_t last = -1;
  for (size_t i = 1; i < log.Events.size(); ++i) {
    EXPECT_FALSE(log.Events[i].first);
    EXPECT_GE(log.Events[i].second, last);
    last = log.Events[i].second;
  }
  EXPECT_EQ(last, total);
}

TEST(SevenZipBinding, IsoReaderSeesOnlyTheNoticeAndUdfReaderEverything) {
  TScratch scratch("windows");
  const fs::path image = ImagesDir() / "windows.iso";
  const fs::path separatorEnded = fs::path(Text(scratch.Path() / "iso") + kDelimiter);
  {
    TComPtr<I7zInArchive> iso = MakeInArchive(IsoFormatClassID);
    iso->OpenArchiveFile(Text(image));
    iso->ExtractToFolder(Text(separatorEnded));
  }
  const TTree isoTree = ReadTree(scratch.Path() / "iso");
  ASSERT_EQ(isoTree.Files.size(), 1u);
  EXPECT_EQ(isoTree.Files.begin()->first, "README.TXT");

  {
    TComPtr<I7zInArchive> udf = MakeInArchive(UdfFormatClassID);
    udf->OpenArchiveFile(Text(image));
    udf->ExtractToFolder(Text(scratch.Path() / "udf"));
  }
  const TTree expected = ReadTree(ImagesDir() / "windows");
  EXPECT_TRUE(SameFiles(ReadTree(scratch.Path() / "udf"), expected));
  EXPECT_EQ(expected.Files.size(), 8u);  // the boot files and the empty boot catalog among them
}

TEST(SevenZipBinding, OpenFailuresRaiseTheSystemText) {
  // The UDF reader answers S_FALSE on a plain ISO 9660 image.
  TComPtr<I7zInArchive> udf = MakeInArchive(UdfFormatClassID);
  EXPECT_EQ(FailureOf([&] { udf->OpenArchiveFile(Text(ImagesDir() / "plain.iso")); }), ResultMessage(kFalse));
  TComPtr<I7zInArchive> iso = MakeInArchive(IsoFormatClassID);
  EXPECT_EQ(FailureOf([&] { iso->OpenArchiveFile(Text(ImagesDir() / "notiso.bin")); }), ResultMessage(kFalse));
  std::wstring missing = FailureOf([&] { iso->OpenArchiveFile(Text(ImagesDir() / "missing.iso")); });
  EXPECT_NE(missing, L"(no failure)");
  EXPECT_NE(missing.find(L"missing.iso"), std::wstring::npos);
  // Nothing opened: the item queries refuse.
  TComPtr<I7zInArchive> fresh = MakeInArchive(IsoFormatClassID);
  EXPECT_NE(FailureOf([&] { fresh->ItemCount(); }), L"(no failure)");
  EXPECT_NE(FailureOf([&] { fresh->ExtractToFolder(L"unused"); }), L"(no failure)");
}

TEST(SevenZipBinding, ResultMessagesAreTrimmedSystemTexts) {
  for (THResult code : {kFalse, kFail, kAbort, kAccessDenied, kNoInterface}) {
    std::wstring text = ResultMessage(code);
    ASSERT_FALSE(text.empty());
    EXPECT_GT(text.back(), L' ');
    EXPECT_NE(text.back(), L'.');
    EXPECT_EQ(FailureOf([&] { CheckResult(code); }), text);
  }
  EXPECT_EQ(FailureOf([] { CheckResult(kOk); }), L"(no failure)");
  EXPECT_NE(ResultMessage(kFail), ResultMessage(kAbort));
}

// Where names ignore case (Windows) two items of one name in two cases land
// on one file: with each file flushed beside the writing, the second still
// replaces the first instead of finding it open.
TEST(SevenZipBinding, OneNameInTwoCasesExtractsWithFlushing) {
  TScratch scratch("cases");
  TComPtr<I7zInArchive> archive = MakeInArchive(IsoFormatClassID);
  archive->OpenArchiveFile(Text(ImagesDir() / "cases.iso"));
  archive->SetFlushWrittenFiles(true);
  archive->ExtractToFolder(Text(scratch.Path() / "out"));
  EXPECT_EQ(archive->FlushedFiles().size(), 2u);
  EXPECT_EQ(archive->UnflushedFile(), L"");
  EXPECT_FALSE(ReadTree(scratch.Path() / "out").Files.empty());
}

TEST(SevenZipBinding, ExistingTargetsAreReplacedUnlessReadOnly) {
  TScratch scratch("existing");
  const fs::path out = scratch.Path() / "out";
  fs::create_directories(out / "Docs");
  WriteBytes(out / "a.txt", std::string(500000, 'x'));  // longer than the item
  const std::string expected = ReadBytes(ImagesDir() / "plain" / "a.txt");
  {
    TComPtr<I7zInArchive> archive = MakeInArchive(IsoFormatClassID);
    archive->OpenArchiveFile(Text(ImagesDir() / "plain.iso"));
    archive->ExtractToFolder(Text(out));
  }
  EXPECT_TRUE(ReadBytes(out / "a.txt") == expected);

  const fs::path locked = out / "Docs" / "name with spaces.txt";
  WriteBytes(locked, "old content");
  fs::permissions(locked, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  TComPtr<I7zInArchive> archive = MakeInArchive(IsoFormatClassID);
  archive->OpenArchiveFile(Text(ImagesDir() / "plain.iso"));
  EXPECT_NE(FailureOf([&] { archive->ExtractToFolder(Text(out)); }), L"(no failure)");
  EXPECT_EQ(ReadBytes(locked), "old content");
}

TEST(SevenZipBinding, ImageWithoutFilesExtractsNothing) {
  TScratch scratch("empty");
  TComPtr<I7zInArchive> archive = MakeInArchive(IsoFormatClassID);
  archive->OpenArchiveFile(Text(ImagesDir() / "empty.iso"));
  EXPECT_EQ(archive->ItemCount(), 0u);
  archive->ExtractToFolder(Text(scratch.Path()));
  EXPECT_TRUE(fs::is_empty(scratch.Path()));
}

TEST(SevenZipBinding, LibraryFailuresNameTheLibrary) {
  EXPECT_EQ(FailureOf([] { MakeObject<T7zInArchive>(kNoCreateLib); }),
            std::wstring(kNoCreateLib) + L" is not a 7z library");
  EXPECT_EQ(FailureOf([] { MakeObject<T7zInArchive>(kNoHandlerLib); }),
            std::wstring(kNoHandlerLib) + L" is not a Format library");
  EXPECT_EQ(FailureOf([] { MakeObject<T7zInArchive>(L"sz_absent.dll"); }),
            L"Error loading library sz_absent.dll");
}

TEST(SevenZipBinding, BareLibraryNamesComeOnlyFromTheProgramFolder) {
  // A library planted in the current folder is not loaded by its bare name.
  TScratch scratch("planted");
  const fs::path bin = fs::current_path();
#ifdef _WIN32
  const std::wstring planted = L"sz_planted.dll";
#else
  const std::wstring planted = L"sz_planted.so";
#endif
  fs::copy_file(bin / kNoCreateLib, scratch.Path() / planted);
  fs::current_path(scratch.Path());
  const std::wstring message = FailureOf([&] { MakeObject<T7zInArchive>(planted); });
  fs::current_path(bin);
  EXPECT_EQ(message, L"Error loading library " + planted);
  // By its full path it loads (and is then refused for its exports).
  EXPECT_EQ(FailureOf([&] { MakeObject<T7zInArchive>(Text(scratch.Path() / planted)); }),
            Text(scratch.Path() / planted) + L" is not a 7z library");
}

#ifdef _WIN32
TEST(SevenZipBinding, DriveRootGetsItsBackslash) {
  // Q: is the test drive that wine-run maps to a folder.
  prefixstate::TDriveQScope driveQ;
  TComPtr<I7zInArchive> archive = MakeInArchive(UdfFormatClassID);
  archive->OpenArchiveFile(Text(ImagesDir() / "windows.iso"));
  archive->ExtractToFolder(L"Q:");
  EXPECT_TRUE(ReadBytes(L"Q:\\sources\\boot.wim") == ReadBytes(ImagesDir() / "windows/sources/boot.wim"));
  EXPECT_TRUE(fs::exists(L"Q:\\README.TXT"));
}
#endif

TEST(SevenZipBinding, LoadsAndUnloadsTheLibraryRepeatedly) {
  const std::wstring image = Text(ImagesDir() / "plain.iso");
  // Nothing else holds the library: each round loads and unloads it.
  for (int i = 0; i < 100; ++i) {
    TComPtr<I7zInArchive> archive = MakeInArchive(i % 2 ? UdfFormatClassID : IsoFormatClassID);
    if (i % 2 == 0) {
      archive->OpenArchiveFile(image);
      ASSERT_EQ(archive->ItemCount(), 11u);
    }
  }
  // Each object holds its own load: one outlives another.
  TComPtr<I7zInArchive> keeper = MakeInArchive(IsoFormatClassID);
  keeper->OpenArchiveFile(image);
  {
    TComPtr<I7zInArchive> other = MakeInArchive(IsoFormatClassID);
    other->OpenArchiveFile(image);
  }
  EXPECT_EQ(keeper->ItemCount(), 11u);
  keeper->CloseArchive();
  EXPECT_NE(FailureOf([&] { keeper->ItemCount(); }), L"(no failure)");
  keeper->OpenArchiveFile(image);
  EXPECT_EQ(keeper->ItemCount(), 11u);
}

TEST(SevenZipBinding, ItemQueriesAndAnAbortingProgressRoutine) {
  TComPtr<I7zInArchive> archive = MakeInArchive(IsoFormatClassID);
  archive->OpenArchiveFile(Text(ImagesDir() / "plain.iso"));
  const uint32_t mid = FindItem(*archive, L"Docs/deep/mid.bin");
  EXPECT_EQ(archive->ItemSize64(mid), 70000u);
  EXPECT_FALSE(archive->ItemIsFolder(mid));
  EXPECT_TRUE(archive->ItemIsFolder(FindItem(*archive, L"Docs/deep")));

  // A progress routine that answers abort stops the extraction.
  TProgressLog log;
  log.Answer = kAbort;
  archive->SetProgressHandler(&log, RecordProgress);
  TScratch scratch("abort");
  EXPECT_EQ(FailureOf([&] { archive->ExtractToFolder(Text(scratch.Path())); }), ResultMessage(kAbort));
  EXPECT_EQ(log.Events.size(), 1u);
}

TEST(SevenZipBinding, CutShortImageIsFlaggedAndItsDamagedItemsFailTheExtraction) {
  TComPtr<I7zInArchive> archive = MakeInArchive(IsoFormatClassID);
  archive->OpenArchiveFile(Text(ImagesDir() / "plain.iso"));
  EXPECT_EQ(archive->ArchiveErrorFlags(), 0u);

  archive = MakeInArchive(IsoFormatClassID);
  archive->OpenArchiveFile(Text(ImagesDir() / "half.iso"));
  EXPECT_NE(archive->ArchiveErrorFlags() & kpvErrorFlagsUnexpectedEnd, 0u);
  std::set<std::wstring> items;
  for (uint32_t i = 0; i < archive->ItemCount(); ++i) items.insert(archive->ItemPath(i));
  TScratch scratch("half");
  const std::wstring message = FailureOf([&] { archive->ExtractToFolder(Text(scratch.Path())); });
  std::wsmatch parts;
  ASSERT_TRUE(std::regex_match(message, parts, std::wregex(L"([1-6]) files of the image could not be read, first: (.+)")))
      << fs::path(message).string();
  EXPECT_EQ(items.count(parts[2].str()), 1u);
  // What was read stays written.
  EXPECT_EQ(ReadBytes(scratch.Path() / "a.txt"), "first file\r\n");
}

TEST(SevenZipBinding, AnItemWithItsOwnTargetGoesThereAlone) {
  TScratch scratch("aside");
  TComPtr<I7zInArchive> udf = MakeInArchive(UdfFormatClassID);
  udf->OpenArchiveFile(Text(ImagesDir() / "windows.iso"));
  const std::vector<TImageFile> files = ListImageFiles(*udf);
  const auto wim = std::find_if(files.begin(), files.end(),
                                [](const TImageFile& file) { return fs::path(file.Path) == fs::path("sources/boot.wim"); });
  ASSERT_NE(wim, files.end());
  const fs::path aside = scratch.Path() / "work" / "copy.wim";
  udf->SetItemTarget(wim->Index, Text(aside));
  udf->ExtractToFolder(Text(scratch.Path() / "udf"));

  TTree expected = ReadTree(ImagesDir() / "windows");
  EXPECT_EQ(ReadBytes(aside), expected.Files["sources/boot.wim"]);
  expected.Files.erase("sources/boot.wim");
  EXPECT_TRUE(SameFiles(ReadTree(scratch.Path() / "udf"), expected));
}

TEST(SevenZipBinding, SurveyReadsTheFilesTheImageStageWillWrite) {
  TImageSurvey survey = SurveyImage(Text(ImagesDir() / "windows.iso"));
  EXPECT_EQ(survey.Status, TImageSurvey::TStatus::Read);
  EXPECT_TRUE(survey.UsesUdf);
  std::map<std::string, uint64_t> sizes, expected;
  for (const TImageFile& file : survey.Files) sizes[Utf8(fs::path(file.Path))] = file.Size;
  for (const auto& [rel, bytes] : ReadTree(ImagesDir() / "windows").Files) expected[rel] = bytes.size();
  EXPECT_EQ(sizes, expected);

  EXPECT_FALSE(SurveyImage(Text(ImagesDir() / "plain.iso")).UsesUdf);
  EXPECT_TRUE(SurveyImage(Text(ImagesDir() / "folder.iso")).UsesUdf);  // a folder README.TXT, as the stage sees it
  for (const char* unreadable : {"half.iso", "notiso.bin", "no such.iso"}) {
    survey = SurveyImage(Text(ImagesDir() / unreadable));
    EXPECT_EQ(survey.Status, TImageSurvey::TStatus::ImageUnreadable) << unreadable;
    EXPECT_TRUE(survey.Files.empty());
  }
}

TEST(SevenZipBinding, SurveyLeavesOutBootRecordsAndNamesWindowsCannotHold) {
  const TImageSurvey survey = SurveyImage(Text(ImagesDir() / "names.iso"));
  ASSERT_EQ(survey.Status, TImageSurvey::TStatus::Read);
  EXPECT_FALSE(survey.UsesUdf);
  EXPECT_EQ(survey.BootItems.size(), 1u);
  std::set<std::string> written, leftOut;
  for (const TImageFile& file : survey.Files) written.insert(Utf8(fs::path(file.Path)));
  for (const TImageFile& file : survey.LeftOut) leftOut.insert(Utf8(fs::path(file.Path)));
  // Of two items on one file the first in the reader's order stays.
  EXPECT_EQ(written, (std::set<std::string>{"SAME.TXT", "boot.catalog", "boot/loader.bin", "docs/console.txt",
                                            "keep.txt"}));
  EXPECT_EQ(leftOut, (std::set<std::string>{"CON.txt", "docs/aux", "keep.txt", "same.txt"}));
}

TEST(SevenZipBinding, CallbacksAnswerAsTheLibraryExpects) {
  TComPtr<T7zInArchive> object = MakeObject<T7zInArchive>(L"7z.dll");
  EXPECT_EQ(object->RefCount(), 1u);
  const TGUID ids[] = {IID_IArchiveExtractCallback, IID_IProgress, IID_IArchiveOpenCallback, IID_I7zInArchive,
                       IID_IUnknown};
  auto identity = QueryInterfacePtr<SevenZip::IUnknown>(object.Get(), IID_IUnknown);
  for (const TGUID& id : ids) {
    auto ref = QueryInterfacePtr<SevenZip::IUnknown>(object.Get(), id);
    ASSERT_TRUE(ref);
    EXPECT_EQ(QueryInterfacePtr<SevenZip::IUnknown>(ref.Get(), IID_IUnknown).Get(), identity.Get());
  }
  EXPECT_FALSE(QueryInterfacePtr<SevenZip::IUnknown>(object.Get(), IID_IInStream));
  EXPECT_EQ(object->RefCount(), 2u);  // object and identity

  // Progress goes nowhere without a routine, and a null count never calls it.
  auto progress = QueryInterfacePtr<IProgress>(object.Get(), IID_IProgress);
  EXPECT_EQ(progress->SetTotal(10), kOk);
  TProgressLog log;
  object->SetProgressHandler(&log, RecordProgress);
  EXPECT_EQ(progress->SetCompleted(nullptr), kOk);
  const uint64_t done = 7;
  EXPECT_EQ(progress->SetCompleted(&done), kOk);
  auto opening = QueryInterfacePtr<IArchiveOpenCallback>(object.Get(), IID_IArchiveOpenCallback);
  EXPECT_EQ(opening->SetTotal(&done, &done), kOk);
  EXPECT_EQ(opening->SetCompleted(&done, &done), kOk);
  ASSERT_EQ(log.Events.size(), 1u);
  EXPECT_EQ(log.Events[0], std::make_pair(false, int64_t{7}));

  // Test and skip modes get no stream; nothing set up gets none either.
  auto extract = QueryInterfacePtr<IArchiveExtractCallback>(object.Get(), IID_IArchiveExtractCallback);
  ISequentialOutStream* stream = nullptr;
  EXPECT_EQ(extract->GetStream(0, &stream, kTest), kOk);
  EXPECT_EQ(stream, nullptr);
  EXPECT_EQ(extract->GetStream(0, &stream, kExtract), kOk);
  EXPECT_EQ(stream, nullptr);
  EXPECT_EQ(extract->PrepareOperation(kExtract), kOk);
  EXPECT_EQ(extract->SetOperationResult(2), kOk);
}

TEST(SevenZipBinding, StreamAdapterReportsThroughCounts) {
  auto owned = std::make_unique<TMemoryStream>();
  TMemoryStream& memory = *owned;
  TComPtr<T7zStream> adapter = MakeObject<T7zStream>(std::move(owned));
  auto out = QueryInterfacePtr<IOutStream>(adapter.Get(), IID_IOutStream);
  auto in = QueryInterfacePtr<IInStream>(adapter.Get(), IID_IInStream);
  auto sizer = QueryInterfacePtr<IStreamGetSize>(adapter.Get(), IID_IStreamGetSize);
  auto flush = QueryInterfacePtr<IOutStreamFlush>(adapter.Get(), IID_IOutStreamFlush);
  ASSERT_TRUE(out && in && sizer && flush);
  EXPECT_TRUE(QueryInterfacePtr<ISequentialInStream>(adapter.Get(), IID_ISequentialInStream));
  EXPECT_TRUE(QueryInterfacePtr<ISequentialOutStream>(adapter.Get(), IID_ISequentialOutStream));
  uint32_t count = 0;
  EXPECT_EQ(out->Write("hello world", 11, &count), kOk);
  EXPECT_EQ(count, 11u);
  uint64_t position = 0;
  EXPECT_EQ(in->Seek(-5, 2, &position), kOk);
  EXPECT_EQ(position, 6u);
  char buffer[16] = {};
  EXPECT_EQ(in->Read(buffer, sizeof buffer, &count), kOk);
  EXPECT_EQ(std::string(buffer, count), "world");
  EXPECT_EQ(in->Read(buffer, sizeof buffer, nullptr), kOk);
  EXPECT_EQ(out->SetSize(5), kOk);
  uint64_t size = 0;
  EXPECT_EQ(sizer->GetSize(&size), kOk);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(flush->Flush(), kOk);
  // A failing stream answers a code; no exception reaches the caller.
  EXPECT_NE(in->Seek(-100, 0, &position), kOk);
  EXPECT_EQ(memory.Bytes, "hello");
}

TEST(SevenZipBinding, ItemPathRulesForBothPlatforms) {
  for (const wchar_t* ok : {L"a", L"sources\\boot.wim", L"a\\b\\c.txt", L"...txt", L"a..b"})
    EXPECT_TRUE(IsItemPathInside(ok, L'\\')) << fs::path(ok).string();
  for (const wchar_t* bad : {L"", L"C:\\x", L"C:x", L"\\x", L"/x", L"..\\x", L"a\\..\\..\\x", L"a/../../x",
                             L"a\\...\\x", L"a\\.. \\x", L"a\\..", L"file:stream"})
    EXPECT_FALSE(IsItemPathInside(bad, L'\\')) << fs::path(bad).string();
  for (const wchar_t* ok : {L"a", L"a/b/c.txt", L"C:\\x", L"..\\x", L"...", L"a/.../b"})
    EXPECT_TRUE(IsItemPathInside(ok, L'/')) << fs::path(ok).string();
  for (const wchar_t* bad : {L"", L"/x", L"../x", L"a/../../x", L"a/.."})
    EXPECT_FALSE(IsItemPathInside(bad, L'/')) << fs::path(bad).string();
}
