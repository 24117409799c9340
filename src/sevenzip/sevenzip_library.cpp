// The codec library: loading it, making its objects, its strings, and the texts of result codes.
#include "sevenzip/sevenzip.h"

#include <cstdio>
#include <new>

#include "base/ascii_text.h"
#include "base/system_error.h"
#include "sevenzip/sevenzip_platform.h"

using namespace SevenZip;
namespace Platform = SevenZipPlatform;

// ---- result codes

std::wstring ResultMessage(THResult code) {
  std::wstring text = TrimTrailingBlanks(SystemMessage(static_cast<uint32_t>(code)), L".");
  if (text.empty()) {
    wchar_t buffer[40];
    std::swprintf(buffer, 40, L"Unknown error 0x%08X", static_cast<unsigned>(code));
    text = buffer;
  }
  return text;
}

void CheckResult(THResult code) {
  if (code != kOk) throw EFailure(ResultMessage(code));
}

// ---- library

TLibraryHandle::~TLibraryHandle() {
  if (FHandle) Platform::FreeLib(FHandle);
}

namespace {
void* LoadOrRaise(const std::wstring& lib) {
  void* handle = Platform::LoadLib(lib);
  if (!handle) throw EFailure(L"Error loading library " + lib);
  return handle;
}
}  // namespace

// A raise in a constructor body releases FHandle, the load, exactly once.
T7zLibrary::T7zLibrary(const std::wstring& lib) : FHandle(LoadOrRaise(lib)) {
  FCreateObject = reinterpret_cast<TCreateObjectFunc>(Platform::FindExport(FHandle.Get(), "CreateObject"));
  if (!FCreateObject) throw EFailure(lib + L" is not a 7z library");
  if (!Platform::FindExport(FHandle.Get(), "GetHandlerProperty")) throw EFailure(lib + L" is not a Format library");
}

std::shared_ptr<T7zLibrary> LoadCodecLibrary() { return std::make_shared<T7zLibrary>(L"7z.dll"); }

void T7zLibrary::CreateObject(const TGUID& clsid, const TGUID& iid, void** obj) {
  THResult r = FCreateObject(&clsid, &iid, obj);
  if (r < 0) CheckResult(r);
}

TBStr T7zLibrary::AllocSysString(const std::wstring& text) {
  TBStr result = Platform::AllocBStr(FHandle.Get(), text.c_str());
  if (!result) throw std::bad_alloc();
  return result;
}

void T7zLibrary::FreeSysString(TBStr text) noexcept {
  if (text) Platform::FreeBStr(FHandle.Get(), text);
}

void T7zLibrary::ClearVariant(TPropVariant& value) noexcept {
  if (value.vt == kVtBstr) FreeSysString(value.bstrVal);
  value = TPropVariant();
}
