// The archive reader: opening an image, its items and flags, its progress, and where it is made.
#include "sevenzip/sevenzip.h"

#include "sevenzip/flush_queue.h"
#include "sevenzip/stream_adapter.h"

using namespace SevenZip;

namespace {
std::wstring BStrText(TBStr text) { return text ? std::wstring(text) : std::wstring(); }
}  // namespace

T7zInArchive::T7zInArchive(const std::wstring& lib) : FLibrary(std::make_shared<T7zLibrary>(lib)) {}

T7zInArchive::T7zInArchive(std::shared_ptr<T7zLibrary> library) : FLibrary(std::move(library)) {}

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
  if (!FInArchive) FLibrary->CreateObject(FClassId, IID_IInArchive, reinterpret_cast<void**>(FInArchive.Put()));
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
  if (reader.GetProperty(index, propID, &value) != kOk && value.vt != kVtEmpty) FLibrary->ClearVariant(value);
  return value;
}

std::wstring SZ_STDCALL T7zInArchive::ItemPath(uint32_t index) {
  TPropVariant value = ReadItemProperty(index, kpidPath);
  std::wstring text = value.vt == kVtBstr ? BStrText(value.bstrVal) : std::wstring();
  FLibrary->ClearVariant(value);
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
  FLibrary->ClearVariant(value);
  return signedValue && size < 0 ? 0 : static_cast<uint64_t>(size);
}

bool T7zInArchive::ReadArchiveNumber(uint32_t propID, uint64_t& number) {
  IInArchive& reader = OpenedReader();
  TPropVariant value;
  const THResult r = reader.GetArchiveProperty(propID, &value);
  bool known = false;
  number = static_cast<uint64_t>(VariantNumber(value, known));
  FLibrary->ClearVariant(value);
  return r == kOk && known;
}

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
  FLibrary->ClearVariant(value);
  return folder;
}

void SZ_STDCALL T7zInArchive::SetProgressHandler(void* sender, T7zProgressCallback callback) {
  FProgressSender = sender;
  FProgressCallback = callback;
}

TComPtr<I7zInArchive> MakeInArchive(const TGUID& classID) { return MakeInArchive(LoadCodecLibrary(), classID); }

TComPtr<I7zInArchive> MakeInArchive(std::shared_ptr<T7zLibrary> library, const TGUID& classID) {
  TComPtr<T7zInArchive> object = MakeObject<T7zInArchive>(std::move(library));
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

THResult SZ_STDCALL T7zInArchive::SetTotal(const uint64_t*, const uint64_t*) noexcept { return kOk; }

THResult SZ_STDCALL T7zInArchive::SetCompleted(const uint64_t*, const uint64_t*) noexcept { return kOk; }
