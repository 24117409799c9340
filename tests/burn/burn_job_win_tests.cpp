// A whole burn in this process, run by the job through a recording view: the
// stand-in tools, the real 7z.dll, drive Q: and the real Wine registry. No
// window: the view records what the window would show.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "burn/burn_job.h"
#include "burn/burn_rules.h"
#include "burn/burn_test_support.h"
#include "burn/recording_view.h"
#include "base/failure.h"
#include "base/scope_guard.h"
#include "drives/host_checks.h"
#include "drives/read_only_policy_win.h"
#include "drives/test_bus/usb_bus_file_query.h"
#include "prefix_state_win.h"
#include "process_probe_win.h"
#include "standins/standin_fixture.h"

namespace {
namespace fs = std::filesystem;

using burntest::ReadPolicy;
using burntest::WritePolicy;

const wchar_t* const Success = L"Burn the ISO file to USB disk has been successfully completed.";
const wchar_t* const ChildVariable = L"QUILLORA_BURN_JOB_CHILD";

std::wstring Image(const std::wstring& name) { return standin::BuildDir() + L"\\burn-images\\" + name; }
std::wstring SplitImage(const std::wstring& name) { return standin::BuildDir() + L"\\split-image\\" + name; }

class BurnJob : public ::testing::Test {
protected:
  burntest::TBurnHostScopes Host;
  void SetUp() override {
    burntest::EmptyDriveQ();
    standin::WriteWholeFile(L"Q:\\marker.txt", "untouched");
    ASSERT_TRUE(WritePolicy(HKEY_LOCAL_MACHINE, 145));
    ASSERT_TRUE(WritePolicy(HKEY_CURRENT_USER, -1));
    // 7z.dll and a boot-sector program in a folder of their own (also for a
    // copy of this program that runs elsewhere).
    const std::wstring app = standin::BuildDir() + L"\\burn-job-app\\";
    fs::remove_all(app);
    fs::create_directories(app);
    for (const wchar_t* name : {L"7z.dll", L"bootsect_x86.exe"})
      ::CopyFileW((standin::BuildDir() + L"\\bin\\" + name).c_str(), (app + name).c_str(), FALSE);
    ASSERT_TRUE(standin::WriteWholeFile(BusFile, "Q: removable disk=1 size=16008609792\r\n"));  // a 16 GB stick
    Choice = {Image(L"windows.iso"), Listed(), TFileSystem::Fat32, L"", true, FindSupportFiles()};
    Choice.Files.AppPath = app;
    Choice.Files.BootSectPath = app + L"bootsect_x86.exe";
    View.Answer = [this](const TRecordedBox& box) {
      Policies.push_back(ReadPolicy(HKEY_LOCAL_MACHINE));
      if (box.Text == ThrowAt) throw EFailure(L"raised at " + box.Text);
      return IDOK;
    };
  }
  // The drive as the list shows it now.
  TListedDrive Listed(wchar_t letter = L'q') {
    const std::optional<TListedDrive> drive = QueryUsbDrive(Drives, letter);
    EXPECT_TRUE(drive);
    return drive.value_or(TListedDrive{});
  }
  void Burn() {
    TBurnJob job(View, Choice, Drives);
    End = job.Run();
  }
  void ExpectCleanedUp() {
    EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 145);
    EXPECT_EQ(ReadPolicy(HKEY_CURRENT_USER), -1);
    EXPECT_TRUE(View.ControlsEnabled);
    EXPECT_EQ(View.Refreshes, 1);
    EXPECT_FALSE(View.BarVisible);
    EXPECT_FALSE(fs::exists(GetTempDirectory() + L"install_wim.tmp"));
  }
  // Nothing run, the drive as it was, AutoRun and the controls as they were;
  // the window told how it ended (it rebuilds its list for a changed drive).
  void ExpectRefusedBeforeErasing(const std::wstring& text, const std::wstring& root = L"Q:",
                                  TBurnEnd end = TBurnEnd::Refused) {
    const auto before = burntest::Tree(root + L"\\");
    View.Boxes.clear();
    View.Refreshes = 0;
    Burn();
    EXPECT_EQ(View.Boxes, std::vector<TRecordedBox>{ErrorBox(text)});
    EXPECT_TRUE(StandIns.Log().empty());
    EXPECT_EQ(burntest::Tree(root + L"\\"), before);
    EXPECT_EQ(burntest::FileBytes(root + L"\\marker.txt"), "untouched");
    EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 145);
    EXPECT_EQ(ReadPolicy(HKEY_CURRENT_USER), -1);
    EXPECT_EQ(View.Resets, 0);
    EXPECT_EQ(View.Refreshes, 0);
    EXPECT_EQ(End, end);
    EXPECT_TRUE(View.ControlsEnabled);
  }

  standin::TStandInScope StandIns{L"burn-job"};
  // The USB bus: Q: alone unless a test says otherwise.
  const std::wstring BusFile = standin::BuildDir() + L"\\burn-job-usb-bus.txt";
  TUsbBusFileQuery Drives{BusFile};
  TRecordingView View;
  TBurnEnd End = TBurnEnd::Ran;
  TBurnChoice Choice;
  std::vector<long> Policies;  // the machine's AutoRun value while each box was up
  std::wstring ThrowAt;
};

