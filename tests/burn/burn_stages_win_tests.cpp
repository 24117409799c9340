// The stages of a burn under Wine, run by the job through a recording view:
// real child processes (the stand-in tools in <build>\bin) and real files.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "burn/burn_job.h"
#include "burn/burn_test_support.h"
#include "burn/recording_view.h"
#include "base/failure.h"
#include "drives/host_checks.h"
#include "prefix_state_win.h"
#include "standins/standin_fixture.h"

namespace {

std::string FileBytes(const std::wstring& path) {
  std::string bytes;
  standin::ReadWholeFile(path, bytes);
  return bytes;
}

std::wstring DiskPartScript(const std::wstring& fileSystem) {
  return L"select volume Q:\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\nformat fs=" +
         fileSystem + L" quick\r\nassign letter=Q\r\nexit";
}

class BurnStages : public ::testing::Test {
protected:
  prefixstate::TDriveQScope DriveQ;
  prefixstate::TSystemToolsScope SystemTools;
  void SetUp() override {
    Choice.Drive.Letter = L'Q';
    Choice.FileSystem = TFileSystem::Fat32;
    Choice.Files = FindSupportFiles();
    View.Answer = [this](const TRecordedBox&) {
      if (ThrowInBox) throw EFailure(L"Raised inside");
      return IDOK;
    };
  }

  // Runs the stage from a clean slate; every way out leaves no child and no pipe.
  bool Run(StageId stage) {
    View.Boxes.clear();
    View.Statuses = {L"before"};
    ::DeleteFileW((Standins.Dir() + L"\\log.txt").c_str());
    TBurnJob job(View, Choice);
    bool result = false;
    try {
      result = job.RunStage(stage);
    } catch (...) {
      EXPECT_TRUE(job.Idle());
      throw;
    }
    EXPECT_TRUE(job.Idle());
    return result;
  }
  void Expect(bool result, bool expected, const std::wstring& status, const std::vector<TRecordedBox>& boxes) {
    EXPECT_EQ(result, expected);
    EXPECT_EQ(View.Status(), status);
    EXPECT_EQ(View.Boxes, boxes);
  }
  std::wstring BootSectTool() const {
    const std::wstring& path = Choice.Files.BootSectPath;
    return path.substr(path.rfind(L'\\') + 1, path.size() - path.rfind(L'\\') - 5);
  }

