#include "gui/gui_driver.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdlib>

#include "base/win32_handles.h"
#include "gui/png_writer.h"

namespace gui {
namespace {

#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740
#endif

const wchar_t* const FormClass = L"TUSBForm";
const wchar_t* const FormCaption = L"Quillora";
const wchar_t* const BoxClass = L"#32770";

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool FileExistsAt(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD WindowProcessId(HWND window) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  return pid;
}

struct TTopLevelSearch {
  DWORD Pid;
  const wchar_t* Class;
  std::vector<HWND> Found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<TTopLevelSearch*>(data);
  if (WindowProcessId(window) == s->Pid && ::IsWindowVisible(window) &&
      _wcsicmp(ClassName(window).c_str(), s->Class) == 0)
    s->Found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD pid, const wchar_t* className) {
  TTopLevelSearch search{pid, className, {}};
  ::EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

template <typename Fn>
Fn User32Function(const char* name) {
  HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name)))
                : nullptr;
}

void MakeDpiAware() {
  using SetContextFn = BOOL(WINAPI*)(HANDLE);
  static bool done = false;
  if (done) return;
  done = true;
  if (auto setContext = User32Function<SetContextFn>("SetProcessDpiAwarenessContext"))
    if (setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))))  // per monitor v2
      return;
  ::SetProcessDPIAware();
}

std::optional<TPixels> ReadBitmap(HDC source, int x, int y, int width, int height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  HDC memory = ::CreateCompatibleDC(source);
  if (!memory) return std::nullopt;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  TGdiObject bitmap(::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  std::optional<TPixels> result;
  if (bitmap && bits) {
    HGDIOBJ old = ::SelectObject(memory, bitmap.Get());
    if (::BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY | CAPTUREBLT)) {
      ::GdiFlush();
      TPixels pixels;
      pixels.Width = width;
      pixels.Height = height;
      pixels.Rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
      const auto* bgra = static_cast<const uint8_t*>(bits);
      for (size_t i = 0, n = static_cast<size_t>(width) * static_cast<size_t>(height); i < n; ++i) {
        pixels.Rgb[i * 3] = bgra[i * 4 + 2];
        pixels.Rgb[i * 3 + 1] = bgra[i * 4 + 1];
        pixels.Rgb[i * 3 + 2] = bgra[i * 4];
      }
      result = std::move(pixels);
    }
    ::SelectObject(memory, old);
  }
  ::DeleteDC(memory);
  return result;
}

// Draws a system icon on a plain background, the way a static control shows it.
std::optional<TPixels> RenderIcon(LPCWSTR iconId, int width, int height, COLORREF background) {
  HICON icon = ::LoadIconW(nullptr, iconId);
  if (!icon) return std::nullopt;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  TGdiObject bitmap(::CreateCompatibleBitmap(screen, width, height));
  std::optional<TPixels> result;
  if (memory && bitmap) {
    HGDIOBJ old = ::SelectObject(memory, bitmap.Get());
    RECT rect{0, 0, width, height};
    TGdiObject brush(::CreateSolidBrush(background));
    ::FillRect(memory, &rect, static_cast<HBRUSH>(brush.Get()));
    ::DrawIconEx(memory, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    ::SelectObject(memory, old);
    // Read back through a DIB so the layout matches screen captures.
    HDC reader = ::CreateCompatibleDC(screen);
    HGDIOBJ previous = ::SelectObject(reader, bitmap.Get());
    result = ReadBitmap(reader, 0, 0, width, height);
    ::SelectObject(reader, previous);
    ::DeleteDC(reader);
  }
  if (memory) ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return result;
}

// Share of pixels that differ clearly between two images of one size.
double Difference(const TPixels& a, const TPixels& b) {
  if (a.Width != b.Width || a.Height != b.Height || a.Rgb.empty()) return 1.0;
  size_t differing = 0;
  for (size_t i = 0; i < a.Rgb.size(); i += 3) {
    int d = 0;
    for (size_t c = 0; c < 3; ++c) d = std::max(d, std::abs(int(a.Rgb[i + c]) - int(b.Rgb[i + c])));
    if (d > 48) ++differing;
  }
  return static_cast<double>(differing) / static_cast<double>(a.Rgb.size() / 3);
}

TBoxIcon IdentifyIcon(HWND iconStatic) {
  if (!iconStatic || !::IsWindowVisible(iconStatic)) return TBoxIcon::None;
  if (!::SendMessageW(iconStatic, STM_GETICON, 0, 0)) return TBoxIcon::None;
  RECT rect{};
  ::GetWindowRect(iconStatic, &rect);
  auto shown = CaptureScreen(rect);
  if (!shown || shown->Width <= 0) return TBoxIcon::Unknown;
  const COLORREF background = shown->At(0, 0);
  const struct {
    LPCWSTR Id;
    TBoxIcon Icon;
  } candidates[] = {{IDI_INFORMATION, TBoxIcon::Information},
                    {IDI_WARNING, TBoxIcon::Warning},
                    {IDI_ERROR, TBoxIcon::Error},
                    {IDI_QUESTION, TBoxIcon::Question}};
  TBoxIcon best = TBoxIcon::Unknown;
  double bestDifference = 0.1;  // more than a tenth of the pixels off: no match
  for (const auto& candidate : candidates) {
    auto drawn = RenderIcon(candidate.Id, shown->Width, shown->Height, background);
    if (!drawn) continue;
    double difference = Difference(*shown, *drawn);
    if (difference < bestDifference) {
      bestDifference = difference;
      best = candidate.Icon;
    }
  }
  return best;
}

}  // namespace