TEST_F(BurnJob, OnlyTheLibraryMustLieBesideTheProgram) {
  const std::wstring box = L"Error, please reinstall this software.";
  ::DeleteFileW(Choice.Files.BootSectPath.c_str());
  EXPECT_TRUE(CheckSupportFiles(Choice.Files, View));
  const std::wstring library = Choice.Files.AppPath + L"7z.dll", aside = library + L".aside";
  ASSERT_TRUE(::MoveFileW(library.c_str(), aside.c_str()));
  EXPECT_FALSE(CheckSupportFiles(Choice.Files, View));
  ::CreateDirectoryW(library.c_str(), nullptr);  // a folder does not count
  EXPECT_FALSE(CheckSupportFiles(Choice.Files, View));
  EXPECT_EQ(View.Boxes, std::vector<TRecordedBox>(2, ErrorBox(box)));
  // A burn stops there too, before anything is touched.
  View.Boxes.clear();
  Burn();
  EXPECT_EQ(View.Boxes, std::vector<TRecordedBox>{ErrorBox(box)});
  EXPECT_TRUE(StandIns.Log().empty());
  EXPECT_EQ(View.Refreshes, 0);
}

TEST_F(BurnJob, PlainBurnRunsTheStagesInOrder) {
  ::DeleteFileW(Choice.Files.BootSectPath.c_str());  // 7z.dll alone beside the program
  Choice.Bootable = false;
  Choice.Label = L"MY DISK";
  StandIns.Control(L"label", "exit=1\n");  // a failed label does not stop the burn
  Burn();
  const std::vector<std::wstring> expected = {L"Formatting USB disk...", L"Formatting is complete.",
                                              L"Writing volume label...", L"Error.",
                                              L"Burning ISO image...", L"Burning is complete.",
                                              L"Writing cached data to the USB drive...", L"Verifying files...",
                                              L"Burning is complete."};
  EXPECT_EQ(View.Statuses, expected);
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{Success});
  EXPECT_FALSE(View.Boxes[0].ControlsEnabled);  // shown before the clean-up
  EXPECT_EQ(Policies, std::vector<long>{255});
  EXPECT_EQ(View.Resets, 1);
  EXPECT_EQ(StandIns.Log(), (std::vector<std::wstring>{L"format|\"" + Choice.Files.FormatPath + L"\" Q: /FS:FAT32 /Q /Y",
                                                       L"label|" + Choice.Files.LabelPath + L" Q: MY DISK"}));
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"windows")));
  ExpectCleanedUp();
}

TEST_F(BurnJob, PlainImageIsFlushedAndReadBack) {
  Choice.Bootable = false;
  Choice.IsoFile = Image(L"plain.iso");
  // One load of the library serves the burn: loaded from the checks to the
  // read back, whichever step waits, and gone with the job.
  std::set<HMODULE> loaded;
  View.OnProcessMessages = [&] { loaded.insert(::GetModuleHandleW(L"7z.dll")); };
  {
    TBurnJob job(View, Choice, Drives, View.Pump());
    End = job.Run();
  }
  EXPECT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded.count(nullptr), 0u);
  EXPECT_EQ(::GetModuleHandleW(L"7z.dll"), nullptr);
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{Success});
  ASSERT_GE(View.Statuses.size(), 3u);
  const std::vector<std::wstring> tail(View.Statuses.end() - 3, View.Statuses.end());
  EXPECT_EQ(tail, (std::vector<std::wstring>{L"Writing cached data to the USB drive...", L"Verifying files...",
                                             L"Burning is complete."}));
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"plain")));
  ExpectCleanedUp();
}

// The drive spoilt after the writes, before the read back: a changed byte, a
// file cut short, a file gone.
TEST_F(BurnJob, DriveThatGivesBackOtherBytesFailsTheBurn) {
  Choice.Bootable = false;
  Choice.IsoFile = Image(L"plain.iso");
  const std::pair<std::wstring, std::function<void(const std::wstring&)>> spoilt[] = {
      {L"Q:\\big\\part2.bin",
       [](const std::wstring& path) {
         std::fstream file(fs::path(path), std::ios::in | std::ios::out | std::ios::binary);
         file.seekg(static_cast<std::streamoff>(fs::file_size(path) / 2));
         const char byte = static_cast<char>(file.get() ^ 1);
         file.seekp(static_cast<std::streamoff>(fs::file_size(path) / 2));
         file.put(byte);
       }},
      {L"Q:\\docs\\deep\\data.bin", [](const std::wstring& path) { fs::resize_file(path, 1000); }},
      {L"Q:\\a.txt", [](const std::wstring& path) { fs::remove(path); }},
  };
  for (const auto& [path, spoil] : spoilt) {
    View = {};
    View.OnStatus = [&](const std::wstring& text) {
      if (text == L"Verifying files...") spoil(path);
    };
    Burn();
    EXPECT_EQ(View.Boxes, std::vector<TRecordedBox>{ErrorBox(L"The USB drive does not give back what was written: \"" +
                                                             path + L"\". The drive may be failing, or smaller than it claims.")})
        << path;
    EXPECT_EQ(View.Status(), L"Error.");
    EXPECT_TRUE(fs::exists(L"Q:\\docs\\long name with spaces.txt"));  // the files stay
    ExpectCleanedUp();
  }
}

