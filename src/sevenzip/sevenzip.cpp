#include "sevenzip/sevenzip.h"

#include <cstdio>
#include <new>
#include <vector>

#include "base/scope_guard.h"
#include "sevenzip/flush_queue.h"
#include "sevenzip/read_back.h"
#include "sevenzip/sevenzip_platform.h"

using namespace SevenZip;
namespace Platform = SevenZipPlatform;

namespace {

constexpr uint32_t kAllItems = 0xFFFFFFFFu;

// Answer of a callback whose body raised: no exception may reach the library.
THResult CaughtResult() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  } catch (...) {
    return kFail;
  }
}

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

std::wstring BStrText(TBStr text) { return text ? std::wstring(text) : std::wstring(); }

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

}  // namespace

// ---- result codes

std::wstring ResultMessage(THResult code) {
  std::wstring text = Platform::SystemMessage(code);
  while (!text.empty() && (text.back() <= 32 || text.back() == L'.')) text.pop_back();
  if (text.empty()) {
    wchar_t buffer[40];
    std::swprintf(buffer, 40, L"Unknown error 0x%08X", static_cast<unsigned>(code));
    text = buffer;
  }
  return text;
}

void CheckResult(THResult code) {
  if (code != kOk) throw EFailure(ResultMessage(code));
}

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
      size_t keep = part.find_last_not_of(L". ");
      if (!part.empty() && keep == std::wstring::npos) return false;
    } else if (part == L"..") {
      return false;
    }
    start = end + 1;
  }
  return true;
}

// ---- library

TLibraryHandle::~TLibraryHandle() {
  if (FHandle) Platform::FreeLib(FHandle);
}

namespace {
void* LoadOrRaise(const std::wstring& lib) {
  void* handle = Platform::LoadLib(lib);
  if (!handle) throw EFailure(L"Error loading library " + lib);
  return handle;
}
}  // namespace

// A raise in a constructor body releases FHandle, the load, exactly once.
T7zPlugin::T7zPlugin(const std::wstring& lib) : FHandle(LoadOrRaise(lib)) {
  FCreateObject = reinterpret_cast<TCreateObjectFunc>(Platform::FindExport(FHandle.Get(), "CreateObject"));
  if (!FCreateObject) throw EFailure(lib + L" is not a 7z library");
}

void T7zPlugin::CreateObject(const TGUID& clsid, const TGUID& iid, void** obj) {
  THResult r = FCreateObject(&clsid, &iid, obj);
  if (r < 0) CheckResult(r);
}

TBStr T7zPlugin::AllocSysString(const std::wstring& text) {
  TBStr result = Platform::AllocBStr(FHandle.Get(), text.c_str());
  if (!result) throw std::bad_alloc();
  return result;
}

void T7zPlugin::FreeSysString(TBStr text) noexcept {
  if (text) Platform::FreeBStr(FHandle.Get(), text);
}

void T7zPlugin::ClearVariant(TPropVariant& value) noexcept {
  if (value.vt == kVtBstr) FreeSysString(value.bstrVal);
  value = TPropVariant();
}

// ---- format library

// A library without the format export is not one of 7-Zip's format libraries.
T7zArchive::T7zArchive(const std::wstring& lib) : T7zPlugin(lib) {
  if (!Platform::FindExport(FHandle.Get(), "GetHandlerProperty")) throw EFailure(lib + L" is not a Format library");
}

// ---- archive reader

T7zInArchive::T7zInArchive(const std::wstring& lib) : T7zArchive(lib) {}

T7zInArchive::~T7zInArchive() {
  // The reader goes first (it closes the image); the library after it.
  FInArchive.Reset();
}

void* T7zInArchive::FindInterface(const TGUID& iid) noexcept {
  if (iid == IID_IArchiveExtractCallback) return static_cast<IArchiveExtractCallback*>(this);
  if (iid == IID_IProgress) return static_cast<IProgress*>(static_cast<IArchiveExtractCallback*>(this));
  if (iid == IID_IArchiveOpenCallback) return static_cast<IArchiveOpenCallback*>(this);
  if (iid == IID_I7zInArchive || iid == IID_IUnknown)
    return static_cast<SevenZip::IUnknown*>(static_cast<I7zInArchive*>(this));
  return nullptr;
}

TComPtr<IInArchive> SZ_STDCALL T7zInArchive::InArchive() {
  if (!FInArchive) CreateObject(FClassId, IID_IInArchive, reinterpret_cast<void**>(FInArchive.Put()));
  if (!FInArchive) throw EFailure(ResultMessage(kNoInterface));
  return FInArchive;
}

