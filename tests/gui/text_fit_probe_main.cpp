// Quillora's own start-up, in a program of its own so that every run sees
// the DPI and fonts set just before it. Once the window shows, every
// control's text is measured with the control's own font against the room
// the control gives it, in the program's process, where the fonts live.
//   text_fit_probe.exe <report.txt> <screenshot.png>
// The report holds "WINDOW <client width> <client height>", one
// "INK <dark pixels> <text>" line for each link on a light panel and one
// "CUT <what> <text>" line for each text that does not fit.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/program_win.h"
#include "app/usb_form.h"
#include "base/message_pump.h"
#include "drives/usb_drives.h"
#include "gui/gui_driver.h"

namespace {

struct TTextBox {
  HWND Control;
  RECT Text;  // where the text lies, in the parent's coordinates
  int CharWidth;  // average, of its font
};

SIZE TextSize(HWND control, const std::wstring& text, TEXTMETRICW& metrics) {
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT rect{};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

std::vector<std::wstring> Measure(HWND window) {
  std::vector<std::wstring> cuts;
  std::vector<TTextBox> labels;
  for (HWND control : gui::Descendants(window)) {
    const std::wstring text = gui::WindowText(control);
    const std::wstring cls = gui::ClassName(control);
    const LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    RECT client{}, placed = gui::RectInParent(control), parent{};
    ::GetClientRect(control, &client);
    ::GetClientRect(::GetParent(control), &parent);
    // Nothing may reach past its parent's sides or bottom (the recovery
    // link sits a little above its panel's top by design).
    if (placed.left < 0 || placed.right > parent.right || placed.bottom > parent.bottom)
      cuts.push_back(L"OUTSIDE " + cls + L" " + text);
    if (text.empty() || (cls != L"Static" && cls != L"Button")) continue;
    TEXTMETRICW metrics{};
    const SIZE need = TextSize(control, text, metrics);
    int roomWidth = client.right, roomHeight = client.bottom;
    const LONG_PTR kind = style & BS_TYPEMASK;
    if (cls == L"Button" && kind == BS_GROUPBOX) {
      // The caption starts at the left frame line and may reach the right one.
      roomWidth -= ::GetSystemMetrics(SM_CXBORDER);
    } else if (cls == L"Button" && (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX)) {
      roomWidth -= ::GetSystemMetrics(SM_CXMENUCHECK) + metrics.tmAveCharWidth / 2;
    } else if (cls == L"Button") {
      roomWidth -= 2 * ::GetSystemMetrics(SM_CXEDGE);
      roomHeight -= 2 * ::GetSystemMetrics(SM_CYEDGE);
    }
    if (need.cx > roomWidth || (kind != BS_GROUPBOX && need.cy > roomHeight))
      cuts.push_back(L"CUT " + cls + L" " + text + L" needs " + std::to_wstring(need.cx) + L"x" +
                     std::to_wstring(need.cy) + L" has " + std::to_wstring(roomWidth) + L"x" +
                     std::to_wstring(roomHeight));
    if (cls == L"Static") {
      RECT at = placed;
      const LONG_PTR align = style & SS_TYPEMASK;
      if (align == SS_RIGHT) at.left = at.right - need.cx;
      else if (align == SS_CENTER) at.left += (at.right - at.left - need.cx) / 2, at.right = at.left + need.cx;
      else at.right = at.left + need.cx;
      at.bottom = at.top + need.cy;
      labels.push_back({control, at, metrics.tmAveCharWidth});
    }
  }
  // The texts of two labels side by side must not run into each other. A
  // text's box holds the spacing after its last letter and before its first:
  // boxes may share up to one average character before the letters meet.
  for (size_t i = 0; i < labels.size(); ++i)
    for (size_t j = i + 1; j < labels.size(); ++j) {
      RECT overlap{};
      if (::GetParent(labels[i].Control) == ::GetParent(labels[j].Control) &&
          ::IntersectRect(&overlap, &labels[i].Text, &labels[j].Text) &&
          overlap.right - overlap.left > labels[i].CharWidth)
        cuts.push_back(L"OVERLAP " + gui::WindowText(labels[i].Control) + L" / " + gui::WindowText(labels[j].Control) +
                       L" " + std::to_wstring(overlap.right - overlap.left) + L"x" + std::to_wstring(overlap.bottom - overlap.top));
    }
  return cuts;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  std::vector<std::wstring> report;
  TWin32DriveQuery drives;
  const int code = RunQuillora(::GetModuleHandleW(nullptr), drives, [&](TUSBForm& form) {
    ::RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    ProcessPendingMessages();
    const SIZE client = gui::ClientSize(form.Handle());
    report.push_back(L"WINDOW " + std::to_wstring(client.cx) + L" " + std::to_wstring(client.cy));
    for (const std::wstring& cut : Measure(form.Handle())) report.push_back(cut);
    // The X server draws on its own time: give the paint a moment before the picture.
    ::Sleep(500);
    if (!gui::SaveWindowScreenshot(form.Handle(), argv[2])) report.push_back(L"NO SCREENSHOT");
    // How much dark ink the links on the light panels show, whatever the theme's colours.
    for (HWND link : {form.TipLabel4, form.WebLabel}) {
      int dark = 0;
      if (auto pixels = gui::CaptureWindow(link))
        for (int y = 0; y < pixels->Height; ++y)
          for (int x = 0; x < pixels->Width; ++x) {
            const COLORREF c = pixels->At(x, y);
            dark += 299 * GetRValue(c) + 587 * GetGValue(c) + 114 * GetBValue(c) < 100 * 1000;
          }
      report.push_back(L"INK " + std::to_wstring(dark) + L" " + gui::WindowText(link));
    }
    form.Close();
  });
  FILE* out = _wfopen(argv[1], L"w, ccs=UTF-8");
  if (!out) return 3;
  for (const std::wstring& line : report) std::fwprintf(out, L"%ls\n", line.c_str());
  std::fclose(out);
  return code;
}