// ---- folders ----

std::wstring BinDir() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return FolderOf(path);
}

std::wstring BuildDir() { return FolderOf(BinDir()); }

std::wstring ScreenshotDir() {
  std::wstring dir = BuildDir() + L"\\screenshots";
  ::CreateDirectoryW(dir.c_str(), nullptr);
  return dir;
}

bool RemoveTree(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    WIN32_FIND_DATAW entry;
    TFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &entry));
    if (find) {
      do {
        std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
      } while (::FindNextFileW(find.Get(), &entry));
    }
    find.Reset();
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(path.c_str());
  } else {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
  }
  return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

namespace {
std::wstring PrepareFolderWith(const std::wstring& name, const wchar_t* program, bool withTools) {
  const std::wstring bin = BinDir();
  const std::wstring root = BuildDir() + L"\\gui-app";
  const std::wstring folder = root + L"\\" + name;
  ::CreateDirectoryW(root.c_str(), nullptr);
  if (!RemoveTree(folder) || !::CreateDirectoryW(folder.c_str(), nullptr)) return {};
  for (const wchar_t* file : {program, L"7z.dll"})
    if (!::CopyFileW((bin + L"\\" + file).c_str(), (folder + L"\\" + file).c_str(), FALSE))
      return {};
  if (!withTools) return folder + L"\\" + program;
  // Windows' own tools come from the system folder (prefixstate::TSystemToolsScope).
  for (const wchar_t* tool : {L"bootsect_x86.exe", L"bootsect_x64.exe"}) {
    const std::wstring source = bin + L"\\" + tool;
    if (FileExistsAt(source)) ::CopyFileW(source.c_str(), (folder + L"\\" + tool).c_str(), FALSE);
  }
  return folder + L"\\" + program;
}
}  // namespace

std::wstring PrepareAppFolder(const std::wstring& name, bool withTools) {
  return PrepareFolderWith(name, L"Quillora.exe", withTools);
}

std::wstring PrepareTestBusAppFolder(const std::wstring& name, const std::string& usbBus) {
  const std::wstring exe = PrepareFolderWith(name, L"QuilloraTest.exe", true);
  return !exe.empty() && WriteUsbBus(exe, usbBus) ? exe : std::wstring();
}

bool WriteUsbBus(const std::wstring& exePath, const std::string& usbBus) {
  const std::wstring file = FolderOf(exePath) + L"\\usb-bus.txt";
  const TFileHandle out(::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return out && ::WriteFile(out.Get(), usbBus.data(), static_cast<DWORD>(usbBus.size()), &written, nullptr) &&
         written == usbBus.size();
}

std::wstring TempDir() {
  wchar_t buffer[MAX_PATH + 2] = {};
  DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
  return length ? std::wstring(buffer, length) : std::wstring();
}

// ---- Wine ----

bool IsWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

void PrepareWine() {
  MakeDpiAware();
  if (!IsWine()) return;
  prefixstate::RepairLeftovers();  // what a killed test left behind
  TRegKey key;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, key.Put(), nullptr) == ERROR_SUCCESS) {
    static const wchar_t no[] = L"N";
    ::RegSetValueExW(key.Get(), L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof(no));
  }
}

