#pragma once
// The COM-style ABI spoken by the 7-Zip codec library: GUIDs, result codes,
// variants, its archive interfaces, a counted interface pointer, the
// reference-counted object base and the answer of a callback that raised.
// Free of OS headers, so it also serves the Linux build of the library
// (7z.so), whose vtables match the Windows ones.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>

// 32-bit Windows COM calls are __stdcall; everywhere else the default applies.
#if defined(_WIN32) && !defined(_WIN64)
#define SZ_STDCALL __stdcall
#else
#define SZ_STDCALL
#endif

// HRESULT: `long` on Windows (32 bits there, and the same type as the SDK's),
// Int32 in the library's Linux build.
#ifdef _WIN32
using THResult = long;
#else
using THResult = int32_t;
#endif

struct TGUID {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  uint8_t Data4[8] = {};
  friend constexpr bool operator==(const TGUID& a, const TGUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
      if (a.Data4[i] != b.Data4[i]) return false;
    return true;
  }
};

// Reads "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" at compile time.
consteval TGUID MakeGUID(const char (&text)[37]) {
  auto hex = [&](int pos, int count) {
    uint32_t value = 0;
    for (int i = pos; i < pos + count; ++i) {
      char c = text[i];
      uint32_t digit = (c >= '0' && c <= '9')   ? uint32_t(c - '0')
                       : (c >= 'A' && c <= 'F') ? uint32_t(c - 'A' + 10)
                       : (c >= 'a' && c <= 'f') ? uint32_t(c - 'a' + 10)
                                                : throw "bad GUID digit";
      value = value * 16 + digit;
    }
    return value;
  };
  TGUID g;
  g.Data1 = hex(0, 8);
  g.Data2 = uint16_t(hex(9, 4));
  g.Data3 = uint16_t(hex(14, 4));
  g.Data4[0] = uint8_t(hex(19, 2));
  g.Data4[1] = uint8_t(hex(21, 2));
  for (int i = 0; i < 6; ++i) g.Data4[2 + i] = uint8_t(hex(24 + 2 * i, 2));
  return g;
}