TEST_F(BurnJob, BootableBurnWithARefusedBootSectorEndsInSuccess) {
  StandIns.Control(L"bootsect_x86", "refuse=1\n");
  Burn();
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{Success});
  EXPECT_EQ(View.Status(), L"Error, bootable only for PC/AT BIOS.");
  const std::vector<std::wstring> log = StandIns.Log();
  ASSERT_EQ(log.size(), 2u);  // no label stage for an empty label
  EXPECT_EQ(log[0].rfind(L"diskpart|\"" + Choice.Files.DiskPartPath + L"\" /S \"" + GetTempDirectory() + L"temp", 0), 0u);
  EXPECT_EQ(log[1], L"bootsect_x86|\"" + Choice.Files.BootSectPath + L"\" /nt60 Q:");
  EXPECT_EQ(burntest::FileBytes(StandIns.Dir() + L"\\diskpart-script.txt"),
            "select volume Q:\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\n"
            "format fs=fat32 quick\r\nassign letter=Q\r\nexit\r\n");
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"windows")));
  ExpectCleanedUp();
}

TEST_F(BurnJob, BootSectorOfTheImageElseUefiOnly) {
  // No bootsect beside the program: the 64-bit one the image stage put on the drive.
  ::DeleteFileW(Choice.Files.BootSectPath.c_str());
  Choice.IsoFile = Image(L"windows-bootsect.iso");
  Burn();
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{Success});
  EXPECT_EQ(View.Status(), L"Making USB disk bootable is complete.");
  std::vector<std::wstring> log = StandIns.Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1], L"bootsect_x64|\"Q:\\boot\\bootsect.exe\" /nt60 Q:");
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"windows-bootsect")));
  ExpectCleanedUp();

  // Neither: the drive is left for UEFI PCs and the burn succeeds.
  ::DeleteFileW((StandIns.Dir() + L"\\log.txt").c_str());
  View = {};
  Choice.IsoFile = Image(L"windows.iso");
  Burn();
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{Success});
  EXPECT_EQ(View.Status(), L"Error, bootable only for UEFI.");
  log = StandIns.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].substr(0, 9), L"diskpart|");
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"windows")));
  ExpectCleanedUp();
}

TEST_F(BurnJob, FailedStagesEndTheBurnWithoutSuccess) {
  Choice.Bootable = false;
  Choice.Label = L"MY DISK";
  StandIns.Control(L"format", "exit=1\n");
  Burn();
  EXPECT_EQ(View.Boxes, std::vector<TRecordedBox>{ErrorBox(L"Cannot format the USB disk.")});
  EXPECT_EQ(View.Status(), L"Error.");
  EXPECT_EQ(StandIns.Log().size(), 1u);         // no label stage
  EXPECT_EQ(burntest::Tree(L"Q:\\").size(), 1u);  // no image stage
  ExpectCleanedUp();

  // The format only pretends; a folder in the way of a.txt fails the image stage.
  StandIns.Control(L"format", "exit=0\n");
  ASSERT_TRUE(::CreateDirectoryW(L"Q:\\a.txt", nullptr));
  Choice.IsoFile = Image(L"plain.iso");
  View = {};
  Burn();
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{L"Failed to burn ISO image."});
  EXPECT_EQ(View.Status(), L"Error.");
  ExpectCleanedUp();
}

TEST_F(BurnJob, MissingDiskPartShowsTheErrorAndTheRecoveryGuide) {
  Choice.Files.DiskPartPath = standin::BuildDir() + L"\\no-such-folder\\diskpart.exe";
  Burn();
  ASSERT_EQ(View.Boxes.size(), 2u);
  EXPECT_EQ(View.Boxes[0],
            ErrorBox(L"Failed to create a bootable USB disk.\r\n\r\nPlease try to run program as Administrator."));
  EXPECT_EQ(View.Boxes[1].Text.rfind(L"If create bootable USB disk failed,", 0), 0u);
  EXPECT_EQ(View.Boxes[1].Title, L"Information");
  EXPECT_TRUE(StandIns.Log().empty());
  EXPECT_EQ(burntest::Tree(L"Q:\\").size(), 1u);
  ExpectCleanedUp();
}

TEST_F(BurnJob, ScriptThatCannotBeSavedEscapesAfterTheCleanUp) {
  const std::wstring missing = standin::BuildDir() + L"\\no-such-folder\\";
  wchar_t temp[MAX_PATH] = {};
  const std::wstring saved(temp, ::GetEnvironmentVariableW(L"TMP", temp, MAX_PATH));
  ::SetEnvironmentVariableW(L"TMP", missing.c_str());
  const TScopeGuard restore([&] { ::SetEnvironmentVariableW(L"TMP", saved.empty() ? nullptr : saved.c_str()); });
  try {
    Burn();
    ADD_FAILURE() << "no failure escaped";
  } catch (const EFailure& failure) {
    EXPECT_NE(failure.Message().find(L"no-such-folder"), std::wstring::npos);
  }
  EXPECT_TRUE(View.Boxes.empty());  // no success message
  EXPECT_TRUE(StandIns.Log().empty());
  ExpectCleanedUp();
}