IInArchive& T7zInArchive::OpenedReader() {
  if (!FInArchive) throw EFailure(L"No archive is open");
  return *FInArchive.Get();
}

void SZ_STDCALL T7zInArchive::OpenArchiveFile(const std::wstring& fileName) {
  TComPtr<T7zStream> file = MakeObject<T7zStream>(OpenFileStream(fileName, TFileMode::ReadShared));
  IInStream* stream = file.Get();
  TComPtr<IInArchive> reader = InArchive();
  FOpenedSize = 0;
  CheckResult(stream->Seek(0, 2, &FOpenedSize));
  CheckResult(stream->Seek(0, 0, nullptr));
  TComPtr<IArchiveOpenCallback> callback(static_cast<IArchiveOpenCallback*>(this));
  CheckResult(reader->Open(stream, reinterpret_cast<const uint64_t*>(&MaxCheckStart), callback.Get()));
}

void SZ_STDCALL T7zInArchive::CloseArchive() {
  FItemTargets.clear();
  FLeftOut.clear();
  if (FInArchive) FInArchive->Close();
  FInArchive.Reset();
}

uint32_t SZ_STDCALL T7zInArchive::ItemCount() {
  uint32_t count = 0;
  CheckResult(OpenedReader().GetNumberOfItems(&count));
  return count;
}

// The property's value; a failed read gives an empty value.
TPropVariant T7zInArchive::ReadItemProperty(uint32_t index, uint32_t propID) {
  IInArchive& reader = OpenedReader();
  TPropVariant value;
  if (reader.GetProperty(index, propID, &value) != kOk && value.vt != kVtEmpty) ClearVariant(value);
  return value;
}

std::wstring SZ_STDCALL T7zInArchive::ItemPath(uint32_t index) {
  TPropVariant value = ReadItemProperty(index, kpidPath);
  std::wstring text = value.vt == kVtBstr ? BStrText(value.bstrVal) : std::wstring();
  ClearVariant(value);
  return text;
}

namespace {
// A numeric variant as a signed 64-bit value; `known` false for other types.
int64_t VariantNumber(const TPropVariant& value, bool& known) {
  known = true;
  switch (value.vt) {
    case kVtUI4:
      return value.ulVal;
    case kVtI4:
      return value.lVal;
    case kVtUI8:
    case kVtI8:
      return value.hVal;
    default:
      known = false;
      return 0;
  }
}
}  // namespace

uint64_t SZ_STDCALL T7zInArchive::ItemSize64(uint32_t index) {
  TPropVariant value = ReadItemProperty(index, kpidSize);
  bool known = false;
  const int64_t size = VariantNumber(value, known);
  const bool signedValue = value.vt == kVtI4 || value.vt == kVtI8;
  ClearVariant(value);
  return signedValue && size < 0 ? 0 : static_cast<uint64_t>(size);
}

bool T7zInArchive::ReadArchiveNumber(uint32_t propID, uint64_t& number) {
  IInArchive& reader = OpenedReader();
  TPropVariant value;
  const THResult r = reader.GetArchiveProperty(propID, &value);
  bool known = false;
  number = static_cast<uint64_t>(VariantNumber(value, known));
  ClearVariant(value);
  return r == kOk && known;
}

void SZ_STDCALL T7zInArchive::SetItemTarget(uint32_t index, const std::wstring& target) {
  if (target.empty())
    FItemTargets.erase(index);
  else
    FItemTargets[index] = target;
}

void SZ_STDCALL T7zInArchive::LeaveOutItem(uint32_t index) { FLeftOut.insert(index); }

uint32_t SZ_STDCALL T7zInArchive::ArchiveErrorFlags() {
  uint64_t flags = 0;
  if (!ReadArchiveNumber(kpidErrorFlags, flags)) flags = 0;
  uint64_t claimed = 0;
  if (ReadArchiveNumber(kpidPhySize, claimed) && claimed > FOpenedSize) flags |= kpvErrorFlagsUnexpectedEnd;
  return static_cast<uint32_t>(flags);
}

bool SZ_STDCALL T7zInArchive::ItemIsFolder(uint32_t index) {
  TPropVariant value = ReadItemProperty(index, kpidIsDir);
  bool folder = value.vt == kVtBool && value.boolVal != 0;
  ClearVariant(value);
  return folder;
}

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

