// The image stage of a burn (progress bar, message processing and all) against
// a bare ExtractToFolder of the same image with the same 7z.dll onto the same
// drive Q:.
//   bench_burn [image.iso]
// Without an image (under Wine) it writes about 1.1 GiB of files and has the
// host's genisoimage make the image.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/usb_form.h"
#include "sevenzip/sevenzip.h"

namespace {

const uint64_t TreeMiB = 1100;

std::wstring BuildDir() {
  wchar_t path[MAX_PATH] = {};
  std::wstring exe(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
  exe.resize(exe.find_last_of(L'\\'));  // <build>\bin
  return exe.substr(0, exe.find_last_of(L'\\'));
}

void Fail(const char* what) {
  std::fprintf(stderr, "bench_burn: %s\n", what);
  std::exit(1);
}

// Incompressible bytes, quickly.
void WriteRandomFile(const std::wstring& path, uint64_t size, uint64_t& seed) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("cannot write the tree");
  std::vector<uint64_t> block(1 << 17);
  while (size > 0) {
    for (uint64_t& word : block) {
      seed ^= seed << 13;
      seed ^= seed >> 7;
      seed ^= seed << 17;
      word = seed;
    }
    const DWORD n = static_cast<DWORD>(std::min<uint64_t>(size, block.size() * sizeof(uint64_t)));
    DWORD written = 0;
    if (!::WriteFile(file, block.data(), n, &written, nullptr) || written != n) Fail("cannot write the tree");
    size -= n;
  }
  ::CloseHandle(file);
}

// A quarter in 256 KiB files in nested folders (many progress reports and
// file creations), the rest in 100 MiB files.
void MakeTree(const std::wstring& root) {
  uint64_t seed = 0x9E3779B97F4A7C15ull;
  ::CreateDirectoryW(root.c_str(), nullptr);
  ::CreateDirectoryW((root + L"\\small").c_str(), nullptr);
  const uint64_t smallFiles = TreeMiB;  // 4 per MiB of a quarter
  for (uint64_t i = 0; i < smallFiles; ++i) {
    const std::wstring dir = root + L"\\small\\d" + std::to_wstring(i / 100);
    ::CreateDirectoryW(dir.c_str(), nullptr);
    WriteRandomFile(dir + L"\\f" + std::to_wstring(i) + L".bin", 256 * 1024, seed);
  }
  ::CreateDirectoryW((root + L"\\large").c_str(), nullptr);
  for (uint64_t left = TreeMiB - TreeMiB / 4, i = 0; left > 0; ++i) {
    const uint64_t mib = std::min<uint64_t>(left, 100);
    WriteRandomFile(root + L"\\large\\part" + std::to_wstring(i) + L".bin", mib << 20, seed);
    left -= mib;
  }
}

std::wstring UnixPath(const std::wstring& path) {  // Z:\x\y -> /x/y
  std::wstring out = path.substr(2);
  std::replace(out.begin(), out.end(), L'\\', L'/');
  return out;
}

// Has the host's genisoimage make the image: start.exe /unix does not wait
// for a host program, so the script leaves a status file when it ends.
bool MakeImageOnHost(const std::wstring& tree, const std::wstring& image) {
  const std::wstring script = image + L".sh", status = image + L".status";
  ::DeleteFileW(status.c_str());
  const std::wstring text = L"genisoimage -quiet -J -r -o '" + UnixPath(image) + L".tmp' '" + UnixPath(tree) +
                            L"' && mv '" + UnixPath(image) + L".tmp' '" + UnixPath(image) + L"'\necho $? > '" +
                            UnixPath(status) + L"'\n";
  HANDLE file = ::CreateFileW(script.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const std::string bytes(text.begin(), text.end());
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
  std::wstring command = L"start.exe /unix /bin/sh " + UnixPath(script);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info))
    return false;
  ::CloseHandle(info.hThread);
  ::CloseHandle(info.hProcess);
  for (int i = 0; i < 6000 && ::GetFileAttributesW(status.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) ::Sleep(100);
  ::DeleteFileW(script.c_str());
  ::DeleteFileW(status.c_str());
  return ::GetFileAttributesW(image.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path + L"\\" + name);
        ::RemoveDirectoryW((path + L"\\" + name).c_str());
      } else {
        ::DeleteFileW((path + L"\\" + name).c_str());
      }
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
  }
}

double Now() {
  LARGE_INTEGER frequency{}, counter{};
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring image = argc > 1 ? argv[1] : L"";
  const std::wstring work = BuildDir() + L"\\bench-burn";
  if (image.empty()) {
    ::CreateDirectoryW(work.c_str(), nullptr);
    image = work + L"\\image.iso";
    if (::GetFileAttributesW(image.c_str()) == INVALID_FILE_ATTRIBUTES) {
      MakeTree(work + L"\\tree");
      const bool made = MakeImageOnHost(work + L"\\tree", image);
      RemoveTree(work + L"\\tree");
      ::RemoveDirectoryW((work + L"\\tree").c_str());
      if (!made) Fail("genisoimage failed (run under Wine, or pass an image)");
    }
  }

  TUSBForm form;
  form.Create(::GetModuleHandleW(nullptr), true);
  form.MessageBoxHook = [](const std::wstring& text, const std::wstring&, UINT) {
    std::fprintf(stderr, "bench_burn: box: %ls\n", text.c_str());
    return IDOK;
  };
  ::SendMessageW(form.DriveComboBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Q:"));
  ::SendMessageW(form.DriveComboBox, CB_SETCURSEL, ::SendMessageW(form.DriveComboBox, CB_GETCOUNT, 0, 0) - 1, 0);
  form.SetControlText(form.ISOFileEdit, image);

  // Alternating, best of five each: the disk's own pace varies more than
  // the difference looked for.
  double bestStage = 1e9, bestBare = 1e9;
  for (int round = 0; round < 5; ++round) {
    RemoveTree(L"Q:");
    double start = Now();
    if (!form.RunStage(BurnImage)) Fail("the image stage failed");
    bestStage = std::min(bestStage, Now() - start);

    RemoveTree(L"Q:");
    start = Now();
    try {
      TComPtr<I7zInArchive> archive = MakeInArchive(IsoFormatClassID);
      archive->OpenArchiveFile(image);
      archive->ExtractToFolder(L"Q:");
    } catch (const EFailure& failure) {
      std::fprintf(stderr, "bench_burn: %s\n", failure.what());
      return 1;
    }
    bestBare = std::min(bestBare, Now() - start);
  }
  RemoveTree(L"Q:");
  form.Destroy();
  std::printf("burn image stage %.2f s, bare ExtractToFolder %.2f s (best of 5, %ls)\n", bestStage, bestBare,
              image.c_str());
  std::printf("bench burn-overhead: %.3f x (goal 1.05)\n", bestStage / bestBare);
  return 0;
}