// While diskpart runs, no other program can write, rename or delete its
// script; a file planted under the name it would take first is neither
// followed nor overwritten; the script goes right after diskpart.
TEST_F(BurnJob, ScriptIsSealedWhileDiskPartRuns) {
  const std::wstring planted = GetTempDirectory() + L"temp.dat";
  ASSERT_TRUE(standin::WriteWholeFile(planted, "select disk 0\r\nclean\r\n"));
  const TScopeGuard removePlanted([&] { ::DeleteFileW(planted.c_str()); });
  StandIns.Control(L"diskpart", "wait_file=go\n");
  std::wstring script;
  std::vector<unsigned long> others;
  std::thread other([&] {
    const TScopeGuard go([&] { standin::WriteWholeFile(StandIns.Dir() + L"\\go", ""); });
    if (!burntest::WaitUntil([&] { return !StandIns.Log().empty(); }, 30000)) return;
    const std::wstring line = StandIns.Log()[0];
    script = line.substr(line.find(L" /S \"") + 5);
    script.pop_back();
    const std::wstring quoted = L" \"" + script + L"\"";
    for (const std::wstring& probe : {L"open" + quoted + L" 40000000 7", L"delete" + quoted, L"rename" + quoted})
      others.push_back(RunProbe(probe));
  });
  Burn();
  other.join();
  EXPECT_EQ(others, std::vector<unsigned long>(3, ERROR_SHARING_VIOLATION));
  EXPECT_NE(script, planted);
  EXPECT_EQ(burntest::FileBytes(planted), "select disk 0\r\nclean\r\n");
  EXPECT_EQ(::GetFileAttributesW(script.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{Success});  // diskpart read the script
  ExpectCleanedUp();
}

// A restore that fails at the burn's end (the policy key read-only) says so
// and keeps the record; the next start's restore puts the value back.
TEST_F(BurnJob, FailedRestoreShowsItsBoxAndKeepsTheRecord) {
  Choice.Bootable = false;
  Choice.IsoFile = Image(L"plain.iso");
  std::optional<TReadOnlyPolicy> readOnly;
  View.OnStatus = [&](const std::wstring& text) {
    if (text == L"Formatting USB disk...") readOnly.emplace(HKEY_LOCAL_MACHINE);
  };
  Burn();
  ASSERT_TRUE(readOnly && readOnly->Held());
  EXPECT_EQ(View.Boxes, (std::vector<TRecordedBox>{
                            {Success, L"Information", MB_ICONINFORMATION},
                            {L"Could not restore the AutoRun setting. Quillora will try again when it starts.",
                             L"Warning", MB_OK | MB_ICONWARNING}}));
  EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 255);
  EXPECT_EQ(burntest::ReadRecord(HKEY_LOCAL_MACHINE), 145);
  EXPECT_EQ(ReadPolicy(HKEY_CURRENT_USER), -1);  // the other hive is put back all the same
  EXPECT_EQ(burntest::ReadRecord(HKEY_CURRENT_USER), -2);
  readOnly.reset();
  EXPECT_TRUE(RestoreAutoRunFromRecord());
  EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 145);
  EXPECT_EQ(burntest::ReadRecord(HKEY_LOCAL_MACHINE), -2);
}

TEST_F(BurnJob, FailureInAStageEscapesAfterTheCleanUp) {
  Choice.Bootable = false;
  StandIns.Control(L"format", "exit=1\n");
  ThrowAt = L"Cannot format the USB disk.";
  EXPECT_THROW(Burn(), EFailure);
  ASSERT_EQ(View.Boxes.size(), 1u);
  EXPECT_EQ(Policies, std::vector<long>{255});
  EXPECT_FALSE(View.Boxes[0].ControlsEnabled);
  ExpectCleanedUp();
}

