#include "base/com_scope.h"

#include <objbase.h>

TComScope::TComScope()
    : FInitialized(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}

TComScope::~TComScope() {
  if (FInitialized) ::CoUninitialize();
}
