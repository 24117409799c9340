#pragma once
// The stream adapter: the runtime's streams as the library's stream interfaces.
#include <cstdint>
#include <memory>

#include "sevenzip/sevenzip_com.h"
#include "sevenzip/stream.h"

// Presents a runtime stream to the library.
class T7zStream : public TInterfacedObject,
                  public SevenZip::IOutStreamFlush,
                  public SevenZip::IOutStream,
                  public SevenZip::IStreamGetSize,
                  public SevenZip::IInStream {
public:
  explicit T7zStream(std::unique_ptr<TStream> stream);  // freed with the adapter

  SZ_IUNKNOWN_METHODS

  THResult SZ_STDCALL Flush() noexcept override;
  THResult SZ_STDCALL Write(const void* data, uint32_t size, uint32_t* processedSize) noexcept override;
  THResult SZ_STDCALL Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) noexcept override;
  THResult SZ_STDCALL SetSize(uint64_t newSize) noexcept override;
  THResult SZ_STDCALL GetSize(uint64_t* size) noexcept override;
  THResult SZ_STDCALL Read(void* data, uint32_t size, uint32_t* processedSize) noexcept override;

protected:
  void* FindInterface(const TGUID& iid) noexcept override;

  std::unique_ptr<TStream> FStream;
};
