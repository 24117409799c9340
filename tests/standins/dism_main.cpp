// dism.exe /Split-Image /ImageFile:"WIM" /SWMFile:"...\NAME.swm" /FileSize:MB:
// writes NAME.swm with the first MB megabytes of WIM, NAME2.swm the next, ...
#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "base/win32_handles.h"
#include "standin_common.h"

namespace {

constexpr int BadArguments = 87;  // DISM's answer to a parameter it does not take
constexpr int Refused = 5;

// The text after `option` when `argument` starts with it.
bool OptionValue(const std::wstring& argument, const std::wstring& option, std::wstring& value) {
  if (argument.size() <= option.size() || !standin::SameText(argument.substr(0, option.size()), option)) return false;
  value = argument.substr(option.size());
  return true;
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
  return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

// The image the program splits, and its parts, must lie in the temp folder,
// where its work folder is.
bool InTempFolder(const std::wstring& path) {
  wchar_t temp[MAX_PATH] = {};
  const DWORD n = ::GetTempPathW(MAX_PATH, temp);
  const std::wstring folder(temp, n);
  return n > 0 && path.size() > folder.size() && standin::SameText(path.substr(0, folder.size()), folder);
}

bool WriteAll(HANDLE file, const char* data, DWORD size) {
  DWORD written = 0;
  return ::WriteFile(file, data, size, &written, nullptr) && written == size;
}

int Work(int argc, wchar_t** argv) {
  std::wstring image, parts, sizeText;
  if (argc != 5 || !standin::SameText(argv[1], L"/Split-Image") || !OptionValue(argv[2], L"/ImageFile:", image) ||
      !OptionValue(argv[3], L"/SWMFile:", parts) || !OptionValue(argv[4], L"/FileSize:", sizeText)) {
    standin::PrintErr("Error: 87\r\nExpected: dism /Split-Image /ImageFile:WIM /SWMFile:...\\NAME.swm /FileSize:MB\r\n");
    return BadArguments;
  }
  const unsigned long megabytes = std::wcstoul(sizeText.c_str(), nullptr, 10);
  image = FullPath(image);
  parts = FullPath(parts);
  const std::wstring stem = parts.size() > 4 ? parts.substr(0, parts.size() - 4) : std::wstring();
  if (megabytes == 0 || megabytes > 1000000 || !InTempFolder(image) || stem.empty() ||
      !standin::SameText(parts.substr(stem.size()), L".swm") || !InTempFolder(parts)) {
    standin::PrintErr("Error: 5\r\nRefused: the image and the parts must lie in the temp folder.\r\n");
    return Refused;
  }
  const TFileHandle in(::CreateFileW(image.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!in) {
    standin::PrintErr("Error: 2\r\nThe system cannot find the file specified.\r\n");
    return 2;
  }
  standin::PrintOut("Deployment Image Servicing and Management tool\r\n\r\nSplitting image\r\n");
  const unsigned long long partSize = megabytes * 1048576ull;
  std::vector<char> buffer(1 << 22);
  TFileHandle out;
  int number = 0;
  unsigned long long left = 0;  // room left in the open part
  const auto nextPart = [&] {
    ++number;
    const std::wstring name = number == 1 ? parts : stem + std::to_wstring(number) + L".swm";
    out = TFileHandle(::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    left = partSize;
    if (!out) standin::PrintErr("Error: cannot create " + standin::Narrow(name) + "\r\n");
    return static_cast<bool>(out);
  };
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(in.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return 1;
    if (read == 0) break;
    for (DWORD done = 0; done < read;) {
      if (left == 0 && !nextPart()) return 1;
      const DWORD chunk = static_cast<DWORD>(std::min<unsigned long long>(read - done, left));
      if (!WriteAll(out.Get(), buffer.data() + done, chunk)) {
        standin::PrintErr("Error: cannot write a part\r\n");
        return 1;
      }
      done += chunk;
      left -= chunk;
    }
  }
  if (number == 0 && !nextPart()) return 1;  // an empty image still gives its first part
  standin::PrintOut("The operation completed successfully.\r\n");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return standin::StandInMain(L"dism", argc, argv, Work); }
