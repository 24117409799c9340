#include "app/setup_options_win.h"

#include <windows.h>

#include "base/win32_handles.h"

namespace {

static_assert(SetupOptionTicks.size() == SetupOptionTickValues.size());

std::wstring CurrentUserName() {
  wchar_t name[257] = {};
  DWORD size = 257;
  return ::GetUserNameW(name, &size) ? std::wstring(name) : L"";
}

bool ReadTick(HKEY key, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  return ::RegGetValueW(key, nullptr, name, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS &&
         value != 0;
}

bool ReadText(HKEY key, const wchar_t* name, std::wstring& text) {
  DWORD size = 0;
  if (::RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
  std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (::RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, buffer.data(), &size) != ERROR_SUCCESS)
    return false;
  text = buffer.c_str();
  return true;
}

// A locale name from a call that fills a buffer of LOCALE_NAME_MAX_LENGTH.
template <typename TCall>
std::wstring LocaleName(TCall call) {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  return call(name, LOCALE_NAME_MAX_LENGTH) > 0 ? std::wstring(name) : L"";
}

// The input language of the active keyboard and its layout: "0407:00000409"
// is the US keyboard for German.
std::wstring InputLocale() {
  wchar_t layout[KL_NAMELENGTH] = {};
  if (!::GetKeyboardLayoutNameW(layout)) return L"";
  const auto language = static_cast<unsigned>(reinterpret_cast<UINT_PTR>(::GetKeyboardLayout(0)) & 0xFFFF);
  static const wchar_t digits[] = L"0123456789ABCDEF";
  std::wstring text;
  for (int shift = 12; shift >= 0; shift -= 4) text += digits[(language >> shift) & 15];
  return text + L":" + layout;
}

}  // namespace

TSetupOptions LoadSetupOptions() {
  TSetupOptions options;
  TRegKey key;
  const bool opened = ::RegOpenKeyExW(HKEY_CURRENT_USER, SetupOptionsKey, 0, KEY_QUERY_VALUE, key.Put()) ==
                      ERROR_SUCCESS;
  if (opened)
    for (std::size_t i = 0; i < SetupOptionTicks.size(); ++i)
      options.*SetupOptionTicks[i] = ReadTick(key.Get(), SetupOptionTickValues[i]);
  if (!opened || !ReadText(key.Get(), SetupAccountNameValue, options.LocalAccountName))
    options.LocalAccountName = CurrentUserName();
  return options;
}

bool SaveSetupOptions(const TSetupOptions& options) {
  TRegKey key;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, SetupOptionsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(),
                        nullptr) != ERROR_SUCCESS)
    return false;
  bool saved = true;
  for (std::size_t i = 0; i < SetupOptionTicks.size(); ++i) {
    const DWORD value = options.*SetupOptionTicks[i] ? 1 : 0;
    saved = ::RegSetValueExW(key.Get(), SetupOptionTickValues[i], 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&value), sizeof value) == ERROR_SUCCESS &&
            saved;
  }
  const std::wstring& name = options.LocalAccountName;
  return ::RegSetValueExW(key.Get(), SetupAccountNameValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                          static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS &&
         saved;
}

TLocaleValues ThisPcLocaleValues() {
  TLocaleValues values;
  values.InputLocale = InputLocale();
  values.SystemLocale = LocaleName(::GetSystemDefaultLocaleName);
  values.UserLocale = LocaleName(::GetUserDefaultLocaleName);
  values.UILanguage = LocaleName([](wchar_t* name, int size) {
    return ::LCIDToLocaleName(MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT), name, size, 0);
  });
  return values;
}
