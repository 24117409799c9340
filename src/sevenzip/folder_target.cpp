// The folder target: where extracted items are written, flushed or compared with the drive.
#include "sevenzip/sevenzip.h"

#include <memory>
#include <vector>

#include "base/ascii_text.h"
#include "base/scope_guard.h"
#include "sevenzip/flush_queue.h"
#include "sevenzip/read_back.h"
#include "sevenzip/sevenzip_platform.h"
#include "sevenzip/stream_adapter.h"

using namespace SevenZip;
namespace Platform = SevenZipPlatform;

namespace {

constexpr uint32_t kAllItems = 0xFFFFFFFFu;

// Where VerifyFolder's items go: to the comparison with the drive's file.
class TCompareStream : public TInterfacedObject, public ISequentialOutStream {
public:
  explicit TCompareStream(TReadBack& readBack) : FReadBack(readBack) {}

  SZ_IUNKNOWN_METHODS

  THResult SZ_STDCALL Write(const void* data, uint32_t size, uint32_t* processedSize) noexcept override {
    if (processedSize) *processedSize = 0;
    try {
      FReadBack.Compare(data, size);
      if (processedSize) *processedSize = size;
      return kOk;
    } catch (...) {
      return CaughtResult();
    }
  }

protected:
  void* FindInterface(const TGUID& iid) noexcept override {
    if (iid == IID_ISequentialOutStream || iid == IID_IUnknown) return static_cast<ISequentialOutStream*>(this);
    return nullptr;
  }

private:
  TReadBack& FReadBack;
};

bool IsDelimiter(wchar_t c, wchar_t delimiter) {
  return c == delimiter || (delimiter == L'\\' && c == L'/');
}

// The text up to and including the last separator (or a drive's colon).
std::wstring ParentPath(const std::wstring& path) {
  size_t i = path.size();
  while (i > 0) {
    wchar_t c = path[i - 1];
    if (IsDelimiter(c, Platform::PathDelimiter) || (Platform::PathDelimiter == L'\\' && c == L':'))
      break;
    --i;
  }
  return path.substr(0, i);
}

// Creates every missing folder of a path, outermost first.
THResult ForceFolders(std::wstring folder) {
  auto trim = [](std::wstring& s) {
    while (s.size() > 1 && IsDelimiter(s.back(), Platform::PathDelimiter)) s.pop_back();
  };
  trim(folder);
  std::vector<std::wstring> missing;
  while (!folder.empty() && folder.back() != L':' &&
         !(folder.size() == 1 && IsDelimiter(folder[0], Platform::PathDelimiter)) &&
         !Platform::DirectoryExists(folder)) {
    missing.push_back(folder);
    size_t cut = folder.size();
    while (cut > 0 && !IsDelimiter(folder[cut - 1], Platform::PathDelimiter)) --cut;
    if (cut == 0) break;
    folder.resize(cut);
    trim(folder);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    if (THResult r = Platform::MakeDir(*it); r != kOk) return r;
  return kOk;
}

// A written file flushed through its own handle once the library lets go of
// it: no second open of every file after the burn.
class TFlushedOnClose : public TStream {
public:
  TFlushedOnClose(std::unique_ptr<TStream> file, std::wstring path, TFlushQueue& queue)
      : FFile(std::move(file)), FPath(std::move(path)), FQueue(queue) {}
  ~TFlushedOnClose() override { FQueue.Push(std::move(FFile), std::move(FPath)); }
  uint32_t Read(void* buffer, uint32_t count) override { return FFile->Read(buffer, count); }
  uint32_t Write(const void* buffer, uint32_t count) override { return FFile->Write(buffer, count); }
  int64_t Seek(int64_t offset, TSeekOrigin origin) override { return FFile->Seek(offset, origin); }
  int64_t Size() override { return FFile->Size(); }
  void SetSize(int64_t size) override { FFile->SetSize(size); }
  bool Flush() override { return FFile->Flush(); }

private:
  std::unique_ptr<TStream> FFile;
  std::wstring FPath;
  TFlushQueue& FQueue;
};

}  // namespace

bool IsItemPathInside(const std::wstring& path, wchar_t delimiter) {
  const bool windows = delimiter == L'\\';
  if (path.empty() || IsDelimiter(path[0], delimiter)) return false;
  if (windows && path.find(L':') != std::wstring::npos) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = start;
    while (end < path.size() && !IsDelimiter(path[end], delimiter)) ++end;
    std::wstring part = path.substr(start, end - start);
    if (windows) {
      // Windows drops trailing dots and blanks: "..." or ". ." mean "..".
      if (!part.empty() && TrimTrailingChars(part, L". ").empty()) return false;
    } else if (part == L"..") {
      return false;
    }
    start = end + 1;
  }
  return true;
}

void SZ_STDCALL T7zInArchive::SetItemTarget(uint32_t index, const std::wstring& target) {
  if (target.empty())
    FItemTargets.erase(index);
  else
    FItemTargets[index] = target;
}