const wchar_t* const DesktopKey = L"Control Panel\\Desktop";

TWineSettingScope::TWineSettingScope(const std::wstring& key, const std::wstring& name, DWORD value) {
  Apply(key, name, REG_DWORD, &value, sizeof(value));
}

TWineSettingScope::TWineSettingScope(const std::wstring& key, const std::wstring& name,
                                     const std::wstring& value) {
  Apply(key, name, REG_SZ, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void TWineSettingScope::Apply(const std::wstring& key, const std::wstring& name, DWORD type, const void* data,
                              DWORD size) {
  if (!IsWine()) return;
  FOld.emplace(HKEY_CURRENT_USER, key, name);
  TRegKey opened;
  FApplied = ::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                               opened.Put(), nullptr) == ERROR_SUCCESS &&
             ::RegSetValueExW(opened.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
                 ERROR_SUCCESS;
}

UINT WineLogPixels() {
  const struct {
    HKEY Root;
    const wchar_t* Path;
  } places[] = {{HKEY_CURRENT_USER, DesktopKey}, {HKEY_CURRENT_CONFIG, L"Software\\Fonts"}};
  for (const auto& place : places) {
    TRegKey key;
    if (::RegOpenKeyExW(place.Root, place.Path, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) continue;
    DWORD value = 0, type = 0, size = sizeof(value);
    if (::RegQueryValueExW(key.Get(), L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&value),
                           &size) == ERROR_SUCCESS &&
        type == REG_DWORD && value)
      return value;
  }
  return 96;
}

// ---- waiting ----

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  for (;;) {
    if (done()) return true;
    if (::GetTickCount64() >= end) return false;
    ::Sleep(20);
  }
}

// ---- windows and controls ----

std::wstring WindowText(HWND window) {
  if (!window) return {};
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
    return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 5000, &copied))
    return {};
  text.resize(std::min<size_t>(copied, length));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  int length = ::GetClassNameW(window, name, 256);
  return std::wstring(name, static_cast<size_t>(std::max(length, 0)));
}