TEST_F(BurnJob, FailureInTheLegacyBootStepIsShownAndTheBurnSucceeds) {
  ASSERT_TRUE(standin::WriteWholeFile(Choice.Files.BootSectPath, "no program"));
  ThrowAt = L"Failed to make USB disk bootable.";
  Burn();
  const std::vector<std::wstring> expected = {L"Failed to make USB disk bootable.", L"Failed to create BOOTMGR or NTLDR.",
                                              Success};
  EXPECT_EQ(View.BoxTexts(), expected);
  ASSERT_EQ(View.Boxes.size(), 3u);
  EXPECT_EQ(View.Boxes[1].Title, L"Error");
  EXPECT_EQ(View.Boxes[1].Flags, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(View.Boxes[2].Title, L"Information");
  EXPECT_EQ(View.Boxes[2].Flags, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(Policies.back(), 255);
  EXPECT_FALSE(View.Boxes[2].ControlsEnabled);
  EXPECT_TRUE(fs::exists(L"Q:\\sources\\boot.wim"));
  ExpectCleanedUp();
}

TEST_F(BurnJob, LegacyLoadersChooseTheBootSector) {
  const auto run = [&](const std::string& files) {  // "PATH=content;..." on Q:, then the step
    burntest::EmptyDriveQ();
    for (size_t at = 0; at <= files.size();) {
      const size_t eq = files.find('=', at), end = std::min(files.find(';', at), files.size());
      const std::wstring path(files.begin() + at, files.begin() + eq);
      fs::create_directories(fs::path(L"Q:\\" + path).parent_path());
      EXPECT_TRUE(standin::WriteWholeFile(L"Q:\\" + path, files.substr(eq + 1, end - eq - 1)));
      at = end + 1;
    }
    ::DeleteFileW((StandIns.Dir() + L"\\log.txt").c_str());
    View.Statuses = {L"before"};
    TBurnJob job(View, Choice);
    job.LegacyBootStep();
    const std::vector<std::wstring> log = StandIns.Log();
    return log.empty() ? std::wstring() : log[0].substr(log[0].rfind(L"\" ") + 2);
  };
  const auto read = [](const wchar_t* path) { return burntest::FileBytes(path); };
  EXPECT_EQ(run("BOOTMGR=m;I386\\NTLDR=i386;I386\\NTDETECT.COM=d;WXPE\\NTLDR=wxpe"), L"/nt60 Q:");
  EXPECT_EQ(read(L"Q:\\NTLDR") + read(L"Q:\\NTDETECT.COM"), "i386d");
  EXPECT_EQ(View.Status(), L"Making USB disk bootable is complete.");
  EXPECT_EQ(run("WXPE\\SETUPLDR.BIN=setup;WXPE\\NTDETECT.COM=d"), L"/nt52 Q:");
  EXPECT_EQ(read(L"Q:\\NTLDR") + read(L"Q:\\NTDETECT.COM"), "setupd");
  EXPECT_TRUE(View.Boxes.empty());

  // No loader, no boot sector; a loader already there is never replaced.
  EXPECT_EQ(run("README.TXT=r"), L"");
  EXPECT_EQ(View.Status(), L"before");
  EXPECT_EQ(run("NTLDR=mine;I386\\NTLDR=i386;WXPE\\SETUPLDR.BIN=setup"), L"/nt52 Q:");
  EXPECT_EQ(read(L"Q:\\NTLDR"), "mine");
}

TEST_F(BurnJob, ChecksRefuseBeforeErasing) {
  // Images that cannot be read: missing, or cut short halfway.
  for (const wchar_t* name : {L"missing.iso", L"half.iso"}) {
    Choice.IsoFile = Image(name);
    ExpectRefusedBeforeErasing(L"Cannot read the ISO image \"" + Image(name) + L"\".");
  }

  // A file over 4 GiB on FAT32, read through the UDF part as the burn would.
  Choice.IsoFile = standin::BuildDir() + L"\\large-image\\large.iso";
  Choice.Bootable = false;
  ExpectRefusedBeforeErasing(L"FAT32 cannot hold files of 4 GB or more: \"sources\\extra.img\". Choose NTFS or exFAT.");
  Choice.FileSystem = TFileSystem::Fat;
  ExpectRefusedBeforeErasing(L"FAT cannot hold files of 4 GB or more: \"sources\\extra.img\". Choose NTFS or exFAT.");

  // A real 8 MB drive for an image of about 96 MB.
  standin::WriteWholeFile(L"S:\\marker.txt", "untouched");
  const TScopeGuard removeMarker([] { ::DeleteFileW(L"S:\\marker.txt"); });
  TListedDrive small = Choice.Drive;
  small.Letter = L'S';
  Choice = {Image(L"plain.iso"), small, TFileSystem::Ntfs, L"", false, Choice.Files};
  ULARGE_INTEGER available{}, total{};
  ASSERT_TRUE(::GetDiskFreeSpaceExW(L"S:\\", &available, &total, nullptr));
  ASSERT_EQ(total.QuadPart, 8u << 20);
  // plain/ holds 100,863,314 bytes (burn_images.sh).
  ExpectRefusedBeforeErasing(L"The ISO image needs 96.19 MB but the USB disk holds only 8 MB.", L"S:");

  // FAT on Q:, a folder of the host's disk of far more than 4 GB.
  Choice.Drive.Letter = L'Q';
  Choice.FileSystem = TFileSystem::Fat;
  ExpectRefusedBeforeErasing(L"FAT cannot make a volume over 4 GB. Choose FAT32, NTFS or exFAT.");
}

TEST_F(BurnJob, DriveChangedSinceTheListIsRefused) {
  const std::wstring changed =
      L"The USB drive Q: has changed since the list was made. Press Refresh and choose the drive again.";
  Choice.Bootable = false;  // a bootable burn would ask the changed bus for its disk first
  const TListedDrive listed = Choice.Drive;
  Choice.Drive.Identity.VolumeSerial = listed.Identity.VolumeSerial.value_or(0) + 1;  // another stick
  ExpectRefusedBeforeErasing(changed, L"Q:", TBurnEnd::DriveChanged);
  Choice.Drive = listed;
  // Now a hard disk, on another disk, off the bus.
  for (const char* bus : {"Q: fixed\r\n", "Q: removable disk=2\r\n", ""}) {
    ASSERT_TRUE(standin::WriteWholeFile(BusFile, bus));
    ExpectRefusedBeforeErasing(changed, L"Q:", TBurnEnd::DriveChanged);
  }
}

TEST_F(BurnJob, WhatTheBurnStillNeedsIsNotErased) {
  const std::wstring onTheDrive =
      L"The ISO image is on the drive that will be erased (Q:). Copy it to another drive first.";
  Choice.Bootable = false;
  ASSERT_TRUE(::CopyFileW(Image(L"plain.iso").c_str(), L"Q:\\plain.iso", FALSE));
  Choice.IsoFile = L"Q:\\plain.iso";
  ExpectRefusedBeforeErasing(onTheDrive);
  Choice.IsoFile = L"P:\\plain.iso";
  ASSERT_NE(::GetFileAttributesW(Choice.IsoFile.c_str()), INVALID_FILE_ATTRIBUTES) << "P: is Q: again";
  ExpectRefusedBeforeErasing(onTheDrive);

  Choice.IsoFile = Image(L"plain.iso");
  const TSupportFiles files = Choice.Files;
  ASSERT_TRUE(::CreateDirectoryW(L"Q:\\app", nullptr));
  ASSERT_TRUE(::CopyFileW((files.AppPath + L"7z.dll").c_str(), L"Q:\\app\\7z.dll", FALSE));
  Choice.Files.AppPath = L"Q:\\app\\";
  ExpectRefusedBeforeErasing(L"Quillora runs from the drive that will be erased (Q:). Start it from another drive.");
  Choice.Files = files;

  // Bootable cleans the whole disk: here also Z:, which holds the image.
  ASSERT_TRUE(standin::WriteWholeFile(BusFile, "Q: removable disk=1 size=16008609792\r\nZ: fixed disk=1\r\n"));
  Choice.Drive = Listed();
  Choice.Bootable = true;
  ExpectRefusedBeforeErasing(onTheDrive);
}

// A bootable burn cleans the whole disk: the FAT32 cap and the size check
// follow the disk's length, not the volume's; a plain burn formats the volume.
TEST_F(BurnJob, BootableBurnTakesTheDisksLength) {
  // The 8 MB S: on a 70 GB disk.
  ASSERT_TRUE(standin::WriteWholeFile(BusFile, "S: removable disk=2 size=70000000000\r\n"));
  const TScopeGuard emptyS([] {
    std::string error;
    standin::EmptyDrive(L"S:", error);
  });
  Choice.Drive = Listed(L's');
  Burn();
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{Success});
  EXPECT_EQ(burntest::FileBytes(StandIns.Dir() + L"\\diskpart-script.txt"),
            "select volume S:\r\nclean\r\ncreate partition primary size=32000\r\nselect partition 1\r\n"
            "active\r\nformat fs=fat32 quick\r\nassign letter=S\r\nexit\r\n");
  EXPECT_TRUE(burntest::SameTree(L"S:\\", Image(L"windows")));
  ::DeleteFileW((StandIns.Dir() + L"\\log.txt").c_str());
  View = {};

  // Q:, a folder of the host's disk, on a disk of 100,000 bytes; windows/
  // holds 300,056.
  ASSERT_TRUE(standin::WriteWholeFile(BusFile, "Q: removable disk=1 size=100000\r\n"));
  Choice.Drive = Listed();
  ExpectRefusedBeforeErasing(L"The ISO image needs 305.02 KB but the USB disk holds only 97.66 KB.");

  // A disk that does not say its length (Wine answers for no disk).
  ASSERT_TRUE(standin::WriteWholeFile(BusFile, "Q: removable disk=1\r\n"));
  Choice.Drive = Listed();
  ExpectRefusedBeforeErasing(L"Quillora cannot read the size of the disk that holds Q:. Untick Bootable to format only Q:.");
  // No disk, or a disk whose partition table cannot be read.
  for (const char* bus : {"Q: removable\r\n", "Q: removable disk=1 size=16008609792 table=none\r\n"}) {
    ASSERT_TRUE(standin::WriteWholeFile(BusFile, bus));
    Choice.Drive = Listed();
    ExpectRefusedBeforeErasing(L"Quillora cannot tell which disk Q: is on. Untick Bootable to format only Q:.");
  }

  // A plain burn takes the volume's size: the small disk does not matter.
  ASSERT_TRUE(standin::WriteWholeFile(BusFile, "Q: removable disk=1 size=100000\r\n"));
  Choice.Drive = Listed();
  Choice.Bootable = false;
  View = {};
  Burn();
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{Success});
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"windows")));
  ExpectCleanedUp();
}

