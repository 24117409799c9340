// The driver against windows and message boxes of its own process.
#include <gtest/gtest.h>

#include <thread>

#include "base/win32_handles.h"
#include "gui/gui_driver.h"
#include "gui/png_writer.h"

namespace {

// Reads back the stored-deflate PNG the encoder writes: the RGB rows.
std::vector<uint8_t> DecodeStoredPng(const std::vector<uint8_t>& png, int& width, int& height) {
  auto be = [&](size_t at) {
    return uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 | uint32_t(png[at + 2]) << 8 | png[at + 3];
  };
  std::vector<uint8_t> zlib;
  for (size_t at = 8; at + 12 <= png.size();) {
    uint32_t length = be(at);
    std::string type(png.begin() + long(at) + 4, png.begin() + long(at) + 8);
    EXPECT_EQ(be(at + 8 + length), gui::Crc32(png.data() + at + 4, length + 4)) << type;
    if (type == "IHDR") {
      width = int(be(at + 8));
      height = int(be(at + 12));
    } else if (type == "IDAT") {
      zlib.insert(zlib.end(), png.begin() + long(at) + 8, png.begin() + long(at + 8 + length));
    }
    at += 12 + length;
  }
  std::vector<uint8_t> raw;
  size_t at = 2;
  for (bool last = false; !last && at + 5 <= zlib.size();) {
    last = zlib[at] & 1;
    size_t length = zlib[at + 1] | zlib[at + 2] << 8;
    EXPECT_EQ(length ^ 0xFFFF, size_t(zlib[at + 3] | zlib[at + 4] << 8));
    raw.insert(raw.end(), zlib.begin() + long(at) + 5, zlib.begin() + long(at + 5 + length));
    at += 5 + length;
  }
  EXPECT_EQ(gui::Adler32(raw.data(), raw.size()),
            uint32_t(zlib[at] << 24 | zlib[at + 1] << 16 | zlib[at + 2] << 8 | zlib[at + 3]));
  std::vector<uint8_t> rgb;
  const size_t row = size_t(width) * 3;
  for (size_t y = 0; y < size_t(height); ++y) {
    EXPECT_EQ(raw[y * (row + 1)], 0);
    rgb.insert(rgb.end(), raw.begin() + long(y * (row + 1) + 1), raw.begin() + long((y + 1) * (row + 1)));
  }
  return rgb;
}

TEST(PngWriter, ChecksumsAndRoundTrip) {
  const std::string check = "123456789";
  EXPECT_EQ(gui::Crc32(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xCBF43926u);
  const std::string wiki = "Wikipedia";
  EXPECT_EQ(gui::Adler32(reinterpret_cast<const uint8_t*>(wiki.data()), wiki.size()), 0x11E60398u);

  // 200 x 120 pixels need more than one stored block of 65535 bytes.
  const int w = 200, h = 120;
  std::vector<uint8_t> rgb(size_t(w) * h * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 7 + i / 600);
  std::vector<uint8_t> png = gui::EncodePng(w, h, rgb);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  int width = 0, height = 0;
  EXPECT_EQ(DecodeStoredPng(png, width, height), rgb);
  EXPECT_EQ(width, w);
  EXPECT_EQ(height, h);

  EXPECT_TRUE(gui::EncodePng(2, 2, std::vector<uint8_t>(11)).empty());
  EXPECT_TRUE(gui::EncodePng(0, 2, {}).empty());
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ERASEBKGND) {
    RECT rect{};
    ::GetClientRect(hwnd, &rect);
    HBRUSH brush = ::CreateSolidBrush(RGB(0x20, 0xA0, 0x60));
    ::FillRect(reinterpret_cast<HDC>(wParam), &rect, brush);
    ::DeleteObject(brush);
    return 1;
  }
  return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// A window of this process with a group box, a nested combo and buttons.
struct TOwnWindow {
  TOwnWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"GuiDriverTestWindow";
    ::RegisterClassW(&wc);
    Window = ::CreateWindowExW(0, wc.lpszClassName, L"Driver test", WS_POPUP | WS_VISIBLE, 40, 40,
                               220, 140, nullptr, nullptr, wc.hInstance, nullptr);
    Group = ::CreateWindowExW(0, L"BUTTON", L"Group", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 10, 10,
                              150, 80, Window, nullptr, nullptr, nullptr);
    Combo = ::CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 8, 20,
                              100, 120, Group, nullptr, nullptr, nullptr);
    Button = ::CreateWindowExW(0, L"BUTTON", L"Press", WS_CHILD | WS_VISIBLE, 170, 10, 40, 20,
                               Window, nullptr, nullptr, nullptr);
    Pump();
  }
  ~TOwnWindow() { ::DestroyWindow(Window); }
  HWND Window, Group, Combo, Button;
};