void SZ_STDCALL T7zInArchive::LeaveOutItem(uint32_t index) { FLeftOut.insert(index); }

void T7zInArchive::ExtractFolder(const std::wstring& folder) {
  TScopeGuard clear([this] {
    FExtractPath.clear();
    FMadeFolder.clear();
    FFailedItems = 0;
    FFirstFailedItem.clear();
  });
  FExtractPath = folder;
  if (FExtractPath.empty() || FExtractPath.back() != Platform::PathDelimiter)
    FExtractPath += Platform::PathDelimiter;
  FFailedItems = 0;
  IInArchive& reader = OpenedReader();
  TComPtr<IArchiveExtractCallback> callback(static_cast<IArchiveExtractCallback*>(this));
  CheckResult(reader.Extract(nullptr, kAllItems, 0, callback.Get()));
  // A damaged item is written as far as it goes; the extraction must not pass
  // for a success.
  if (FFailedItems > 0)
    throw EFailure(std::to_wstring(FFailedItems) + L" files of the image could not be read, first: " +
                   FFirstFailedItem);
}

void SZ_STDCALL T7zInArchive::ExtractToFolder(const std::wstring& folder) {
  FFlushed.clear();
  FUnflushed.clear();
  if (FFlushWritten) FFlushQueue = std::make_unique<TFlushQueue>();
  // The library has let go of every file by now, on every way out.
  TScopeGuard flushed([this] {
    if (!FFlushQueue) return;
    FFlushQueue->Finish();
    FFlushed = std::move(FFlushQueue->Flushed);
    FUnflushed = std::move(FFlushQueue->Unflushed);
    FFlushQueue.reset();
  });
  ExtractFolder(folder);
}

void SZ_STDCALL T7zInArchive::VerifyFolder(const std::wstring& folder) {
  TReadBack readBack;
  TScopeGuard clear([this] { FReadBack = nullptr; });
  FReadBack = &readBack;
  try {
    ExtractFolder(folder);
  } catch (const EFailure&) {
    // The library ends the pass with its own code for a fault of the drive.
    if (!readBack.Fault()) throw;
  }
  if (readBack.Fault()) throw *readBack.Fault();
}

THResult T7zInArchive::GetFolderStream(uint32_t index, ISequentialOutStream** outStream) {
  // No stream: the library reads past the item.
  if (ItemIsFolder(index) || FLeftOut.count(index)) return kOk;
  std::wstring target;
  if (const auto redirected = FItemTargets.find(index); redirected != FItemTargets.end()) {
    target = redirected->second;
  } else {
    const std::wstring item = ItemPath(index);
    // An elevated program must not write outside the target folder.
    if (!IsItemPathInside(item, Platform::PathDelimiter)) return Platform::AccessDeniedResult();
    target = FExtractPath + item;
  }
  if (FReadBack) {
    FReadBack->Begin(target);
    *outStream = MakeObject<TCompareStream>(*FReadBack).Detach();
    return kOk;
  }
  // Items come folder by folder: the last folder made needs no second look.
  if (std::wstring folder = ParentPath(target); folder != FMadeFolder) {
    if (THResult r = ForceFolders(folder); r != kOk) return r;
    FMadeFolder = std::move(folder);
  }
  THResult error = kOk;
  std::unique_ptr<TStream> file = TryOpenFileStream(target, TFileMode::Create, error);
  // An earlier item of the same name (another case) may still wait, open.
  if (!file && FFlushQueue && FFlushQueue->Drain()) file = TryOpenFileStream(target, TFileMode::Create, error);
  if (!file) return error != kOk ? error : kFail;
  if (FFlushQueue) file = std::make_unique<TFlushedOnClose>(std::move(file), target, *FFlushQueue);
  TComPtr<T7zStream> stream = MakeObject<T7zStream>(std::move(file));
  *outStream = static_cast<ISequentialOutStream*>(static_cast<IOutStream*>(stream.Detach()));
  return kOk;
}

THResult SZ_STDCALL T7zInArchive::GetStream(uint32_t index, ISequentialOutStream** outStream,
                                            int32_t askExtractMode) noexcept {
  try {
    if (!outStream) return kPointer;
    *outStream = nullptr;
    FCurrentItem = index;
    if (askExtractMode != kExtract) return kOk;
    if (!FExtractPath.empty()) return GetFolderStream(index, outStream);
    return kOk;
  } catch (...) {
    return CaughtResult();
  }
}

THResult SZ_STDCALL T7zInArchive::PrepareOperation(int32_t) noexcept { return kOk; }

THResult SZ_STDCALL T7zInArchive::SetOperationResult(int32_t opRes) noexcept {
  try {
    if (opRes != kOperationOk && !FExtractPath.empty() && FFailedItems++ == 0)
      FFirstFailedItem = ItemPath(FCurrentItem);
    // A damaged item is the image's fault, not the drive's.
    if (FReadBack && opRes == kOperationOk)
      FReadBack->End();
    else if (FReadBack)
      FReadBack->Close();
    return kOk;
  } catch (...) {
    return CaughtResult();
  }
}