// Runs this program from a folder whose 7z.dll is not the codec library, or
// no library at all: the checks refuse before anything is touched.
// A disk without a letter: diskpart partitions it by number, and the burn
// goes on on the letter Windows gives it (here Q:, through the bus file).
class LetterlessBurnJob : public BurnJob {
protected:
  void SetUp() override {
    BurnJob::SetUp();
    StandIns.Control(L"diskpart", "bus_file=" + standin::Narrow(BusFile) + "\n");
    PutDisk(" assign=Q");
    const std::optional<TListedDrive> disk = QueryUsbDisk(Drives, 4);
    ASSERT_TRUE(disk);
    Choice.Drive = *disk;
  }
  void PutDisk(const std::string& assign, const std::string& size = "16008609792", const std::string& serial = "K1") {
    ASSERT_TRUE(standin::WriteWholeFile(BusFile, "- removable disk=4 size=" + size +
                                                     " vendor=Kingston product=DataTraveler serial=" + serial + assign +
                                                     "\r\n"));
  }
  std::string Script() const { return burntest::FileBytes(StandIns.Dir() + L"\\diskpart-script.txt"); }
};

TEST_F(LetterlessBurnJob, PlainAndBootableBurnsLandOnTheAssignedLetter) {
  EXPECT_EQ(Choice.Drive.Line, L"Disk 4 [14.91 GB] Kingston DataTraveler (no drive letter)");
  Choice.Bootable = false;
  Burn();
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{Success});
  std::vector<std::wstring> log = StandIns.Log();
  ASSERT_EQ(log.size(), 1u);  // diskpart alone: no format.com
  EXPECT_EQ(log[0].substr(0, 9), L"diskpart|");
  EXPECT_EQ(Script(), "select disk 4\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\n"
                      "format fs=fat32 quick\r\nassign\r\nexit\r\n");
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"windows")));
  EXPECT_EQ(LetterOnDisk(Drives, 4), L'Q');
  ExpectCleanedUp();

  PutDisk(" assign=Q");
  ::DeleteFileW((StandIns.Dir() + L"\\log.txt").c_str());
  View = {};
  Choice.Bootable = true;
  Burn();
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{Success});
  log = StandIns.Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1], L"bootsect_x86|\"" + Choice.Files.BootSectPath + L"\" /nt60 Q:");
  EXPECT_EQ(Script(), "select disk 4\r\nclean\r\ncreate partition primary\r\nselect partition 1\r\nactive\r\n"
                      "format fs=fat32 quick\r\nassign\r\nexit\r\n");
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"windows")));
  ExpectCleanedUp();
}

