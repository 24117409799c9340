// Item paths that would leave the target folder, reported by a fake reader
// handed to a real binding object (its strings come from the real library).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "sevenzip/sevenzip.h"
#include "sevenzip_test_files.h"

namespace fs = std::filesystem;
using namespace SevenZip;
using namespace sztest;

namespace {

struct TFakeItem {
  std::wstring Path;
  std::string Content;
};

// Answers like a reader of the library: extract asks get stream for every
// item, stops at the first failure code, and writes each item it is given
// a stream for.
class TFakeReader : public TInterfacedObject, public IInArchive {
public:
  TFakeReader(T7zLibrary& lib, std::vector<TFakeItem> items) : FLib(lib), FItems(std::move(items)) {}
  SZ_IUNKNOWN_METHODS

  THResult SZ_STDCALL Open(IInStream*, const uint64_t*, IArchiveOpenCallback*) override { return kOk; }
  THResult SZ_STDCALL Close() override { return kOk; }
  THResult SZ_STDCALL GetNumberOfItems(uint32_t* count) override {
    *count = static_cast<uint32_t>(FItems.size());
    return kOk;
  }
  THResult SZ_STDCALL GetProperty(uint32_t index, uint32_t propID, TPropVariant* value) override {
    if (index >= FItems.size()) return kInvalidArg;
    if (propID == kpidPath) {
      value->vt = kVtBstr;
      value->bstrVal = FLib.AllocSysString(FItems[index].Path);
    } else if (propID == kpidIsDir) {
      value->vt = kVtBool;
      value->boolVal = 0;
    }
    return kOk;
  }
  THResult SZ_STDCALL Extract(const uint32_t*, uint32_t, int32_t, IArchiveExtractCallback* callback) override {
    for (uint32_t i = 0; i < FItems.size(); ++i) {
      TComPtr<ISequentialOutStream> stream;
      THResult r = callback->GetStream(i, stream.Put(), kExtract);
      if (r != kOk) return r;
      if (!stream) continue;
      callback->PrepareOperation(kExtract);
      uint32_t written = 0;
      stream->Write(FItems[i].Content.data(), static_cast<uint32_t>(FItems[i].Content.size()), &written);
      stream.Reset();
      callback->SetOperationResult(0);
    }
    return kOk;
  }
  THResult SZ_STDCALL GetArchiveProperty(uint32_t, TPropVariant*) override { return kOk; }

protected:
  void* FindInterface(const TGUID& iid) noexcept override {
    if (iid == IID_IInArchive || iid == IID_IUnknown) return static_cast<IInArchive*>(this);
    return nullptr;
  }

private:
  T7zLibrary& FLib;
  std::vector<TFakeItem> FItems;
};

// A binding object whose reader can be replaced.
class TSeamInArchive : public T7zInArchive {
public:
  using T7zInArchive::T7zInArchive;
  void UseReader(std::vector<TFakeItem> items) {
    FInArchive = TComPtr<IInArchive>(MakeObject<TFakeReader>(Library(), std::move(items)).Get());
  }
};

}  // namespace

TEST(SevenZipRefusal, ItemsLeavingTheTargetFailTheExtraction) {
  const TScratch scratchFolder("refusal");
  const fs::path& scratch = scratchFolder.Path();
  const fs::path target = scratch / "target";
  fs::create_directories(target);
  const std::wstring token = L"sz_escape_" + std::to_wstring(ProcessId());
#ifdef _WIN32
  const THResult refused = kAccessDenied;
  const std::vector<std::wstring> hostile = {L"C:\\" + token,        L"\\" + token,       L"/" + token,
                                             L"..\\" + token,        L"a\\..\\..\\" + token,
                                             L"a/../../" + token,    L"C:" + token,       L"..." + std::wstring(L"\\") + token};
  const std::vector<fs::path> outside = {fs::path(L"C:\\") / token, fs::path(L"\\") / token, scratch / token,
                                         fs::current_path() / token, target.root_path() / token};
#else
  const THResult refused = THResult(0x80070000u | EACCES);
  const std::vector<std::wstring> hostile = {L"/tmp/" + token, L"../" + token, L"a/../../" + token,
                                             L"a/.." , L"/" + token};
  const std::vector<fs::path> outside = {fs::path("/tmp") / token, scratch / token, fs::path("/") / token,
                                         fs::current_path() / token};
#endif
  TComPtr<TSeamInArchive> archive = MakeObject<TSeamInArchive>(L"7z.dll");
  for (const std::wstring& path : hostile) {
    SCOPED_TRACE(fs::path(path).string());
    archive->UseReader({{L"sub/deeper/ok.txt", "inside"}, {path, "escaped"}, {L"after.txt", "late"}});
    std::wstring message;
    try {
      archive->ExtractToFolder(target.wstring());
    } catch (const EFailure& e) {
      message = e.Message();
    }
    EXPECT_EQ(message, ResultMessage(refused));
    EXPECT_EQ(ReadBytes(target / "sub" / "deeper" / "ok.txt"), "inside");
    EXPECT_FALSE(fs::exists(target / "after.txt")) << "extraction went on after the refusal";
    for (const fs::path& p : outside) EXPECT_FALSE(fs::exists(p)) << p.string();
  }

  // The target folder is forgotten after the failed extraction: a stray
  // get stream writes nothing.
  auto callback = QueryInterfacePtr<IArchiveExtractCallback>(archive.Get(), IID_IArchiveExtractCallback);
  ISequentialOutStream* stray = nullptr;
  EXPECT_EQ(callback->GetStream(2, &stray, kExtract), kOk);
  EXPECT_EQ(stray, nullptr);
  EXPECT_FALSE(fs::exists(target / "after.txt"));

  // A harmless path is written below the target, folders made as needed.
  archive->UseReader({{L"x/y/z.txt", "deep"}, {L"top.txt", ""}});
  archive->ExtractToFolder((target / "").wstring());
  EXPECT_EQ(ReadBytes(target / "x" / "y" / "z.txt"), "deep");
  EXPECT_TRUE(fs::exists(target / "top.txt"));
  EXPECT_EQ(fs::file_size(target / "top.txt"), 0u);

  // A folder that cannot be made (a file is in the way) fails the extraction.
  std::ofstream(target / "blocker") << "file";
  archive->UseReader({{L"blocker/inner.txt", "never"}});
  EXPECT_THROW(archive->ExtractToFolder(target.wstring()), EFailure);
}