namespace SevenZip {

// Result codes (own names: the SDK's are macros).
inline constexpr THResult kOk = 0;
inline constexpr THResult kFalse = 1;
inline constexpr THResult kNotImpl = THResult(0x80004001u);
inline constexpr THResult kNoInterface = THResult(0x80004002u);
inline constexpr THResult kPointer = THResult(0x80004003u);
inline constexpr THResult kAbort = THResult(0x80004004u);
inline constexpr THResult kFail = THResult(0x80004005u);
inline constexpr THResult kAccessDenied = THResult(0x80070005u);
inline constexpr THResult kOutOfMemory = THResult(0x8007000Eu);
inline constexpr THResult kInvalidArg = THResult(0x80070057u);

// A string allocated by the system string allocator (UTF-16 on Windows,
// UTF-32 with the library's own allocator on Linux).
using TBStr = wchar_t*;

// PROPVARIANT: type, three reserved words, value. The library writes the
// whole variant, so the value must be as wide as the platform's own: on
// Windows its union holds a count and a pointer side by side (24 bytes in all
// on 64-bit, 16 on 32-bit); the library's Linux build has no such member.
inline constexpr uint16_t kVtEmpty = 0;
inline constexpr uint16_t kVtI4 = 3;
inline constexpr uint16_t kVtBstr = 8;
inline constexpr uint16_t kVtBool = 11;
inline constexpr uint16_t kVtUI4 = 19;
inline constexpr uint16_t kVtI8 = 20;
inline constexpr uint16_t kVtUI8 = 21;
inline constexpr int16_t kVariantTrue = -1;

#ifdef _WIN32
inline constexpr std::size_t kVariantValueSize = 2 * sizeof(void*);
#else
inline constexpr std::size_t kVariantValueSize = 8;
#endif

struct TPropVariant {
  uint16_t vt = kVtEmpty;
  uint16_t wReserved1 = 0;
  uint16_t wReserved2 = 0;
  uint16_t wReserved3 = 0;
  union {
    int16_t boolVal;
    int32_t lVal;
    uint32_t ulVal;
    int64_t hVal;
    uint64_t uhVal;
    TBStr bstrVal;
    uint32_t filetime[2];
    uint8_t raw[kVariantValueSize];
  };
  TPropVariant() : raw{} {}
};
#if defined(_WIN64)
static_assert(sizeof(TPropVariant) == 24, "PROPVARIANT is 24 bytes on 64-bit Windows");
#else
static_assert(sizeof(TPropVariant) == 16, "PROPVARIANT is 16 bytes on 32-bit Windows and in 7z.so");
#endif

// Item property ids of the library's readers.
inline constexpr uint32_t kpidPath = 3;
inline constexpr uint32_t kpidIsDir = 6;
inline constexpr uint32_t kpidSize = 7;
// Archive properties: the size the image claims, and what went wrong while
// opening it as kpvErrorFlags bits.
inline constexpr uint32_t kpidPhySize = 44;
inline constexpr uint32_t kpidErrorFlags = 71;

inline constexpr uint32_t kpvErrorFlagsIsNotArc = 1u << 0;
inline constexpr uint32_t kpvErrorFlagsHeadersError = 1u << 1;
inline constexpr uint32_t kpvErrorFlagsEncryptedHeadersError = 1u << 2;
inline constexpr uint32_t kpvErrorFlagsUnavailableStart = 1u << 3;
inline constexpr uint32_t kpvErrorFlagsUnconfirmedStart = 1u << 4;
inline constexpr uint32_t kpvErrorFlagsUnexpectedEnd = 1u << 5;
inline constexpr uint32_t kpvErrorFlagsDataAfterEnd = 1u << 6;
inline constexpr uint32_t kpvErrorFlagsUnsupportedMethod = 1u << 7;
inline constexpr uint32_t kpvErrorFlagsUnsupportedFeature = 1u << 8;
inline constexpr uint32_t kpvErrorFlagsDataError = 1u << 9;
inline constexpr uint32_t kpvErrorFlagsCrcError = 1u << 10;

// Extract ask modes and operation results.
inline constexpr int32_t kExtract = 0;
inline constexpr int32_t kTest = 1;
inline constexpr int32_t kSkip = 2;
inline constexpr int32_t kOperationOk = 0;

inline constexpr TGUID IID_IUnknown = MakeGUID("00000000-0000-0000-C000-000000000046");
inline constexpr TGUID IID_IProgress = MakeGUID("23170F69-40C1-278A-0000-000000050000");
inline constexpr TGUID IID_ISequentialInStream = MakeGUID("23170F69-40C1-278A-0000-000300010000");
inline constexpr TGUID IID_ISequentialOutStream = MakeGUID("23170F69-40C1-278A-0000-000300020000");
inline constexpr TGUID IID_IInStream = MakeGUID("23170F69-40C1-278A-0000-000300030000");
inline constexpr TGUID IID_IOutStream = MakeGUID("23170F69-40C1-278A-0000-000300040000");
inline constexpr TGUID IID_IStreamGetSize = MakeGUID("23170F69-40C1-278A-0000-000300060000");
inline constexpr TGUID IID_IOutStreamFlush = MakeGUID("23170F69-40C1-278A-0000-000300070000");
inline constexpr TGUID IID_IArchiveOpenCallback = MakeGUID("23170F69-40C1-278A-0000-000600100000");
inline constexpr TGUID IID_IArchiveExtractCallback = MakeGUID("23170F69-40C1-278A-0000-000600200000");
inline constexpr TGUID IID_IInArchive = MakeGUID("23170F69-40C1-278A-0000-000600600000");

// The library's IUnknown has no virtual destructor: the vtable starts with
// these three slots on Windows and Linux alike.
struct IUnknown {
  virtual THResult SZ_STDCALL QueryInterface(const TGUID& iid, void** obj) = 0;
  virtual uint32_t SZ_STDCALL AddRef() = 0;
  virtual uint32_t SZ_STDCALL Release() = 0;

protected:
  ~IUnknown() = default;
};

struct IProgress : IUnknown {
  virtual THResult SZ_STDCALL SetTotal(uint64_t total) = 0;
  virtual THResult SZ_STDCALL SetCompleted(const uint64_t* completeValue) = 0;

protected:
  ~IProgress() = default;
};

struct ISequentialInStream : IUnknown {
  virtual THResult SZ_STDCALL Read(void* data, uint32_t size, uint32_t* processedSize) = 0;

protected:
  ~ISequentialInStream() = default;
};

struct ISequentialOutStream : IUnknown {
  virtual THResult SZ_STDCALL Write(const void* data, uint32_t size, uint32_t* processedSize) = 0;

protected:
  ~ISequentialOutStream() = default;
};

struct IInStream : ISequentialInStream {
  virtual THResult SZ_STDCALL Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) = 0;

protected:
  ~IInStream() = default;
};

struct IOutStream : ISequentialOutStream {
  virtual THResult SZ_STDCALL Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) = 0;
  virtual THResult SZ_STDCALL SetSize(uint64_t newSize) = 0;

protected:
  ~IOutStream() = default;
};

struct IStreamGetSize : IUnknown {
  virtual THResult SZ_STDCALL GetSize(uint64_t* size) = 0;

protected:
  ~IStreamGetSize() = default;
};

struct IOutStreamFlush : IUnknown {
  virtual THResult SZ_STDCALL Flush() = 0;

protected:
  ~IOutStreamFlush() = default;
};

struct IArchiveOpenCallback : IUnknown {
  virtual THResult SZ_STDCALL SetTotal(const uint64_t* files, const uint64_t* bytes) = 0;
  virtual THResult SZ_STDCALL SetCompleted(const uint64_t* files, const uint64_t* bytes) = 0;

protected:
  ~IArchiveOpenCallback() = default;
};

struct IArchiveExtractCallback : IProgress {
  virtual THResult SZ_STDCALL GetStream(uint32_t index, ISequentialOutStream** outStream,
                                        int32_t askExtractMode) = 0;
  virtual THResult SZ_STDCALL PrepareOperation(int32_t askExtractMode) = 0;
  virtual THResult SZ_STDCALL SetOperationResult(int32_t opRes) = 0;

protected:
  ~IArchiveExtractCallback() = default;
};

