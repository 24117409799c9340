// Browse in the real program: the common file dialog is filled like a user
// does, then stage 0 reads the image through the stand-in isoinfo.
#include <gtest/gtest.h>

#include <string>

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
    const std::wstring exe = gui::PrepareAppFolder(L"browse");
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

  standin::TStandInScope Standins{L"gui-browse"};
  gui::TQuilloraProcess App;
  HWND Browse = nullptr, Close = nullptr, IsoEdit = nullptr, LabelEdit = nullptr;
};

TEST_F(BrowseGui, ReadsTheVolumeId) {
  // Controls are off while isoinfo runs (it waits before answering).
  Standins.Control(L"isoinfo", "sleep_ms=3000\n");
  ChooseImage(Image(L"setup.iso"));
  EXPECT_TRUE(gui::WaitUntil([&] { return !gui::IsEnabled(LabelEdit); }, Timeout));  // the last one
  EXPECT_FALSE(gui::IsEnabled(Browse));
  EXPECT_FALSE(gui::IsEnabled(Close));
  EXPECT_FALSE(gui::IsEnabled(IsoEdit));
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::IsEnabled(LabelEdit); }, Timeout));
  EXPECT_TRUE(gui::IsEnabled(Browse));
  EXPECT_TRUE(gui::IsEnabled(Close));
  EXPECT_EQ(gui::WindowText(LabelEdit), L"SETUP_DISC_");
  EXPECT_EQ(gui::WindowText(IsoEdit), Image(L"setup.iso"));
  EXPECT_NE(gui::FindControl(App.Window(), L"Reading ISO info is complete."), nullptr);
  EXPECT_TRUE(App.MessageBoxes().empty());
  const auto log = Standins.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_NE(log[0].find(L"isoinfo.exe\" -d -i \"" + Image(L"setup.iso") + L"\""), std::wstring::npos);
}

TEST_F(BrowseGui, FailingIsoInfoEmptiesTheLabel) {
  gui::SetText(LabelEdit, L"OLD");
  Standins.Control(L"isoinfo", "exit=1\noutput=Volume id: GOOD\n");
  ChooseImage(Image(L"twelve.iso"));
  const auto box = App.WaitForMessageBox(Timeout);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->Text, L"Cannot read info from ISO file.");
  EXPECT_EQ(box->Title, L"Warning");
  EXPECT_EQ(box->Icon, gui::TBoxIcon::Warning);
  EXPECT_FALSE(gui::IsEnabled(Browse));  // still inside the stage
  box->Press(IDOK);
  ASSERT_TRUE(gui::WaitUntil([&] { return gui::IsEnabled(LabelEdit); }, Timeout));
  EXPECT_EQ(gui::WindowText(LabelEdit), L"");
  EXPECT_NE(gui::FindControl(App.Window(), L"Error."), nullptr);
}

}  // namespace
