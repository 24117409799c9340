// The stand-in tools run as the stages run them: through the tool runner,
// on real images made by genisoimage and on the test drive Q:.
#include <gtest/gtest.h>

#include <string>

#include "stages/tool_runner.h"
#include "standins/standin_fixture.h"

namespace {

using standin::ToolPath;

struct TRun {
  bool Started = false;
  DWORD ExitCode = 0;
  std::wstring Output;
};

TRun RunTool(const std::wstring& commandLine, int stage = 0) {
  TToolRunner runner;
  TRun run;
  run.Started = runner.RunToolCommand(commandLine, stage, run.Output) == TToolRunner::TToolOutcome::Ended;
  run.ExitCode = runner.ExitCode;
  return run;
}

std::wstring DataDir() { return standin::BuildDir() + L"\\standin-data"; }

// Empties Q:, then puts a file, a read-only file and a folder with a file there.
// Q: is shared with the next tests: no read-only file may stay there.
void EmptyDriveQ() {
  std::string error;
  ASSERT_TRUE(standin::EmptyDrive(L"Q:", error)) << error;
}

void FillDriveQ() {
  EmptyDriveQ();
  ::CreateDirectoryW(L"Q:\\sub", nullptr);
  standin::WriteWholeFile(L"Q:\\a.txt", "a");
  standin::WriteWholeFile(L"Q:\\sub\\b.txt", "b");
  standin::WriteWholeFile(L"Q:\\ro.txt", "r");
  ::SetFileAttributesW(L"Q:\\ro.txt", FILE_ATTRIBUTE_READONLY);
}

int EntriesOnDriveQ() {
  int count = 0;
  WIN32_FIND_DATAW found{};
  const HANDLE find = ::FindFirstFileW(L"Q:\\*", &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    const std::wstring name = found.cFileName;
    // Wine's own .windows-* files, and the system's hidden, system folder
    // that a format leaves, do not count.
    const DWORD own = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (name != L"." && name != L".." && name[0] != L'.' && (found.dwFileAttributes & own) != own) ++count;
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
  return count;
}

TEST(StandIns, IsoInfoPrintsWhatTheRealProgramPrints) {
  standin::TStandInScope scope(L"standin-isoinfo");
  for (const wchar_t* image : {L"joliet", L"plain", L"udf"}) {
    std::string real;
    ASSERT_TRUE(standin::ReadWholeFile(DataDir() + L"\\" + image + L".txt", real)) << "run standins_images";
    const TRun run = RunTool(ToolPath(L"isoinfo.exe") + L" -d -i \"" + DataDir() + L"\\" + image + L".iso\"");
    ASSERT_TRUE(run.Started);
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_EQ(run.Output, standin::Widen(real)) << image;
  }
  const TRun zeros = RunTool(ToolPath(L"isoinfo.exe") + L" -d -i \"" + DataDir() + L"\\zeros.bin\"");
  EXPECT_EQ(zeros.ExitCode, 1u);
  EXPECT_EQ(zeros.Output, L"CD-ROM is NOT in ISO 9660 format\n");
  EXPECT_EQ(RunTool(ToolPath(L"isoinfo.exe") + L" -d -i \"" + DataDir() + L"\\none.iso\"").ExitCode, 2u);
  EXPECT_NE(RunTool(ToolPath(L"isoinfo.exe") + L" -i \"" + DataDir() + L"\\plain.iso\"").ExitCode, 0u);
}

TEST(StandIns, FormatAndDiskpartEmptyTheDrive) {
  standin::TStandInScope scope(L"standin-format");
  FillDriveQ();
  const TRun format = RunTool(ToolPath(L"format.com") + L" Q: /FS:EXFAT /Q /Y", 1);
  EXPECT_EQ(format.ExitCode, 0u);
  EXPECT_EQ(EntriesOnDriveQ(), 0);
  for (const wchar_t* bad : {L" Q: /FS:XFS /Q /Y", L" Q:\\ /FS:NTFS /Q /Y", L" Q: /FS:NTFS /Q"})
    EXPECT_EQ(RunTool(ToolPath(L"format.com") + bad).ExitCode, 1u) << bad;

  const std::wstring script = scope.Dir() + L"\\temp.dat";
  const std::wstring diskpart = ToolPath(L"diskpart.exe") + L" /S \"" + script + L"\"";
  const std::string good =
      "select volume Q:\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\n"
      "format fs=fat32 quick\r\nassign letter=Q\r\nexit\r\n";
  const std::string wrong[] = {
      "\xEF\xBB\xBF" + good,
      "select volume Q:\nclean\ncreate partition primary\nselect partition 1\nactive\n"
      "format fs=fat32 quick\nassign letter=Q\nexit\n",
      good.substr(0, good.size() - 6),
      "select volume Q:\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\n"
      "format fs=FAT32 quick\r\nassign letter=Q\r\nexit\r\n",
      "select volume Q:\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\n"
      "format fs=ntfs quick\r\nassign letter=R\r\nexit\r\n",
  };
  FillDriveQ();
  for (const std::string& text : wrong) {
    standin::WriteWholeFile(script, text);
    const TRun run = RunTool(diskpart);
    EXPECT_EQ(run.ExitCode, 1u) << text;
    EXPECT_EQ(EntriesOnDriveQ(), 3) << text;
  }
  standin::WriteWholeFile(script, good);
  EXPECT_EQ(RunTool(diskpart).ExitCode, 0u);
  EXPECT_EQ(EntriesOnDriveQ(), 0);

  // A drive holding the tests' own files is never emptied.
  FillDriveQ();
  ::CreateDirectoryW(L"Q:\\standin", nullptr);
  ::SetEnvironmentVariableW(L"QUILLORA_STANDIN_DIR", L"Q:\\standin");
  const TRun refused = RunTool(ToolPath(L"format.com") + L" Q: /FS:NTFS /Q /Y", 1);
  ::SetEnvironmentVariableW(L"QUILLORA_STANDIN_DIR", scope.Dir().c_str());
  EXPECT_EQ(refused.ExitCode, 4u);
  EXPECT_EQ(EntriesOnDriveQ(), 4);
  EXPECT_EQ(scope.Log().size(), 10u);
  EmptyDriveQ();
}

TEST(StandIns, LabelAndBootSectorTools) {
  standin::TStandInScope scope(L"standin-label");
  EXPECT_EQ(RunTool(L"\"" + standin::BinDir() + L"\\label\" Q: MY  DISK").ExitCode, 0u);
  std::string label;
  EXPECT_TRUE(standin::ReadWholeFile(scope.Dir() + L"\\label-Q.txt", label));
  EXPECT_EQ(label, "MY DISK");
  EXPECT_EQ(RunTool(ToolPath(L"label.exe") + L" Q:").ExitCode, 1u);

  EXPECT_EQ(RunTool(ToolPath(L"bootsect_x64.exe") + L" /nt60 Q:", 6).ExitCode, 0u);
  EXPECT_EQ(RunTool(ToolPath(L"bootsect_x86.exe") + L" /nt52 Q:", 5).ExitCode, 0u);
  EXPECT_EQ(RunTool(ToolPath(L"bootsect_x86.exe") + L" /nt61 Q:", 5).ExitCode, 1u);
  scope.Control(L"bootsect_x64", "refuse=1\n");
  const TRun refused = RunTool(ToolPath(L"bootsect_x64.exe") + L" /nt60 Q:", 6);
  EXPECT_EQ(refused.ExitCode, 1u);
  EXPECT_EQ(refused.Output.substr(0, 36), L"This tool can only be run on systems");

  const auto log = scope.Log();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[0], L"label|\"" + standin::BinDir() + L"\\label\" Q: MY  DISK");
  EXPECT_EQ(log[5], L"bootsect_x64|" + ToolPath(L"bootsect_x64.exe") + L" /nt60 Q:");
}

TEST(StandIns, ControlFileScriptsTheTool) {
  standin::TStandInScope scope(L"standin-control");
  FillDriveQ();
  scope.Control(L"format", "output=first\noutput_hex=4142\nbytes=3\nexit=5\n");
  const TRun scripted = RunTool(ToolPath(L"format.com") + L" Q: /FS:NTFS /Q /Y", 0);
  EXPECT_EQ(scripted.ExitCode, 5u);
  EXPECT_EQ(scripted.Output, L"first\r\nABabc");
  EXPECT_EQ(EntriesOnDriveQ(), 3);  // the format itself did not run
  scope.Control(L"format", "exit=x\n");
  EXPECT_EQ(RunTool(ToolPath(L"format.com") + L" Q: /FS:NTFS /Q /Y").ExitCode, 99u);
  scope.Control(L"format", "colour=red\n");
  EXPECT_EQ(RunTool(ToolPath(L"format.com") + L" Q: /FS:NTFS /Q /Y").ExitCode, 99u);
  EXPECT_EQ(EntriesOnDriveQ(), 3);

  // Without the variable a tool logs beside itself and just works.
  ::SetEnvironmentVariableW(L"QUILLORA_STANDIN_DIR", nullptr);
  const std::wstring command = ToolPath(L"bootsect_x86.exe") + L" /nt52 Q:";
  EXPECT_EQ(RunTool(command, 5).ExitCode, 0u);
  std::string log;
  ASSERT_TRUE(standin::ReadWholeFile(standin::BinDir() + L"\\log.txt", log));
  const std::wstring last = L"bootsect_x86|" + command + L"\r\n";
  const std::wstring text = standin::Widen(log);
  EXPECT_EQ(text.substr(text.size() - last.size()), last);
  EmptyDriveQ();
}

}  // namespace
