#include "sevenzip/read_back.h"

#include <algorithm>
#include <cstring>

#include "base/byte_source.h"
#include "sevenzip/sevenzip_platform.h"

namespace Platform = SevenZipPlatform;

EVerifyFailure::EVerifyFailure(std::wstring path, const std::wstring& fault)
    : EFailure(L"\"" + path + L"\" " + fault), FPath(std::move(path)) {}

TReadBack::TReadBack()
    : FStorage(std::make_unique_for_overwrite<uint8_t[]>(Platform::ReadBackBlock + Platform::ReadBackAlignment)) {
  const auto address = reinterpret_cast<uintptr_t>(FStorage.get());
  const uintptr_t aligned = (address + Platform::ReadBackAlignment - 1) & ~uintptr_t{Platform::ReadBackAlignment - 1};
  FBlock = FStorage.get() + (aligned - address);
}

TReadBack::~TReadBack() = default;

void TReadBack::Fail(const std::wstring& fault) {
  Close();
  FFault.emplace(FPath, fault);
  throw *FFault;
}

void TReadBack::Begin(const std::wstring& path) {
  Close();
  FPath = path;
  THResult error = SevenZip::kOk;
  FFile = Platform::OpenUncachedFile(path, error);
  if (!FFile) Fail(L"cannot be opened: " + ResultMessage(error));
}

void TReadBack::Close() noexcept {
  FFile.reset();
  FFilled = FUsed = 0;
  FAtEnd = false;
}

bool TReadBack::Refill() {
  if (FAtEnd) return false;
  try {
    FFilled = FFile->ReadBlock(FBlock);
  } catch (const EFailure& failure) {
    Fail(L"cannot be read: " + failure.Message());
  }
  FUsed = 0;
  FAtEnd = FFilled < Platform::ReadBackBlock;
  return FFilled > 0;
}

void TReadBack::Compare(const void* data, uint32_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    if (FUsed == FFilled && !Refill()) Fail(L"is shorter than in the image");
    const uint32_t n = std::min(size, FFilled - FUsed);
    if (std::memcmp(bytes, FBlock + FUsed, n) != 0) Fail(L"differs from the image");
    bytes += n;
    size -= n;
    FUsed += n;
  }
}

void TReadBack::End() {
  if (!FFile) return;
  if (FUsed < FFilled || Refill()) Fail(L"is longer than in the image");
  Close();
}

uint64_t CompareBackFile(const std::wstring& path, const std::wstring& original, void* sender,
                         T7zProgressCallback callback) {
  const std::unique_ptr<IByteSource> source = OpenFileBytes(original);
  if (!source) throw EFailure(L"\"" + original + L"\" cannot be opened");
  const uint64_t size = source->Size();
  TReadBack readBack;
  readBack.Begin(path);
  const auto chunk = std::make_unique_for_overwrite<uint8_t[]>(Platform::ReadBackBlock);
  for (uint64_t done = 0; done < size;) {
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(Platform::ReadBackBlock, size - done));
    if (!source->ReadAt(done, {chunk.get(), n})) throw EFailure(L"\"" + original + L"\" cannot be read");
    readBack.Compare(chunk.get(), n);
    done += n;
    if (callback)
      if (const THResult answer = callback(sender, false, static_cast<int64_t>(done)); answer != SevenZip::kOk)
        throw EFailure(ResultMessage(answer));
  }
  readBack.End();
  return size;
}
