// The stream adapter (faults reach the library as codes and counts) and file streams that raise.
#include "sevenzip/stream_adapter.h"

#include "sevenzip/sevenzip.h"

using namespace SevenZip;

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