TEST_F(LetterlessBurnJob, ChangedDiskOrNoLetterEndsWithoutSuccess) {
  const std::wstring changed =
      L"The USB drive Disk 4 has changed since the list was made. Press Refresh and choose the drive again.";
  PutDisk(" assign=Q", "16008609792", "K2");  // another stick
  ExpectRefusedBeforeErasing(changed, L"Q:", TBurnEnd::DriveChanged);
  PutDisk(" assign=Q", "32017047552");
  ExpectRefusedBeforeErasing(changed, L"Q:", TBurnEnd::DriveChanged);

  PutDisk("");  // Windows gives the new volume no letter
  View = {};
  Burn();
  ASSERT_EQ(View.Boxes.size(), 2u);
  EXPECT_EQ(View.Boxes[0], ErrorBox(L"Disk 4 was formatted, but Windows gave it no drive letter, so the image cannot "
                                    L"be written onto it."));
  EXPECT_EQ(View.Boxes[1].Text, RecoveryGuideText);
  EXPECT_EQ(View.Boxes[1].Title, L"Information");
  EXPECT_EQ(View.Status(), L"Error.");
  EXPECT_EQ(StandIns.Log().size(), 1u);
  EXPECT_EQ(burntest::FileBytes(L"Q:\\marker.txt"), "untouched");
  ExpectCleanedUp();
}

TEST_F(BurnJob, BrokenLibraryIsRefusedBeforeErasing) {
  wchar_t flag[8] = {};
  if (::GetEnvironmentVariableW(ChildVariable, flag, 8) != 0) {
    ExpectRefusedBeforeErasing(L"Error, please reinstall this software.");
    if (!HasFailure()) std::ofstream(fs::path(standin::BinDir()) / L"child-passed") << "yes";
    return;
  }
  const fs::path folder = fs::path(standin::BuildDir()) / L"burn-job-bad7z";
  for (const std::string& library : {std::string("nocreate"), std::string("text")}) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    if (library == "nocreate")
      fs::copy_file(fs::path(standin::BinDir()) / L"sz_nocreate.dll", folder / L"7z.dll");
    else
      standin::WriteWholeFile((folder / L"7z.dll").wstring(), "not a library");
    EXPECT_EQ(burntest::RunInCopy(folder, L"BurnJob.BrokenLibraryIsRefusedBeforeErasing", ChildVariable), 0)
        << library;
    EXPECT_TRUE(fs::exists(folder / L"child-passed")) << library;
  }
  fs::remove_all(folder);
}

// ---- a Windows image whose sources\install.wim passes 4 GiB

class SplitBurnJob : public BurnJob {
protected:
  void SetUp() override {
    BurnJob::SetUp();
    Choice.IsoFile = SplitImage(L"split.iso");
    Choice.Bootable = false;
  }
};

TEST_F(SplitBurnJob, FailedSplitEndsTheBurnLikeAFailedImageStage) {
  StandIns.Control(L"dism", "exit=1\n");
  Burn();
  EXPECT_EQ(View.Boxes, std::vector<TRecordedBox>{ErrorBox(L"Failed to split install.wim.")});
  EXPECT_EQ(View.Status(), L"Error.");
  EXPECT_EQ(StandIns.Log().size(), 2u);
  EXPECT_FALSE(fs::exists(L"Q:\\sources\\install.wim"));
  ExpectCleanedUp();  // the work folder too
}

TEST_F(SplitBurnJob, NtfsTakesInstallWimWhole) {
  Choice.FileSystem = TFileSystem::Ntfs;
  Burn();
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{Success});
  EXPECT_EQ(StandIns.Log(), std::vector<std::wstring>{L"format|\"" + Choice.Files.FormatPath + L"\" Q: /FS:NTFS /Q /Y"});
  EXPECT_EQ(fs::file_size(L"Q:\\sources\\install.wim"), fs::file_size(SplitImage(L"split\\sources\\install.wim")));
  ExpectCleanedUp();
}

TEST_F(SplitBurnJob, APartTheDriveGivesBackChangedFailsTheReadBack) {
  // The last part is written last: where a stick smaller than it claims
  // wraps onto earlier data.
  const std::wstring part = L"Q:\\sources\\install2.swm";
  View.OnStatus = [&](const std::wstring& status) {
    if (status != L"Verifying files...") return;
    std::fstream file(fs::path(part), std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(1000);
    const char byte = static_cast<char>(file.get() ^ 0xff);
    file.seekp(1000);
    file.put(byte);
  };
  Burn();
  EXPECT_EQ(View.Boxes, std::vector<TRecordedBox>{ErrorBox(L"The USB drive does not give back what was written: \"" +
                                                           part + L"\". The drive may be failing, or smaller than it claims.")});
  EXPECT_EQ(StandIns.Log().size(), 2u);  // format, dism
  ExpectCleanedUp();
}

TEST_F(SplitBurnJob, TempFolderThatCannotTakeTheCopyIsRefusedBeforeErasing) {
  const std::wstring small = SplitImage(L"small-temp");
  {
    burntest::TTempFolderScope temp(small);
    ExpectRefusedBeforeErasing(L"Not enough free space in \"" + small + L"\\\" to split install.wim (8.07 GB needed).");
  }
  const auto cannotHold = [](const std::wstring& path) {
    return L"The temporary folder \"" + path +
           L"\" cannot hold install.wim (4 GB). Point TEMP to a folder on an NTFS drive with enough free space.";
  };
  const std::wstring missing = standin::BuildDir() + L"\\no-such-temp\\";
  {
    burntest::TTempFolderScope temp(missing);
    ExpectRefusedBeforeErasing(cannotHold(missing));
  }
  // Too long for the copy's path below it.
  std::wstring deep = standin::BuildDir() + L"\\deep-temp";
  while (deep.size() < 240) deep += L"\\folder";
  ASSERT_TRUE(fs::create_directories(deep));
  const TScopeGuard removeDeep([] { fs::remove_all(standin::BuildDir() + L"\\deep-temp"); });
  {
    burntest::TTempFolderScope temp(deep);
    ExpectRefusedBeforeErasing(cannotHold(deep + L"\\"));
  }
  // On the drive that is erased.
  ASSERT_TRUE(::CreateDirectoryW(L"Q:\\tmp", nullptr));
  burntest::TTempFolderScope temp(L"Q:\\tmp");
  ExpectRefusedBeforeErasing(L"The temporary folder \"Q:\\tmp\\\" is on the drive that will be erased (Q:).");
}

}  // namespace

