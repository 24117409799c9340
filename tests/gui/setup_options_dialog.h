#pragma once
// The setup options dialog of a running Quillora, and its remembered
// choices: none on entry, put back on every way out.
#include <windows.h>

#include <memory>
#include <vector>

#include "app/setup_options_win.h"
#include "gui/gui_driver.h"
#include "prefix_state_win.h"

namespace gui {

inline HWND WaitForSetupOptions(DWORD timeoutMs) {
  HWND dialog = nullptr;
  WaitUntil([&] { return (dialog = ::FindWindowW(L"TSetupOptionsForm", L"Windows setup options")) != nullptr &&
                         ::IsWindowVisible(dialog); },
            timeoutMs);
  return dialog;
}

class TSetupOptionsScope {
public:
  TSetupOptionsScope() {
    std::vector<const wchar_t*> names(SetupOptionTickValues.begin(), SetupOptionTickValues.end());
    names.push_back(SetupAccountNameValue);
    for (const wchar_t* name : names) {
      FValues.push_back(std::make_unique<prefixstate::TRegistryValueScope>(HKEY_CURRENT_USER, SetupOptionsKey, name));
      ::RegDeleteKeyValueW(HKEY_CURRENT_USER, SetupOptionsKey, name);
    }
  }

private:
  std::vector<std::unique_ptr<prefixstate::TRegistryValueScope>> FValues;
};

}  // namespace gui
