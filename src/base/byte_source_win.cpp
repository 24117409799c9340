#include "base/byte_source.h"

#include <algorithm>

#include "base/win32_handles.h"

namespace {
class TWin32FileBytes : public IByteSource {
public:
  explicit TWin32FileBytes(TFileHandle file) : FFile(std::move(file)) {}

  bool ReadAt(uint64_t offset, std::span<uint8_t> buffer) override {
    while (!buffer.empty()) {
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>(offset);
      at.OffsetHigh = static_cast<DWORD>(offset >> 32);
      const auto wanted = static_cast<DWORD>(std::min<size_t>(buffer.size(), MAXDWORD));
      DWORD read = 0;
      if (!::ReadFile(FFile.Get(), buffer.data(), wanted, &read, &at) || read == 0) return false;
      offset += read;
      buffer = buffer.subspan(read);
    }
    return true;
  }

  uint64_t Size() override {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(FFile.Get(), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
  }

private:
  TFileHandle FFile;
};
}  // namespace

std::unique_ptr<IByteSource> OpenFileBytes(const std::wstring& path) {
  TFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<TWin32FileBytes>(std::move(file));
}