TEST(GuiDriver, FindsReadsAndCapturesControls) {
  gui::PrepareWine();
  TOwnWindow own;
  std::vector<HWND> all = gui::Descendants(own.Window);
  ASSERT_GE(all.size(), 3u);
  EXPECT_EQ(all[0], own.Group);  // a parent comes before its children
  EXPECT_EQ(all[1], own.Combo);
  EXPECT_EQ(gui::FindControl(own.Window, L"Press"), own.Button);
  EXPECT_EQ(gui::FindControl(own.Window, L"Press", L"Static"), nullptr);
  EXPECT_EQ(gui::FindControlByOrder(own.Window, L"button", 1), own.Button);
  EXPECT_EQ(gui::WindowText(own.Group), L"Group");

  RECT combo = gui::RectInParent(own.Combo);
  EXPECT_EQ(combo.left, 8);
  EXPECT_EQ(combo.top, 20);
  EXPECT_EQ(gui::ScaleForDpi(100, 144), 150);

  EXPECT_EQ(gui::AddComboItem(own.Combo, L""), 0);
  EXPECT_EQ(gui::AddComboItem(own.Combo, L"Q: [7.46 GB]"), 1);
  EXPECT_EQ(gui::ComboItems(own.Combo), (std::vector<std::wstring>{L"", L"Q: [7.46 GB]"}));
  EXPECT_EQ(gui::ComboSelection(own.Combo), -1);
  gui::SelectComboItem(own.Combo, 1);
  EXPECT_EQ(gui::ComboSelectionText(own.Combo), L"Q: [7.46 GB]");

  // The client area is painted in the class's colour.
  ::RedrawWindow(own.Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump();
  auto pixels = gui::CaptureWindow(own.Window);
  ASSERT_TRUE(pixels);
  EXPECT_EQ(pixels->Width, 220);
  EXPECT_EQ(pixels->At(215, 135), RGB(0x20, 0xA0, 0x60));
  const std::wstring png = gui::ScreenshotDir() + L"\\driver-test.png";
  ASSERT_TRUE(gui::SaveWindowScreenshot(own.Window, png));
  TFileHandle file(::CreateFileW(png.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file);
  std::vector<uint8_t> bytes(::GetFileSize(file.Get(), nullptr));
  DWORD read = 0;
  ASSERT_TRUE(::ReadFile(file.Get(), bytes.data(), DWORD(bytes.size()), &read, nullptr));
  int width = 0, height = 0;
  std::vector<uint8_t> rgb = DecodeStoredPng(bytes, width, height);
  EXPECT_EQ(width, 220);
  EXPECT_EQ(height, 140);
  ASSERT_EQ(rgb.size(), size_t(220) * 140 * 3);
  EXPECT_EQ(rgb[(139 * 220 + 219) * 3 + 1], 0xA0);
}

// A box of this process, shown on another thread, read and answered by the driver.
struct TBoxCase {
  UINT Flags;
  gui::TBoxIcon Icon;
  std::vector<int> Buttons;
  int Press;
};

TEST(GuiDriver, ReadsAndAnswersMessageBoxes) {
  gui::PrepareWine();
  const TBoxCase cases[] = {
      {MB_OK | MB_ICONINFORMATION, gui::TBoxIcon::Information, {IDOK}, IDOK},
      {MB_YESNO | MB_ICONWARNING, gui::TBoxIcon::Warning, {IDYES, IDNO}, IDNO},
      {MB_OK | MB_ICONERROR, gui::TBoxIcon::Error, {IDOK}, IDOK},
      {MB_OK, gui::TBoxIcon::None, {IDOK}, IDOK},
  };
  for (const TBoxCase& c : cases) {
    int answer = 0;
    std::thread shower([&] { answer = ::MessageBoxW(nullptr, L"Line one.\r\nLine two.", L"Box title", c.Flags); });
    HWND box = nullptr;
    ASSERT_TRUE(gui::WaitUntil(
        [&] {
          box = ::FindWindowW(L"#32770", L"Box title");
          return box && ::IsWindowVisible(box);
        },
        10000));
    ::RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ::Sleep(300);
    gui::TMessageBox read = gui::ReadMessageBox(box);
    EXPECT_EQ(read.Title, L"Box title");
    EXPECT_EQ(read.Text, L"Line one.\r\nLine two.");
    EXPECT_EQ(read.Icon, c.Icon) << gui::BoxIconName(read.Icon) << " for flags " << c.Flags;
    EXPECT_EQ(read.Buttons, c.Buttons);
    EXPECT_FALSE(read.Press(IDRETRY));
    EXPECT_TRUE(read.Press(c.Press));
    shower.join();
    EXPECT_EQ(answer, c.Press);
  }
}

}  // namespace
