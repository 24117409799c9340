#pragma once
// A seekable byte stream of the runtime, and files as such streams.
#include <cstdint>
#include <memory>
#include <string>

#include "sevenzip/sevenzip_com.h"

enum class TSeekOrigin : uint32_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
public:
  virtual ~TStream() = default;
  // Bytes read, 0 at the end; raises EFailure when the device fails.
  virtual uint32_t Read(void* buffer, uint32_t count) = 0;
  // Bytes written; a short count means the write failed (a full disk).
  virtual uint32_t Write(const void* buffer, uint32_t count) = 0;
  // The new position; raises EFailure when it cannot be reached.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  virtual int64_t Size() = 0;
  virtual void SetSize(int64_t size) = 0;  // raises EFailure
  // What was written handed on to the device; false when it refuses.
  virtual bool Flush() { return true; }
  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
};

enum class TFileMode {
  ReadShared,  // existing file, read only, others may read and write it
  Create,      // new or existing file cut to length zero, read and write
};

// Opens a file stream; raises EFailure when the file cannot be opened.
std::unique_ptr<TStream> OpenFileStream(const std::wstring& fileName, TFileMode mode);
// The same, answering the failure as a result code (null stream) instead.
std::unique_ptr<TStream> TryOpenFileStream(const std::wstring& fileName, TFileMode mode,
                                           THResult& error);
