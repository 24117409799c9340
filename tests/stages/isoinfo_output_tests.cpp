// The volume-id search against the real isoinfo of Debian, reading images
// that genisoimage makes here.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "stages/stage_text.h"

namespace {

struct TCommandResult {
  std::string Output;
  int Status = -1;
};

TCommandResult RunCommand(const std::string& command) {
  TCommandResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.Output.append(buffer, n);
  result.Status = pclose(pipe);
  return result;
}

class IsoInfoOutput : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/quillora-isoinfo-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    FDir = pattern;
    std::filesystem::create_directories(FDir / "tree");
    std::ofstream(FDir / "tree" / "README.TXT") << "hello\n";
  }
  void TearDown() override { std::filesystem::remove_all(FDir); }

  // isoinfo's own output for an image with this volume id, as wide text.
  std::wstring IsoInfoFor(const std::string& volumeId) {
    const std::string iso = (FDir / "image.iso").string();
    const TCommandResult made =
        RunCommand("genisoimage -quiet -V '" + volumeId + "' -J -r -o '" + iso + "' '" + (FDir / "tree").string() + "' 2>&1");
    EXPECT_EQ(made.Status, 0) << made.Output;
    const TCommandResult info = RunCommand("isoinfo -d -i '" + iso + "'");
    EXPECT_EQ(info.Status, 0);
    return std::wstring(info.Output.begin(), info.Output.end());
  }

  std::filesystem::path FDir;
};

TEST_F(IsoInfoOutput, VolumeIdsOfRealImages) {
  struct {
    std::string Id;
    std::wstring Found, Label;
  } cases[] = {
      {"SETUP_DISC_X64_EN", L"SETUP_DISC_X64_EN", L"SETUP_DISC_"},
      {"ABCDEFGHIJK", L"ABCDEFGHIJK", L"ABCDEFGHIJK"},
      {"ABCDEFGHIJKL", L"ABCDEFGHIJKL", L"ABCDEFGHIJK"},
      {"MY DISK", L"MY DISK", L"MY DISK"},
      {"    LEADING", L"LEADING", L"LEADING"},
      {"CCSA_X64FRE_EN-US_DV5_0123456789", L"CCSA_X64FRE_EN-US_DV5_0123456789", L"CCSA_X64FRE"},
      {"", L"", L""},
  };
  for (const auto& c : cases) {
    const std::wstring output = IsoInfoFor(c.Id);
    ASSERT_NE(output.find(L"Volume id:"), std::wstring::npos) << output.size();
    const std::wstring found = FindVolumeId(SplitLines(output));
    EXPECT_EQ(found, c.Found) << c.Id;
    EXPECT_EQ(VolumeLabelFromId(found), c.Label) << c.Id;
  }
}

TEST_F(IsoInfoOutput, NotAnImage) {
  std::ofstream(FDir / "plain.iso") << std::string(40000, 'x');
  const TCommandResult info = RunCommand("isoinfo -d -i '" + (FDir / "plain.iso").string() + "' 2>&1");
  EXPECT_NE(info.Status, 0);
  EXPECT_EQ(FindVolumeId(SplitLines(std::wstring(info.Output.begin(), info.Output.end()))), L"");
}

}  // namespace
