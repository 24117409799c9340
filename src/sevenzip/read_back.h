#pragma once
// Reading files back from the drive after a burn: compared byte for byte with
// the image's items or with a file of the same bytes.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/failure.h"
#include "sevenzip/sevenzip.h"

namespace SevenZipPlatform {
class TUncachedFile;
}

// A file on the drive that does not give back what was written: it differs
// from the image, is shorter or longer, is missing or cannot be read.
class EVerifyFailure : public EFailure {
public:
  EVerifyFailure(std::wstring path, const std::wstring& fault);
  const std::wstring& Path() const noexcept { return FPath; }

private:
  std::wstring FPath;
};

// One file of the drive at a time, read back block by block past the
// system's cache. Each fault raises EVerifyFailure and is also kept: inside
// the library's callbacks it can only end the extraction.
class TReadBack {
public:
  TReadBack();
  ~TReadBack();
  TReadBack(const TReadBack&) = delete;
  TReadBack& operator=(const TReadBack&) = delete;

  void Begin(const std::wstring& path);
  // The image item's next bytes.
  void Compare(const void* data, uint32_t size);
  // The item has ended, so must the file. Nothing to do when none is open.
  void End();
  // Drops the file without judging it.
  void Close() noexcept;

  const std::optional<EVerifyFailure>& Fault() const noexcept { return FFault; }

private:
  [[noreturn]] void Fail(const std::wstring& fault);
  bool Refill();

  std::unique_ptr<uint8_t[]> FStorage;
  uint8_t* FBlock = nullptr;  // aligned inside FStorage
  std::unique_ptr<SevenZipPlatform::TUncachedFile> FFile;
  std::wstring FPath;
  uint32_t FFilled = 0;  // bytes of the block read
  uint32_t FUsed = 0;    // of them compared
  bool FAtEnd = false;   // the last read came back short
  std::optional<EVerifyFailure> FFault;
};

// Compares the file at `path`, read past the system's cache, with the file
// `original` (read as usual), reporting the bytes compared so far to
// `callback` (an answer other than 0 stops it). A fault of `path` raises
// EVerifyFailure naming it; one of `original` raises EFailure. Its length.
uint64_t CompareBackFile(const std::wstring& path, const std::wstring& original, void* sender = nullptr,
                         T7zProgressCallback callback = nullptr);