std::vector<HWND> Descendants(HWND root) {
  std::vector<HWND> found;
  if (!root) return found;
  ::EnumChildWindows(root, &CollectChild, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindControl(HWND root, const std::wstring& text, const std::wstring& className) {
  for (HWND control : Descendants(root))
    if ((className.empty() || _wcsicmp(ClassName(control).c_str(), className.c_str()) == 0) &&
        WindowText(control) == text)
      return control;
  return nullptr;
}

HWND FindControlByOrder(HWND root, const std::wstring& className, size_t index) {
  for (HWND control : Descendants(root))
    if (_wcsicmp(ClassName(control).c_str(), className.c_str()) == 0 && index-- == 0) return control;
  return nullptr;
}

RECT RectInParent(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

SIZE ClientSize(HWND window) {
  RECT rect{};
  ::GetClientRect(window, &rect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

UINT WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  if (auto getDpi = User32Function<GetDpiForWindowFn>("GetDpiForWindow"))
    if (UINT dpi = getDpi(window)) return dpi;
  HDC screen = ::GetDC(nullptr);
  UINT dpi = static_cast<UINT>(::GetDeviceCaps(screen, LOGPIXELSX));
  ::ReleaseDC(nullptr, screen);
  return dpi ? dpi : 96;
}

int ScaleForDpi(int logical, UINT dpi) { return ::MulDiv(logical, static_cast<int>(dpi), 96); }

// ---- acting ----

void Click(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

void ClickCentre(HWND window) {
  SIZE size = ClientSize(window);
  LPARAM at = MAKELPARAM(size.cx / 2, size.cy / 2);
  ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(window, WM_LBUTTONUP, 0, at);
}

bool IsChecked(HWND checkBox) {
  return ::SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
HWND FocusedControl(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool IsEnabled(HWND control) { return ::IsWindowEnabled(control) != FALSE; }
bool IsVisible(HWND control) { return ::IsWindowVisible(control) != FALSE; }

void SetText(HWND edit, const std::wstring& text) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &result);
}

std::vector<std::wstring> ComboItems(HWND combo) {
  std::vector<std::wstring> items;
  LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) {
      items.emplace_back();
      continue;
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                    reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(std::clamp<LRESULT>(copied, 0, length)));
    items.push_back(text);
  }
  return items;
}

int ComboSelection(HWND combo) { return static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

std::wstring ComboSelectionText(HWND combo) {
  int index = ComboSelection(combo);
  auto items = ComboItems(combo);
  return index >= 0 && static_cast<size_t>(index) < items.size() ? items[static_cast<size_t>(index)]
                                                                  : std::wstring();
}

void SelectComboItem(HWND combo, int index) {
  ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::PostMessageW(::GetParent(combo), WM_COMMAND,
                 MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

int AddComboItem(HWND combo, const std::wstring& text) {
  LRESULT index = ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  return index < 0 ? -1 : static_cast<int>(index);
}

void PostKey(HWND target, UINT virtualKey, bool alt) {
  const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  const LPARAM altBit = alt ? 0x20000000 : 0;
  ::PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, 1 | scan | altBit);
  ::PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, virtualKey,
                 static_cast<LPARAM>(1 | scan | altBit | 0xC0000000u));
}

// ---- message boxes ----

const wchar_t* BoxIconName(TBoxIcon icon) {
  switch (icon) {
    case TBoxIcon::None: return L"none";
    case TBoxIcon::Information: return L"information";
    case TBoxIcon::Warning: return L"warning";
    case TBoxIcon::Error: return L"error";
    case TBoxIcon::Question: return L"question";
    default: return L"unknown";
  }
}

bool TMessageBox::Press(int buttonId) const {
  HWND button = ::GetDlgItem(Handle, buttonId);
  if (!button) return false;
  Click(button);
  return true;
}

TMessageBox ReadMessageBox(HWND box) {
  TMessageBox result;
  result.Handle = box;
  result.Title = WindowText(box);
  result.Text = WindowText(::GetDlgItem(box, 0xFFFF));
  HWND iconStatic = nullptr;
  for (HWND child : Descendants(box)) {
    const std::wstring cls = ClassName(child);
    const LONG_PTR style = ::GetWindowLongPtrW(child, GWL_STYLE);
    if (_wcsicmp(cls.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON)
      iconStatic = child;
    if (_wcsicmp(cls.c_str(), L"Button") == 0 && ::IsWindowVisible(child))
      result.Buttons.push_back(::GetDlgCtrlID(child));
  }
  result.Icon = IdentifyIcon(iconStatic);
  return result;
}

// ---- the program ----

TQuilloraProcess::~TQuilloraProcess() {
  if (IsRunning()) Terminate();
  if (FProcess) ::CloseHandle(FProcess);
}

bool TQuilloraProcess::Start(const std::wstring& exePath, DWORD timeoutMs, const std::wstring& workingFolder) {
  FLastError.clear();
  if (FProcess) {
    FLastError = L"already started";
    return false;
  }
  const std::wstring folder = workingFolder.empty() ? FolderOf(exePath) : workingFolder;
  FStartDpi = IsWine() ? WineLogPixels() : 0;
  std::wstring commandLine = L"\"" + exePath + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (::CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.c_str(), &startup, &info)) {
    ::CloseHandle(info.hThread);
    FProcess = info.hProcess;
    FProcessId = info.dwProcessId;
  } else if (::GetLastError() == ERROR_ELEVATION_REQUIRED) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    execute.lpVerb = L"runas";
    execute.lpFile = exePath.c_str();
    execute.lpDirectory = folder.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&execute) || !execute.hProcess) {
      FLastError = L"ShellExecuteExW runas failed: " + std::to_wstring(::GetLastError());
      return false;
    }
    FProcess = execute.hProcess;
    FProcessId = ::GetProcessId(execute.hProcess);
  } else {
    FLastError = L"CreateProcessW failed: " + std::to_wstring(::GetLastError());
    return false;
  }
  bool found = WaitUntil(
      [this] {
        if (!IsRunning()) return true;
        for (HWND window : TopLevelWindows(FProcessId, FormClass))
          if (WindowText(window) == FormCaption) {
            FWindow = window;
            return true;
          }
        return false;
      },
      timeoutMs);
  if (!FWindow) {
    FLastError = found ? L"the program ended before its window showed, exit code " +
                             std::to_wstring(ExitCode())
                       : L"no window within the time";
    return false;
  }
  ::WaitForInputIdle(FProcess, 5000);
  return true;
}

UINT TQuilloraProcess::Dpi() const { return FStartDpi ? FStartDpi : WindowDpi(FWindow); }

bool TQuilloraProcess::IsRunning() const {
  return FProcess && ::WaitForSingleObject(FProcess, 0) == WAIT_TIMEOUT;
}

bool TQuilloraProcess::WaitForExit(DWORD timeoutMs) {
  return FProcess && ::WaitForSingleObject(FProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD TQuilloraProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (FProcess) ::GetExitCodeProcess(FProcess, &code);
  return code;
}

void TQuilloraProcess::Terminate() {
  if (!FProcess) return;
  ::TerminateProcess(FProcess, 1);
  ::WaitForSingleObject(FProcess, 10000);
}

std::vector<HWND> TQuilloraProcess::MessageBoxes() const {
  return FProcessId ? TopLevelWindows(FProcessId, BoxClass) : std::vector<HWND>{};
}

std::optional<TMessageBox> TQuilloraProcess::WaitForMessageBox(DWORD timeoutMs) {
  HWND box = nullptr;
  WaitUntil(
      [&] {
        for (HWND candidate : MessageBoxes())
          if (::GetDlgItem(candidate, 0xFFFF)) {
            box = candidate;
            return true;
          }
        return !IsRunning();
      },
      timeoutMs);
  if (!box) return std::nullopt;
  // Let the box paint before its icon is compared on screen.
  WaitUntil([&] { return !::GetUpdateRect(box, nullptr, FALSE); }, 2000);
  ::Sleep(200);
  return ReadMessageBox(box);
}

bool TQuilloraProcess::WaitForNoMessageBox(DWORD timeoutMs) {
  return WaitUntil([this] { return MessageBoxes().empty(); }, timeoutMs);
}

void TQuilloraProcess::RequestClose() {
  if (FWindow) ::PostMessageW(FWindow, WM_CLOSE, 0, 0);
}

// ---- screenshots ----

COLORREF TPixels::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return CLR_INVALID;
  size_t i = (static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)) * 3;
  return RGB(Rgb[i], Rgb[i + 1], Rgb[i + 2]);
}

