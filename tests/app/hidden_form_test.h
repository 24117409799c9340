#pragma once
// A hidden window in the test's own process. Its message boxes are answered
// OK and recorded as "title|text|flags".
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/usb_form.h"
#include "drives/usb_drives.h"

class THiddenFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    Form.Create(::GetModuleHandleW(nullptr), false);
    Form.MessageBoxHook = [this](const std::wstring& text, const std::wstring& title, UINT flags) {
      return RecordBox(text, title, flags);
    };
  }
  int RecordBox(const std::wstring& text, const std::wstring& title, UINT flags) {
    Boxes.push_back(title + L"|" + text + L"|" + std::to_wstring(flags));
    return IDOK;
  }

  TWin32DriveQuery Drives;
  TUSBForm Form{Drives};
  std::vector<std::wstring> Boxes;
};
