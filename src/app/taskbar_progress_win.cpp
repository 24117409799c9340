#include "app/taskbar_progress_win.h"

ITaskbarList3* TTaskbarProgress::List() {
  if (!FTried && FWindow) {
    FTried = true;
    ITaskbarList3* list = nullptr;
    if (SUCCEEDED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                     reinterpret_cast<void**>(&list))) &&
        list) {
      FList.reset(list);
      if (FAILED(list->HrInit())) FList.reset();
    }
  }
  return FList.get();
}

// The button's state is a nicety: a refusal changes nothing of the burn.
void TTaskbarProgress::Show(ULONGLONG done, ULONGLONG total) {
  if (ITaskbarList3* list = List()) {
    list->SetProgressState(FWindow, TBPF_NORMAL);
    list->SetProgressValue(FWindow, done, total);
  }
}

void TTaskbarProgress::ShowError() {
  if (ITaskbarList3* list = List()) list->SetProgressState(FWindow, TBPF_ERROR);
}

void TTaskbarProgress::Clear() {
  if (ITaskbarList3* list = List()) list->SetProgressState(FWindow, TBPF_NOPROGRESS);
}