void SZ_STDCALL T7zInArchive::SetProgressHandler(void* sender, T7zProgressCallback callback) {
  FProgressSender = sender;
  FProgressCallback = callback;
}

TComPtr<I7zInArchive> MakeInArchive(const TGUID& classID) {
  TComPtr<T7zInArchive> object = MakeObject<T7zInArchive>(L"7z.dll");
  object->SetClassID(classID);
  return TComPtr<I7zInArchive>(static_cast<I7zInArchive*>(object.Get()));
}

// ---- callbacks of the library: each answers a result code, never raises

THResult SZ_STDCALL T7zInArchive::SetTotal(uint64_t total) noexcept {
  try {
    if (FProgressCallback) return FProgressCallback(FProgressSender, true, static_cast<int64_t>(total));
    return kOk;
  } catch (...) {
    return CaughtResult();
  }
}

THResult SZ_STDCALL T7zInArchive::SetCompleted(const uint64_t* completeValue) noexcept {
  try {
    if (FProgressCallback && completeValue)
      return FProgressCallback(FProgressSender, false, static_cast<int64_t>(*completeValue));
    return kOk;
  } catch (...) {
    return CaughtResult();
  }
}

namespace {
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

THResult SZ_STDCALL T7zInArchive::SetTotal(const uint64_t*, const uint64_t*) noexcept { return kOk; }

THResult SZ_STDCALL T7zInArchive::SetCompleted(const uint64_t*, const uint64_t*) noexcept { return kOk; }

// ---- stream adapter: outcomes only through the counts

T7zStream::T7zStream(std::unique_ptr<TStream> stream) : FStream(std::move(stream)) {}

void* T7zStream::FindInterface(const TGUID& iid) noexcept {
  if (iid == IID_IOutStreamFlush) return static_cast<IOutStreamFlush*>(this);
  if (iid == IID_IOutStream) return static_cast<IOutStream*>(this);
  if (iid == IID_ISequentialOutStream) return static_cast<ISequentialOutStream*>(this);
  if (iid == IID_IStreamGetSize) return static_cast<IStreamGetSize*>(this);
  if (iid == IID_IInStream) return static_cast<IInStream*>(this);
  if (iid == IID_ISequentialInStream) return static_cast<ISequentialInStream*>(this);
  if (iid == IID_IUnknown) return static_cast<SevenZip::IUnknown*>(static_cast<IInStream*>(this));
  return nullptr;
}

THResult SZ_STDCALL T7zStream::Flush() noexcept { return kOk; }

THResult SZ_STDCALL T7zStream::Write(const void* data, uint32_t size, uint32_t* processedSize) noexcept {
  try {
    uint32_t written = FStream->Write(data, size);
    if (processedSize) *processedSize = written;
    return kOk;
  } catch (...) {
    if (processedSize) *processedSize = 0;
    return CaughtResult();
  }
}

THResult SZ_STDCALL T7zStream::Read(void* data, uint32_t size, uint32_t* processedSize) noexcept {
  try {
    uint32_t read = FStream->Read(data, size);
    if (processedSize) *processedSize = read;
    return kOk;
  } catch (...) {
    if (processedSize) *processedSize = 0;
    return CaughtResult();
  }
}

THResult SZ_STDCALL T7zStream::Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) noexcept {
  try {
    if (seekOrigin > 2) return kInvalidArg;
    int64_t position = FStream->Seek(offset, static_cast<TSeekOrigin>(seekOrigin));
    if (newPosition) *newPosition = static_cast<uint64_t>(position);
    return kOk;
  } catch (...) {
    return CaughtResult();
  }
}

THResult SZ_STDCALL T7zStream::SetSize(uint64_t newSize) noexcept {
  try {
    FStream->SetSize(static_cast<int64_t>(newSize));
    return kOk;
  } catch (...) {
    return CaughtResult();
  }
}

THResult SZ_STDCALL T7zStream::GetSize(uint64_t* size) noexcept {
  try {
    int64_t value = FStream->Size();
    if (size) *size = static_cast<uint64_t>(value);
    return kOk;
  } catch (...) {
    return CaughtResult();
  }
}

std::unique_ptr<TStream> OpenFileStream(const std::wstring& fileName, TFileMode mode) {
  THResult error = kOk;
  std::unique_ptr<TStream> stream = TryOpenFileStream(fileName, mode, error);
  if (!stream) throw EFailure(L"Cannot open file \"" + fileName + L"\". " + ResultMessage(error));
  return stream;
}
