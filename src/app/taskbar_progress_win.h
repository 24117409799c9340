#pragma once
// The bar's progress on the window's taskbar button, for a user who minimised
// a long burn. Where the system has no taskbar list (Wine may not), nothing.
#include <windows.h>
#include <shobjidl.h>

#include <memory>

class TTaskbarProgress {
public:
  // The window whose button shows the progress, once it exists.
  void Attach(HWND window) { FWindow = window; }

  // `done` of `total` in the normal state.
  void Show(ULONGLONG done, ULONGLONG total);
  void ShowError();
  void Clear();

private:
  struct TRelease {
    void operator()(IUnknown* object) const { object->Release(); }
  };
  ITaskbarList3* List();

  HWND FWindow = nullptr;
  std::unique_ptr<ITaskbarList3, TRelease> FList;
  bool FTried = false;  // creation is asked once
};