namespace {
// Where a cancel comes, and how the burn is set up to be there.
struct TCancelCase {
  const char* Step;
  bool Bootable;
  const wchar_t* Label;
  const wchar_t* SleepingTool;  // a stand-in held running, cancelled once started
  const wchar_t* AtStatus;      // else: cancelled once this status shows
};
}  // namespace

TEST_F(BurnJob, CancelEndsEachStepCleanly) {
  const TCancelCase cases[] = {
      {"format", false, L"", L"format", nullptr},
      {"diskpart", true, L"", L"diskpart", nullptr},
      {"label", false, L"MY DISK", L"label", nullptr},
      {"unpack", false, L"", nullptr, L"Burning ISO image..."},
      {"legacy boot", true, L"", L"bootsect_x86", nullptr},
      {"flush", false, L"", nullptr, L"Writing cached data to the USB drive..."},
      {"verify", false, L"", nullptr, L"Verifying files..."},
  };
  for (const TCancelCase& step : cases) {
    SCOPED_TRACE(step.Step);
    View = {};
    ::DeleteFileW((StandIns.Dir() + L"\\log.txt").c_str());
    for (const wchar_t* tool : {L"format", L"diskpart", L"label", L"bootsect_x86"}) StandIns.NoControl(tool);
    if (step.SleepingTool) StandIns.Control(step.SleepingTool, "sleep_ms=60000\n");
    Choice.Bootable = step.Bootable;
    Choice.Label = step.Label;
    Choice.IsoFile = Image(step.Bootable ? L"windows.iso" : L"plain.iso");
    TBurnJob job(View, Choice, Drives, View.Pump());
    ULONGLONG cancelledAt = 0;
    bool toolRan = false;
    const auto cancel = [&] {
      if (cancelledAt) return;
      cancelledAt = ::GetTickCount64();
      toolRan = step.SleepingTool != nullptr;
      job.Cancel();
    };
    // A running tool wakes the job's wait only with a message, as a click would.
    const DWORD jobThread = ::GetCurrentThreadId();
    std::thread clicker([&] {
      if (!step.SleepingTool) return;
      const std::wstring started = std::wstring(step.SleepingTool) + L"|";
      if (burntest::WaitUntil(
              [&] {
                const std::vector<std::wstring> log = StandIns.Log();
                return !log.empty() && log.back().rfind(started, 0) == 0;
              },
              20000))
        ::PostThreadMessageW(jobThread, WM_APP, 0, 0);
    });
    View.OnProcessMessages = [&] {
      MSG message;
      if (::PeekMessageW(&message, nullptr, WM_APP, WM_APP, PM_REMOVE)) cancel();
    };
    View.OnStatus = [&](const std::wstring& text) {
      if (step.AtStatus && text == step.AtStatus) cancel();
    };
    End = job.Run();
    clicker.join();
    const ULONGLONG toIdle = ::GetTickCount64() - cancelledAt;
    ASSERT_NE(cancelledAt, 0u) << "the step was never reached";
    std::printf("cancel during %s: idle after %llu ms\n", step.Step, toIdle);
    EXPECT_LT(toIdle, 2000u);
    EXPECT_EQ(View.Status(), CancelledUnusableText);
    EXPECT_TRUE(View.Boxes.empty()) << (View.Boxes.empty() ? "" : standin::Narrow(View.Boxes[0].Text));
    EXPECT_EQ(End, TBurnEnd::Ran);
    ExpectCleanedUp();
    if (toolRan) {
      EXPECT_TRUE(burntest::ProcessesNamed((std::wstring(step.SleepingTool) + L".exe").c_str()).empty());
    }
    EXPECT_FALSE(fs::exists(GetTempDirectory() + DiskPartScriptName));
  }
  for (const wchar_t* tool : {L"format", L"diskpart", L"label", L"bootsect_x86"}) StandIns.NoControl(tool);

  // Before anything is erased, nothing changes.
  View = {};
  ::DeleteFileW((StandIns.Dir() + L"\\log.txt").c_str());
  TBurnJob early(View, Choice, Drives, View.Pump());
  early.Cancel();
  const auto before = burntest::Tree(L"Q:\\");
  End = early.Run();
  EXPECT_EQ(View.Status(), CancelledUnchangedText);
  EXPECT_TRUE(View.Boxes.empty());
  EXPECT_TRUE(StandIns.Log().empty());
  EXPECT_EQ(burntest::Tree(L"Q:\\"), before);
  EXPECT_EQ(ReadPolicy(HKEY_LOCAL_MACHINE), 145);
}