std::optional<TPixels> CaptureScreen(const RECT& area) {
  HDC screen = ::GetDC(nullptr);
  if (!screen) return std::nullopt;
  auto pixels = ReadBitmap(screen, area.left, area.top, area.right - area.left, area.bottom - area.top);
  ::ReleaseDC(nullptr, screen);
  return pixels;
}

std::optional<TPixels> CaptureWindow(HWND window) {
  RECT client{};
  if (!::GetClientRect(window, &client)) return std::nullopt;
  ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return CaptureScreen(client);
}

bool SaveScreenshot(const std::wstring& pngPath, const RECT* area) {
  RECT screen{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0};
  screen.right = screen.left + ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  screen.bottom = screen.top + ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  RECT wanted = screen;
  if (area && !::IntersectRect(&wanted, area, &screen)) return false;
  auto pixels = CaptureScreen(wanted);
  if (!pixels) return false;
  std::vector<uint8_t> png = EncodePng(pixels->Width, pixels->Height, pixels->Rgb);
  if (png.empty()) return false;
  TFileHandle file(::CreateFileW(pngPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.Get(), png.data(), static_cast<DWORD>(png.size()), &written, nullptr) &&
         written == png.size();
}

bool SaveWindowScreenshot(HWND window, const std::wstring& pngPath) {
  RECT rect{};
  if (!::GetWindowRect(window, &rect)) return false;
  return SaveScreenshot(pngPath, &rect);
}

}  // namespace gui
