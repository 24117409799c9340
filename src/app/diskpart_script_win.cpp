#include "app/diskpart_script.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "base/failure.h"
#include "base/system_error.h"
#include "base/text_convert.h"
#include "base/win32_handles.h"
#include "drives/host_checks.h"
#include "stages/stage_text.h"

namespace {

[[noreturn]] void RaiseFileFailure(const wchar_t* what, const std::wstring& path, DWORD code) {
  throw EFailure(std::wstring(what) + L" \"" + path + L"\". " + SystemErrorText(code));
}

void SaveAnsiFile(const std::wstring& path, const std::wstring& text) {
  const std::optional<std::string> ansi = WideToCodePage(CP_ACP, text);
  if (!ansi)
    throw EFailure(L"Cannot convert the script to the system's code page. " + SystemErrorText(::GetLastError()));
  const std::string& bytes = *ansi;
  TFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
  if (!file) RaiseFileFailure(L"Cannot create file", path, ::GetLastError());
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!::WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0)
      RaiseFileFailure(L"Cannot write file", path, ::GetLastError());
    done += written;
  }
}

}  // namespace

TDiskPartScript::~TDiskPartScript() {
  if (FSaved && !FFile.empty() && FileExists(FFile)) ::DeleteFileW(FFile.c_str());
}

void TDiskPartScript::Save(const std::wstring& script) {
  FLines = SplitLines(script);
  SaveAnsiFile(FFile, ScriptFileText(FLines));
  FSaved = true;
}
