#pragma once
// Small owners for Win32 handles, so no path can leak one.
#include <windows.h>

#include <utility>

template <typename Traits>
class TUniqueResource {
public:
  using Type = typename Traits::Type;
  TUniqueResource() noexcept = default;
  explicit TUniqueResource(Type value) noexcept : FValue(value) {}
  ~TUniqueResource() { Reset(); }
  TUniqueResource(TUniqueResource&& other) noexcept : FValue(other.Release()) {}
  TUniqueResource& operator=(TUniqueResource&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TUniqueResource(const TUniqueResource&) = delete;
  TUniqueResource& operator=(const TUniqueResource&) = delete;

  Type Get() const noexcept { return FValue; }
  Type* Put() noexcept {  // for out-parameters; closes what was held
    Reset();
    return &FValue;
  }
  bool Valid() const noexcept { return Traits::Valid(FValue); }
  explicit operator bool() const noexcept { return Valid(); }
  Type Release() noexcept { return std::exchange(FValue, Traits::Invalid()); }
  void Reset(Type value = Traits::Invalid()) noexcept {
    if (Traits::Valid(FValue)) Traits::Close(FValue);
    FValue = value;
  }

private:
  Type FValue = Traits::Invalid();
};

struct TFileHandleTraits {  // CreateFile and friends: invalid is INVALID_HANDLE_VALUE
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool Valid(Type h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct TKernelHandleTraits {  // processes, threads, events: invalid is null
  using Type = HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static bool Valid(Type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(Type h) noexcept { ::CloseHandle(h); }
};
struct TFindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool Valid(Type h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Type h) noexcept { ::FindClose(h); }
};
struct TRegKeyTraits {
  using Type = HKEY;
  static Type Invalid() noexcept { return nullptr; }
  static bool Valid(Type h) noexcept { return h != nullptr; }
  static void Close(Type h) noexcept { ::RegCloseKey(h); }
};
struct TModuleTraits {
  using Type = HMODULE;
  static Type Invalid() noexcept { return nullptr; }
  static bool Valid(Type h) noexcept { return h != nullptr; }
  static void Close(Type h) noexcept { ::FreeLibrary(h); }
};
struct TWindowTraits {
  using Type = HWND;
  static Type Invalid() noexcept { return nullptr; }
  static bool Valid(Type h) noexcept { return h != nullptr; }
  static void Close(Type h) noexcept { ::DestroyWindow(h); }
};
struct TGdiObjectTraits {
  using Type = HGDIOBJ;
  static Type Invalid() noexcept { return nullptr; }
  static bool Valid(Type h) noexcept { return h != nullptr; }
  static void Close(Type h) noexcept { ::DeleteObject(h); }
};

using TFileHandle = TUniqueResource<TFileHandleTraits>;
using TKernelHandle = TUniqueResource<TKernelHandleTraits>;
using TFindHandle = TUniqueResource<TFindHandleTraits>;
using TRegKey = TUniqueResource<TRegKeyTraits>;
using TModule = TUniqueResource<TModuleTraits>;
using TWindowHandle = TUniqueResource<TWindowTraits>;
using TGdiObject = TUniqueResource<TGdiObjectTraits>;

// Puts the process error mode back when it goes out of scope.
class TErrorModeScope {
public:
  explicit TErrorModeScope(UINT mode) noexcept : FSaved(::SetErrorMode(mode)) {}
  ~TErrorModeScope() { ::SetErrorMode(FSaved); }
  TErrorModeScope(const TErrorModeScope&) = delete;
  TErrorModeScope& operator=(const TErrorModeScope&) = delete;

private:
  UINT FSaved;
};
