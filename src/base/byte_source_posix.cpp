// The Linux side, for the native tests of the header readers.
#include <filesystem>
#include <fstream>

#include "base/byte_source.h"

namespace {
class TStreamFileBytes : public IByteSource {
public:
  explicit TStreamFileBytes(std::ifstream file) : FFile(std::move(file)) {}

  bool ReadAt(uint64_t offset, std::span<uint8_t> buffer) override {
    FFile.clear();
    FFile.seekg(static_cast<std::streamoff>(offset));
    FFile.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(buffer.size()));
    return FFile.gcount() == static_cast<std::streamsize>(buffer.size());
  }

  uint64_t Size() override {
    FFile.clear();
    FFile.seekg(0, std::ios::end);
    return static_cast<uint64_t>(FFile.tellg());
  }

private:
  std::ifstream FFile;
};
}  // namespace

std::unique_ptr<IByteSource> OpenFileBytes(const std::wstring& path) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  if (!file) return nullptr;
  return std::make_unique<TStreamFileBytes>(std::move(file));
}