// The reader: only the first six slots are ever called.
struct IInArchive : IUnknown {
  virtual THResult SZ_STDCALL Open(IInStream* stream, const uint64_t* maxCheckStartPosition,
                                   IArchiveOpenCallback* openCallback) = 0;
  virtual THResult SZ_STDCALL Close() = 0;
  virtual THResult SZ_STDCALL GetNumberOfItems(uint32_t* numItems) = 0;
  virtual THResult SZ_STDCALL GetProperty(uint32_t index, uint32_t propID, TPropVariant* value) = 0;
  virtual THResult SZ_STDCALL Extract(const uint32_t* indices, uint32_t numItems, int32_t testMode,
                                      IArchiveExtractCallback* extractCallback) = 0;
  virtual THResult SZ_STDCALL GetArchiveProperty(uint32_t propID, TPropVariant* value) = 0;

protected:
  ~IInArchive() = default;
};

}  // namespace SevenZip

// A counted reference to an interface (or to an object with AddRef/Release).
template <typename T>
class TComPtr {
public:
  TComPtr() noexcept = default;
  TComPtr(std::nullptr_t) noexcept {}
  TComPtr(T* ptr) noexcept : FPtr(ptr) {  // takes a new reference
    if (FPtr) FPtr->AddRef();
  }
  TComPtr(const TComPtr& other) noexcept : TComPtr(other.FPtr) {}
  TComPtr(TComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
  ~TComPtr() { Reset(); }
  TComPtr& operator=(TComPtr other) noexcept {
    std::swap(FPtr, other.FPtr);
    return *this;
  }

  // Adopts a reference the caller already owns.
  static TComPtr Attach(T* ptr) noexcept {
    TComPtr result;
    result.FPtr = ptr;
    return result;
  }
  // Hands the reference over to the caller.
  T* Detach() noexcept { return std::exchange(FPtr, nullptr); }
  T* Get() const noexcept { return FPtr; }
  T* operator->() const noexcept { return FPtr; }
  T& operator*() const noexcept { return *FPtr; }
  explicit operator bool() const noexcept { return FPtr != nullptr; }
  // For out-parameters; releases what was held.
  T** Put() noexcept {
    Reset();
    return &FPtr;
  }
  void Reset() noexcept {
    if (T* old = std::exchange(FPtr, nullptr)) old->Release();
  }

private:
  T* FPtr = nullptr;
};

// Asks an object for another of its interfaces; empty when it has none.
template <typename I, typename From>
TComPtr<I> QueryInterfacePtr(From* object, const TGUID& iid) {
  void* out = nullptr;
  if (object && object->QueryInterface(iid, &out) == SevenZip::kOk && out)
    return TComPtr<I>::Attach(static_cast<I*>(out));
  return {};
}

// Base of the binding's reference-counted objects: the count starts at zero
// and the object is destroyed when its last reference is released.
class TInterfacedObject {
public:
  TInterfacedObject() = default;
  TInterfacedObject(const TInterfacedObject&) = delete;
  TInterfacedObject& operator=(const TInterfacedObject&) = delete;
  virtual ~TInterfacedObject() = default;

  uint32_t RefCount() const noexcept { return FRefCount; }

protected:
  uint32_t DoAddRef() noexcept { return ++FRefCount; }
  uint32_t DoRelease() noexcept {
    uint32_t count = --FRefCount;
    if (count == 0) std::unique_ptr<TInterfacedObject> last(this);
    return count;
  }
  THResult DoQueryInterface(const TGUID& iid, void** obj) noexcept {
    if (!obj) return SevenZip::kPointer;
    *obj = FindInterface(iid);
    if (!*obj) return SevenZip::kNoInterface;
    DoAddRef();
    return SevenZip::kOk;
  }
  // The interface pointer of this object for an id, or null.
  virtual void* FindInterface(const TGUID& iid) noexcept = 0;

private:
  uint32_t FRefCount = 0;
};

// The three IUnknown slots of a class deriving from TInterfacedObject.
#define SZ_IUNKNOWN_METHODS                                                         \
  THResult SZ_STDCALL QueryInterface(const TGUID& iid, void** obj) override {       \
    return DoQueryInterface(iid, obj);                                              \
  }                                                                                 \
  uint32_t SZ_STDCALL AddRef() override { return DoAddRef(); }                      \
  uint32_t SZ_STDCALL Release() override { return DoRelease(); }

// Constructs a counted object; the first reference is the returned one.
template <typename T, typename... Args>
TComPtr<T> MakeObject(Args&&... args) {
  auto owner = std::make_unique<T>(std::forward<Args>(args)...);
  TComPtr<T> ref(owner.get());
  owner.release();  // the reference count owns it now
  return ref;
}

// Answer of a callback whose body raised: no exception may reach the library.
inline THResult CaughtResult() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return SevenZip::kOutOfMemory;
  } catch (...) {
    return SevenZip::kFail;
  }
}