  standin::TStandInScope Standins{L"stages"};
  TRecordingView View;
  TBurnChoice Choice;
  bool ThrowInBox = false;
  const std::wstring Missing = standin::BuildDir() + L"\\no-such-folder\\";
};

TEST_F(BurnStages, FormatDrive) {
  Choice.FileSystem = TFileSystem::ExFat;
  standin::WriteWholeFile(L"Q:\\old.txt", "old");
  Expect(Run(FormatDrive), true, L"Formatting is complete.", {});
  EXPECT_EQ(Standins.Log(), std::vector<std::wstring>{L"format|\"" + Choice.Files.FormatPath + L"\" Q: /FS:EXFAT /Q /Y"});
  EXPECT_EQ(::GetFileAttributesW(L"Q:\\old.txt"), INVALID_FILE_ATTRIBUTES);

  Standins.Control(L"format", "exit=4\n");
  Expect(Run(FormatDrive), false, L"Error.", {ErrorBox(L"Cannot format the USB disk.")});
  Choice.Files.FormatPath = Missing + L"format.com";
  Expect(Run(FormatDrive), false, L"Error.", {ErrorBox(L"Failed to format USB disk.")});
}

TEST_F(BurnStages, WriteLabel) {
  Choice.Label = L"MY DISK";
  Expect(Run(WriteLabel), true, L"Writing label is complete.", {});
  EXPECT_EQ(Standins.Log(), std::vector<std::wstring>{L"label|" + Choice.Files.LabelPath + L" Q: MY DISK"});
  EXPECT_EQ(FileBytes(Standins.Dir() + L"\\label-Q.txt"), "MY DISK");

  Standins.Control(L"label", "exit=1\n");
  Expect(Run(WriteLabel), false, L"Error.", {});
  Choice.Files.LabelPath = Missing + L"label";
  Expect(Run(WriteLabel), false, L"Error.", {});
}

TEST_F(BurnStages, CreateBootable) {
  const std::string fat32 =
      "select volume Q:\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\n"
      "format fs=fat32 quick\r\nassign letter=Q\r\nexit\r\n";
  const auto runScript = [&](const std::wstring& script) {
    ::DeleteFileW((Standins.Dir() + L"\\log.txt").c_str());
    TBurnJob job(View, Choice);
    return job.RunDiskPartScript(CreateBootable, script);
  };
  const auto diskPartRead = [&] { return FileBytes(Standins.Dir() + L"\\diskpart-script.txt"); };
  EXPECT_TRUE(runScript(DiskPartScript(L"fat32")));
  EXPECT_EQ(View.Status(), L"Creating a bootable USB disk is complete.");
  EXPECT_EQ(diskPartRead(), fat32);
  // A fresh file in the temp folder, gone once diskpart has ended.
  const std::vector<std::wstring> log = Standins.Log();
  const std::wstring head = L"diskpart|\"" + Choice.Files.DiskPartPath + L"\" /S \"";
  ASSERT_EQ(log.size(), 1u);
  ASSERT_EQ(log[0].rfind(head + GetTempDirectory() + L"temp", 0), 0u) << standin::Narrow(log[0]);
  const std::wstring script = log[0].substr(head.size(), log[0].size() - head.size() - 1);
  EXPECT_EQ(::GetFileAttributesW(script.c_str()), INVALID_FILE_ATTRIBUTES);

  std::string ntfs = fat32;
  ntfs.replace(ntfs.find("fat32"), 5, "ntfs");
  EXPECT_TRUE(runScript(DiskPartScript(L"ntfs")));
  EXPECT_EQ(diskPartRead(), ntfs);
  EXPECT_TRUE(View.Boxes.empty());

  Standins.Control(L"diskpart", "exit=1\n");
  EXPECT_FALSE(runScript(DiskPartScript(L"fat32")));
  EXPECT_EQ(View.Boxes, std::vector<TRecordedBox>{ErrorBox(L"Cannot create a bootable USB disk.")});

  Choice.Files.DiskPartPath = Missing + L"diskpart.exe";
  View.Boxes.clear();
  EXPECT_FALSE(runScript(DiskPartScript(L"fat32")));
  EXPECT_EQ(View.Status(), L"Error.");
  EXPECT_EQ(View.Boxes, (std::vector<TRecordedBox>{
                            ErrorBox(L"Failed to create a bootable USB disk.\r\n\r\nPlease try to run program as Administrator."),
                            {RecoveryGuideText, L"Information", MB_OK | MB_ICONINFORMATION}}));

  // A script that cannot be saved (no temp folder) stops everything before any program runs.
  Choice.Files = FindSupportFiles();
  wchar_t temp[MAX_PATH] = {};
  const std::wstring saved(temp, ::GetEnvironmentVariableW(L"TMP", temp, MAX_PATH));
  ::SetEnvironmentVariableW(L"TMP", Missing.c_str());
  View.Statuses = {L"before"};
  try {
    runScript(DiskPartScript(L"fat32"));
    ADD_FAILURE() << "no failure raised";
  } catch (const EFailure& failure) {
    EXPECT_EQ(failure.Message().rfind(L"Cannot create file \"" + Missing + L"temp.dat\". ", 0), 0u)
        << standin::Narrow(failure.Message());
  }
  ::SetEnvironmentVariableW(L"TMP", saved.empty() ? nullptr : saved.c_str());
  EXPECT_EQ(View.Status(), L"before");
  EXPECT_TRUE(Standins.Log().empty());
}

TEST_F(BurnStages, BootSect) {
  const std::wstring tool = BootSectTool();
  Expect(Run(BootSectNt60), true, L"Making USB disk bootable is complete.", {});
  EXPECT_EQ(Standins.Log(), std::vector<std::wstring>{tool + L"|\"" + Choice.Files.BootSectPath + L"\" /nt60 Q:"});
  Expect(Run(BootSectNt52), true, L"Making USB disk bootable is complete.", {});
  EXPECT_EQ(Standins.Log(), std::vector<std::wstring>{tool + L"|\"" + Choice.Files.BootSectPath + L"\" /nt52 Q:"});

  for (StageId stage : {BootSectNt52, BootSectNt60}) {
    Standins.Control(tool, "refuse=1\n");
    Expect(Run(stage), false, L"Error, bootable only for PC/AT BIOS.", {});
    Standins.Control(tool, "output=\nrefuse=1\n");  // after a blank line
    Expect(Run(stage), false, L"Error.", {});
    Standins.Control(tool, "exit=1\n");
    Expect(Run(stage), false, L"Error.", {});
  }
  Choice.Files.BootSectPath = Missing + L"bootsect_x86.exe";
  Expect(Run(BootSectNt60), false, L"Error.", {ErrorBox(L"Failed to make USB disk bootable.")});
}

TEST_F(BurnStages, OddCalls) {
  // A value outside the table shows nothing and runs nothing.
  Expect(Run(static_cast<StageId>(8)), false, L"before", {});
  EXPECT_TRUE(Standins.Log().empty());

  // Without a drive, the programs that act on a drive are not started.
  Choice.Drive.Letter = 0;
  Choice.Label = L"MY DISK";
  Expect(Run(WriteLabel), false, L"Error.", {});
  Expect(Run(FormatDrive), false, L"Error.", {ErrorBox(L"Failed to format USB disk.")});
  EXPECT_TRUE(Standins.Log().empty());

  // A failure raised inside a stage leaves through the end steps.
  Choice.Drive.Letter = L'Q';
  Standins.Control(L"format", "exit=1\n");
  ThrowInBox = true;
  EXPECT_THROW(Run(FormatDrive), EFailure);
  Expect(false, false, L"Error.", {ErrorBox(L"Cannot format the USB disk.")});
}

// A job with an install.wim copy set aside, as the image stage sets it.
class TWimJob : public TBurnJob {
public:
  using TBurnJob::TBurnJob;
  std::wstring SetWimAside() {
    FWimCopy.emplace(0);
    return FWimCopy->Folder.Path();
  }
  bool HasWimCopy() const { return FWimCopy.has_value(); }
};

TEST_F(BurnStages, SplitImage) {
  // A small install.wim in a work folder, split by the stand-in onto Q:.
  TWimJob job(View, Choice);
  const std::wstring work = job.SetWimAside();
  EXPECT_EQ(work.rfind(GetTempDirectory() + L"install_wim", 0), 0u) << standin::Narrow(work);
  const std::string wim(3 * 1048576 + 5, 'w');
  ASSERT_TRUE(standin::WriteWholeFile(work + L"\\install.wim", wim));
  ::CreateDirectoryW(L"Q:\\sources", nullptr);
  const auto run = [&] {
    View.Boxes.clear();
    ::DeleteFileW((Standins.Dir() + L"\\log.txt").c_str());
    return job.RunStage(SplitImage);
  };
  Expect(run(), true, L"Done.", {});
  EXPECT_EQ(Standins.Log(), std::vector<std::wstring>{L"dism|" + Choice.Files.DismPath + L" /Split-Image /ImageFile:\"" + work +
                                                     L"\\install.wim\" /SWMFile:\"" + work + L"\\install.swm\" /FileSize:3800"});
  EXPECT_EQ(FileBytes(work + L"\\install.swm"), wim);
  // The burn's split copies the parts onto the drive; the work folder stays
  // for the read back.
  TWimJob burn(View, Choice);
  const std::wstring burnWork = burn.SetWimAside();
  ASSERT_TRUE(standin::WriteWholeFile(burnWork + L"\\install.wim", wim));
  EXPECT_TRUE(burn.SplitInstallWim());
  EXPECT_EQ(FileBytes(L"Q:\\sources\\install.swm"), wim);
  EXPECT_EQ(FileBytes(burnWork + L"\\install.swm"), wim);
  ::DeleteFileW(L"Q:\\sources\\install.swm");
  ::RemoveDirectoryW(L"Q:\\sources");

  const TRecordedBox failed = ErrorBox(L"Failed to split install.wim.");
  Standins.Control(L"dism", "exit=2\n");
  Expect(run(), false, L"Error.", {failed});
  Choice.Files.DismPath = Missing + L"dism.exe";
  TWimJob withoutDism(View, Choice);
  withoutDism.SetWimAside();
  View.Boxes.clear();
  Expect(withoutDism.RunStage(SplitImage), false, L"Error.", {failed});

  // The burn's split removes the work folder, also when the split fails.
  EXPECT_FALSE(job.SplitInstallWim());
  EXPECT_FALSE(job.HasWimCopy());
  EXPECT_EQ(::GetFileAttributesW(work.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(job.SplitInstallWim());  // nothing set aside: nothing to split
}

// The session ends, or the user cancels, while dism splits: the window's
// thread gets the message while the tool runs, and the tool goes at once
// (the work folder too at the session's end); a cancel shows no failure.
TEST_F(BurnStages, SessionEndOrCancelWhileAToolRuns) {
  for (const bool cancel : {false, true}) {
    SCOPED_TRACE(cancel ? "cancel" : "session end");
    View.Boxes.clear();
    TWimJob job(View, Choice, View.Pump());
    const std::wstring work = job.SetWimAside();
    ASSERT_TRUE(standin::WriteWholeFile(work + L"\\install.wim", "wim"));
    ::DeleteFileW((Standins.Dir() + L"\\log.txt").c_str());
    Standins.Control(L"dism", "sleep_ms=60000\n");
    const DWORD windowThread = ::GetCurrentThreadId();
    std::thread session([&] {
      if (burntest::WaitUntil([&] { return !Standins.Log().empty(); }, 20000))
        ::PostThreadMessageW(windowThread, WM_APP, 0, 0);
    });
    bool running = false;
    View.OnProcessMessages = [&] {
      MSG message;
      if (!::PeekMessageW(&message, nullptr, WM_APP, WM_APP, PM_REMOVE)) return;
      running = !burntest::ProcessesNamed(L"dism.exe").empty();
      if (cancel)
        job.Cancel();
      else
        job.EndSession();
    };
    const ULONGLONG started = ::GetTickCount64();
    EXPECT_FALSE(job.SplitInstallWim());
    session.join();
    EXPECT_TRUE(running);
    EXPECT_LT(::GetTickCount64() - started, 30000u);
    EXPECT_TRUE(burntest::ProcessesNamed(L"dism.exe").empty());
    EXPECT_EQ(::GetFileAttributesW(work.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(job.HasWimCopy());
    if (cancel) {
      EXPECT_TRUE(View.Boxes.empty());
    }
  }
}

}  // namespace
