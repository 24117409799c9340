// Browse in the real program, with nothing but 7z.dll beside it: the common
// file dialog is filled like a user does, then the program reads the image's
// volume id itself.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "gui/gui_driver.h"
#include "standins/standin_fixture.h"

namespace {

constexpr DWORD Timeout = 20000;

std::wstring Image(const wchar_t* name) { return gui::BuildDir() + L"\\test-images\\stages\\" + name; }

// The file-name edit of an open file dialog: the edit inside the combo box
// cmb13 (0x047C), or the plain edit edt1 (0x0480).
HWND FileNameEdit(HWND dialog) {
  for (int id : {0x047C, 0x0480}) {
    const HWND control = ::GetDlgItem(dialog, id);
    if (!control) continue;
    if (gui::ClassName(control) == L"Edit") return control;
    for (HWND inner : gui::Descendants(control))
      if (gui::ClassName(inner) == L"Edit") return inner;
  }
  return nullptr;
}

class BrowseGui : public ::testing::Test {
protected:
  void SetUp() override {
    gui::PrepareWine();
    const std::wstring exe = gui::PrepareAppFolder(L"browse", false);
    ASSERT_FALSE(exe.empty());
    ASSERT_TRUE(App.Start(exe)) << standin::Narrow(App.LastError());
    Browse = gui::FindControl(App.Window(), L"Browse", L"Button");
    Close = gui::FindControl(App.Window(), L"Close", L"Button");
    IsoEdit = gui::FindControlByOrder(App.Window(), L"Edit", 0);
    LabelEdit = gui::FindControlByOrder(App.Window(), L"Edit", 1);
    ASSERT_TRUE(Browse && Close && IsoEdit && LabelEdit);
  }

  // Presses Browse and answers the file dialog with `path`.
  void ChooseImage(const std::wstring& path) {
    gui::Click(Browse);
    HWND dialog = nullptr, edit = nullptr;
    ASSERT_TRUE(gui::WaitUntil(
        [&] {
          for (HWND candidate : App.MessageBoxes())
            if ((edit = FileNameEdit(candidate)) != nullptr) dialog = candidate;
          return dialog != nullptr;
        },
        Timeout));
    gui::SetText(edit, path);
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
    ASSERT_TRUE(gui::WaitUntil([&] { return !::IsWindow(dialog); }, Timeout));
  }

  gui::TQuilloraProcess App;
  HWND Browse = nullptr, Close = nullptr, IsoEdit = nullptr, LabelEdit = nullptr;
};

TEST_F(BrowseGui, ReadsTheVolumeId) {
  for (const auto& [name, label] : {std::pair{L"setup.iso", L"SETUP_DISC_"}, std::pair{L"windows.iso", L"CCSA_X64FRE"}}) {
    ChooseImage(Image(name));
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(LabelEdit) == label; }, Timeout)) << standin::Narrow(name);
    EXPECT_EQ(gui::WindowText(IsoEdit), Image(name));
    EXPECT_NE(gui::FindControl(App.Window(), L"Reading ISO info is complete."), nullptr);
    EXPECT_TRUE(gui::IsEnabled(Browse));
  }
  EXPECT_TRUE(App.MessageBoxes().empty());
}

TEST_F(BrowseGui, UnreadableIdEmptiesTheLabel) {
  gui::SetText(LabelEdit, L"OLD");
  ChooseImage(Image(L"zeros.iso"));
  const auto box = App.WaitForMessageBox(Timeout);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->Text, L"Cannot read info from ISO file.");
  EXPECT_EQ(box->Title, L"Warning");
  EXPECT_EQ(box->Icon, gui::TBoxIcon::Warning);
  EXPECT_FALSE(gui::IsEnabled(Browse));  // still inside the reading
  box->Press(IDOK);
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::IsEnabled(LabelEdit); }, Timeout));
  EXPECT_EQ(gui::WindowText(LabelEdit), L"");
  EXPECT_NE(gui::FindControl(App.Window(), L"Error."), nullptr);
}

}  // namespace
