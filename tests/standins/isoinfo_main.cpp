// isoinfo.exe -d -i "image": prints the primary volume descriptor in the
// layout of the real program.
#include <cstdint>
#include <string>

#include "base/win32_handles.h"
#include "standin_common.h"

namespace {

constexpr DWORD SectorSize = 2048;

bool ReadSector(HANDLE file, std::uint32_t sector, std::string& data) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(sector) * SectorSize;
  data.assign(SectorSize, '\0');
  DWORD read = 0;
  return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
         ::ReadFile(file, data.data(), SectorSize, &read, nullptr) && read == SectorSize;
}

std::uint32_t Little(const std::string& data, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value * 256 + static_cast<unsigned char>(data[at + i]);
  return value;
}

// A blank-padded text field without its padding.
std::string Field(const std::string& data, std::size_t at, std::size_t size) {
  std::string text = data.substr(at, size);
  const auto last = text.find_last_not_of(' ');
  return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

// The level of the first Joliet supplementary descriptor, 0 if none.
int JolietLevel(HANDLE file) {
  std::string data;
  for (std::uint32_t sector = 17; sector < 16 + 64 && ReadSector(file, sector, data); ++sector) {
    if (data.compare(1, 5, "CD001") != 0 || static_cast<unsigned char>(data[0]) == 255) break;
    if (data[0] != 2 || data[88] != '%' || data[89] != '/') continue;
    if (data[90] == '@') return 1;
    if (data[90] == 'C') return 2;
    if (data[90] == 'E') return 3;
  }
  return 0;
}

// The Rock Ridge version named by the root's "." entry, 0 if none.
int RockRidgeVersion(HANDLE file, const std::string& primary) {
  std::string data;
  if (!ReadSector(file, Little(primary, 156 + 2, 4), data)) return 0;
  const std::size_t length = static_cast<unsigned char>(data[0]);
  const std::size_t nameLength = static_cast<unsigned char>(data[32]);
  std::size_t at = 33 + nameLength + (nameLength % 2 == 0 ? 1 : 0);
  bool sharing = false;
  int version = 0;
  while (length <= data.size() && at + 4 <= length) {
    const std::string signature = data.substr(at, 2);
    const std::size_t entryLength = static_cast<unsigned char>(data[at + 2]);
    if (entryLength < 4 || at + entryLength > length) break;
    if (signature == "SP" && entryLength >= 7 && static_cast<unsigned char>(data[at + 4]) == 0xBE &&
        static_cast<unsigned char>(data[at + 5]) == 0xEF)
      sharing = true;
    if (signature == "RR" && version == 0) version = 1;
    if (signature == "ER" && entryLength >= 8) version = static_cast<unsigned char>(data[at + 7]);
    at += entryLength;
  }
  return sharing ? version : 0;
}

int Work(int argc, wchar_t** argv) {
  if (argc != 4 || std::wstring(argv[1]) != L"-d" || std::wstring(argv[2]) != L"-i") {
    standin::PrintErr("Usage: isoinfo -d -i image\n");
    return 1;
  }
  const std::wstring path = argv[3];
  const TFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    standin::PrintErr("isoinfo: Unable to open " + standin::Narrow(path) + "\n");
    return 2;
  }
  std::string pvd;
  if (!ReadSector(file.Get(), 16, pvd) || pvd[0] != 1 || pvd.compare(1, 5, "CD001") != 0) {
    standin::PrintOut("CD-ROM is NOT in ISO 9660 format\n");
    return 1;
  }
  std::string text = "CD-ROM is in ISO 9660 format\n";
  text += "System id: " + Field(pvd, 8, 32) + "\n";
  text += "Volume id: " + Field(pvd, 40, 32) + "\n";
  text += "Volume set id: " + Field(pvd, 190, 128) + "\n";
  text += "Publisher id: " + Field(pvd, 318, 128) + "\n";
  text += "Data preparer id: " + Field(pvd, 446, 128) + "\n";
  text += "Application id: " + Field(pvd, 574, 128) + "\n";
  text += "Copyright File id: " + Field(pvd, 702, 37) + "\n";
  text += "Abstract File id: " + Field(pvd, 739, 37) + "\n";
  text += "Bibliographic File id: " + Field(pvd, 776, 37) + "\n";
  text += "Volume set size is: " + std::to_string(Little(pvd, 120, 2)) + "\n";
  text += "Volume set sequence number is: " + std::to_string(Little(pvd, 124, 2)) + "\n";
  text += "Logical block size is: " + std::to_string(Little(pvd, 128, 2)) + "\n";
  text += "Volume size is: " + std::to_string(Little(pvd, 80, 4)) + "\n";
  const int joliet = JolietLevel(file.Get());
  text += joliet ? "Joliet with UCS level " + std::to_string(joliet) + " found\n" : "NO Joliet present\n";
  const int rockRidge = RockRidgeVersion(file.Get(), pvd);
  text += rockRidge ? "Rock Ridge signatures version " + std::to_string(rockRidge) + " found\n"
                    : "NO Rock Ridge present\n";
  standin::PrintOut(text);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return standin::StandInMain(L"isoinfo", argc, argv, Work); }
