// diskpart.exe /S "script": accepts only the eight-line script that makes a
// bootable drive (its partition of a given size or the whole drive), then
// formats that drive; or the script for a disk without a letter, whose
// assign gives the disk the letter the test's bus file names for it.
#include <string>
#include <vector>

#include "standin_common.h"

namespace {

bool IsFileSystem(const std::string& name) {
  return name == "fat32" || name == "ntfs" || name == "exfat" || name == "fat";
}

// The partition size of line 3 in megabytes; 0 for the whole drive.
struct TScript {
  char Letter = 0;    // of a volume script
  std::string Disk;   // of a disk script, its number
  std::string FileSystem;
  unsigned long long SizeMb = 0;
};

// Checks the script's bytes and reads what it asks for.
bool CheckScript(const std::string& bytes, TScript& script, std::string& error) {
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 || bytes.compare(0, 2, "\xFF\xFE") == 0) {
    error = "The script starts with a byte-order mark.";
    return false;
  }
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      error = "The script's last line does not end in CR LF.";
      return false;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  if (lines.size() != 8 && lines.size() != 7) {
    error = "The script has " + std::to_string(lines.size()) + " lines, not 8.";
    return false;
  }
  const std::string& first = lines[0];
  const std::string byDisk = "select disk ";
  if (first.rfind(byDisk, 0) == 0) {
    const std::string number = first.substr(byDisk.size());
    const bool active = lines.size() == 8;
    const std::string& format = lines[active ? 5 : 4];
    const std::string diskFs = format.size() > 16 ? format.substr(10, format.size() - 16) : std::string();
    const std::string& create = lines[2];
    std::vector<std::string> expected = {first, "clean", create, "select partition 1"};
    if (active) expected.push_back("active");
    expected.insert(expected.end(), {"format fs=" + diskFs + " quick", "assign", "exit"});
    const bool created = create == "create partition primary" || create == "create partition primary size=32000";
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i] != expected[i] || number.empty() || number.find_first_not_of("0123456789") != std::string::npos ||
          !IsFileSystem(diskFs) || !created) {
        error = "Script line " + std::to_string(i + 1) + " is wrong: " + lines[i];
        return false;
      }
    }
    script.Disk = number;
    script.FileSystem = diskFs;
    return true;
  }
  if (lines.size() != 8) {
    error = "The script has " + std::to_string(lines.size()) + " lines, not 8.";
    return false;
  }
  const char letter = first.size() == 16 ? first[14] : '\0';
  const std::string fs =
      lines[5].size() > 16 ? lines[5].substr(10, lines[5].size() - 16) : std::string();
  const std::string sized = "create partition primary size=";
  std::string create = "create partition primary";
  if (lines[2].rfind(sized, 0) == 0 && lines[2].size() > sized.size() && lines[2].size() < sized.size() + 8 &&
      lines[2].find_first_not_of("0123456789", sized.size()) == std::string::npos &&
      lines[2][sized.size()] != '0') {
    create = lines[2];
    script.SizeMb = std::stoull(lines[2].substr(sized.size()));
  }
  const std::string expected[8] = {
      std::string("select volume ") + letter + ":", "clean", create,
      "select partition 1", "active", "format fs=" + fs + " quick", std::string("assign letter=") + letter,
      "exit"};
  for (int i = 0; i < 8; ++i) {
    if (lines[i] != expected[i] || letter < 'A' || letter > 'Z' || !IsFileSystem(fs)) {
      error = "Script line " + std::to_string(i + 1) + " is wrong: " + lines[i];
      return false;
    }
  }
  script.Letter = letter;
  script.FileSystem = fs;
  return true;
}

// The bus file's line "- ... disk=N ... assign=X" becomes "X: ..." without
// the assign word: the disk now shows under that letter. 0 when the file
// names no letter for the disk.
char AssignLetter(const std::string& disk) {
  const std::string busFile = standin::ReadControl(L"diskpart").BusFile;
  std::string bytes;
  if (busFile.empty() || !standin::ReadWholeFile(std::wstring(busFile.begin(), busFile.end()), bytes)) return 0;
  std::string rewritten;
  char letter = 0;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find('\n', start);
    end = end == std::string::npos ? bytes.size() : end + 1;
    std::string line = bytes.substr(start, end - start);
    start = end;
    const std::size_t assign = line.find(" assign=");
    if (!letter && line.rfind("- ", 0) == 0 && (line + " ").find(" disk=" + disk + " ") != std::string::npos &&
        assign != std::string::npos && assign + 9 <= line.size()) {
      letter = static_cast<char>(line[assign + 8] & ~0x20);
      line = std::string(1, letter) + ":" + line.substr(1, assign - 1) + line.substr(assign + 9);
    }
    rewritten += line;
  }
  if (letter) standin::WriteWholeFile(std::wstring(busFile.begin(), busFile.end()), rewritten);
  return letter;
}

int Work(int argc, wchar_t** argv) {
  if (argc != 3 || !standin::SameText(argv[1], L"/S")) {
    standin::PrintErr("Usage: diskpart /S script\r\n");
    return 1;
  }
  std::string script;
  // As a careful reader opens it: nobody may write while it reads.
  if (!standin::ReadWholeFile(argv[2], script, FILE_SHARE_READ)) {
    standin::PrintErr("The script file cannot be read: " + standin::Narrow(argv[2]) + "\r\n");
    return 1;
  }
  standin::WriteWholeFile(standin::StandInDir() + L"\\diskpart-script.txt", script);
  TScript asked;
  std::string error;
  if (!CheckScript(script, asked, error)) {
    standin::PrintErr("DiskPart has encountered an error: " + error + "\r\n");
    return 1;
  }
  // Windows formats the new volume whether or not a letter comes of it.
  if (!asked.Disk.empty()) asked.Letter = AssignLetter(asked.Disk);
  if (asked.Letter && !standin::FormatDrive(std::wstring{static_cast<wchar_t>(asked.Letter), L':'}, error)) {
    standin::PrintErr("DiskPart has encountered an error: " + error + "\r\n");
    return 2;
  }
  standin::PrintOut("DiskPart successfully cleaned the disk.\r\n"
                    "DiskPart succeeded in creating the specified partition.\r\n"
                    "DiskPart marked the current partition as active.\r\n"
                    "DiskPart successfully formatted the volume.\r\n"
                    "DiskPart successfully assigned the drive letter or mount point.\r\n");
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return standin::StandInMain(L"diskpart", argc, argv, Work); }
