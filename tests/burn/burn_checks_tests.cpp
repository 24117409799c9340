// The checks before erasing, over item lists: no image or drive needed.
#include <gtest/gtest.h>

#include "burn/burn_checks.h"

namespace {

using R = TBurnPlan::TRefusal;

TImageSurvey Files(std::vector<TImageFile> files) {
  TImageSurvey survey;
  survey.Files = std::move(files);
  return survey;
}

const int64_t Stick8GB = 8011120640;

TEST(BurnChecks, FilesOf4GiBAndMoreAreRefusedOnlyOnFat) {
  const TImageSurvey windows = Files({{L"README.TXT", 8},
                                      {L"sources\\install.wim", 5000000000},
                                      {L"sources\\boot.wim", 300000000},
                                      {L"sources\\install2.wim", 4294967296}});
  TBurnPlan plan = PlanBurn(windows, L"w.iso", 2 * Stick8GB, TFileSystem::Fat32, L".");
  // sources\install.wim is split instead; any other such file is refused.
  EXPECT_EQ(plan.Refusal, R::FileTooLargeForFat);
  EXPECT_EQ(plan.Message,
            L"FAT32 cannot hold files of 4 GB or more: \"sources\\install2.wim\". Choose NTFS or exFAT.");
  ASSERT_EQ(plan.TooLargeForFileSystem.size(), 1u);
  EXPECT_EQ(plan.TooLargeForFileSystem[0].Path, L"sources\\install2.wim");
  EXPECT_EQ(plan.NeededBytes, 9594967304u);  // summed past 32 bits
  EXPECT_EQ(plan.Largest.Path, L"sources\\install.wim");
  EXPECT_EQ(plan.Largest.Size, 5000000000u);

  for (TFileSystem other : {TFileSystem::Ntfs, TFileSystem::ExFat}) {
    plan = PlanBurn(windows, L"w.iso", -1, other, L".");
    EXPECT_EQ(plan.Refusal, R::None);
    EXPECT_TRUE(plan.TooLargeForFileSystem.empty());
  }
  // 4 GiB - 1 is the largest file FAT32 holds.
  EXPECT_FALSE(FatCannotHoldFile(TFileSystem::Fat32, 4294967295u));
  EXPECT_TRUE(FatCannotHoldFile(TFileSystem::Fat32, 4294967296u));
  EXPECT_EQ(PlanBurn(Files({{L"a", 4294967295u}}), L"a.iso", Stick8GB, TFileSystem::Fat32, L".").Refusal, R::None);
}

TEST(BurnChecks, DriveMustHoldEveryFile) {
  const TImageSurvey image = Files({{L"a", 1000}, {L"b\\c", 536}});
  TBurnPlan plan = PlanBurn(image, L"a.iso", 1001, TFileSystem::Ntfs, L",");
  EXPECT_EQ(plan.Refusal, R::DriveTooSmall);
  // Written as the drive list writes sizes: its bands, separator and case.
  EXPECT_EQ(plan.Message, L"The ISO image needs 1,5 KB but the USB disk holds only 1001 BYTES.");
  EXPECT_EQ(PlanBurn(image, L"a.iso", 1536, TFileSystem::Ntfs, L".").Refusal, R::None);
  EXPECT_EQ(PlanBurn(image, L"a.iso", -1, TFileSystem::Ntfs, L".").Refusal, R::None);  // size unknown
}

TEST(BurnChecks, LargeInstallWimOnFatIsSplitThroughTheTempFolder) {
  TImageSurvey windows = Files({{L"README.TXT", 8, 0},
                                {L"efi/boot/bootx64.efi", 2000, 3},
                                {L"Sources/Install.WIM", 4294967296, 7},
                                {L"sources/boot.wim", 300000000, 8}});
  const uint64_t needed = 2 * 4294967296ull + 64 * 1048576;  // the copy, its parts and 64 MB
  const TTempFolder roomy{L"C:\\Temp\\", needed};
  TBurnPlan plan = PlanBurn(windows, L"w.iso", 2 * Stick8GB, TFileSystem::Fat32, L".", roomy);
  EXPECT_EQ(plan.Refusal, R::None);
  ASSERT_TRUE(plan.WimToSplit);
  EXPECT_EQ(plan.WimToSplit->Index, 7u);
  EXPECT_TRUE(plan.TooLargeForFileSystem.empty());

  plan = PlanBurn(windows, L"w.iso", 2 * Stick8GB, TFileSystem::Fat, L",", TTempFolder{L"C:\\Temp\\", needed - 1});
  EXPECT_EQ(plan.Refusal, R::NotEnoughTempSpace);
  EXPECT_EQ(plan.Message, L"Not enough free space in \"C:\\Temp\\\" to split install.wim (8,06 GB needed).");
  // Free space unknown: not compared.
  EXPECT_EQ(PlanBurn(windows, L"w.iso", 2 * Stick8GB, TFileSystem::Fat32, L".").Refusal, R::None);

  // No split: NTFS and exFAT hold it; below 4 GiB FAT32 holds it; another name.
  for (TFileSystem other : {TFileSystem::Ntfs, TFileSystem::ExFat}) {
    plan = PlanBurn(windows, L"w.iso", 2 * Stick8GB, other, L".", TTempFolder{L"C:\\Temp\\", 0});
    EXPECT_EQ(plan.Refusal, R::None);
    EXPECT_FALSE(plan.WimToSplit);
  }
  windows.Files[2].Size = 4294967295;
  EXPECT_FALSE(PlanBurn(windows, L"w.iso", 2 * Stick8GB, TFileSystem::Fat32, L".").WimToSplit);
  windows.Files[2] = {L"sources\\install.esd", 5000000000, 7};
  EXPECT_FALSE(PlanBurn(windows, L"w.iso", 2 * Stick8GB, TFileSystem::Fat32, L".").WimToSplit);
  windows.Files[2] = {L"x\\sources\\install.wim", 5000000000, 7};
  EXPECT_FALSE(PlanBurn(windows, L"w.iso", 2 * Stick8GB, TFileSystem::Fat32, L".").WimToSplit);
}

}  // namespace
