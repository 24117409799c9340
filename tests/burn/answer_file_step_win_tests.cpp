// The answer file on the drive, through a whole burn of the job with a
// recording view, the stand-in tools, the real 7z.dll and drive Q:.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "burn/burn_job.h"
#include "burn/burn_rules.h"
#include "burn/burn_test_support.h"
#include "burn/recording_view.h"
#include "drives/test_bus/usb_bus_file_query.h"
#include "standins/standin_fixture.h"

namespace {
namespace fs = std::filesystem;

std::wstring Image(const std::wstring& name) { return standin::BuildDir() + L"\\burn-images\\" + name; }

class AnswerFileStep : public ::testing::Test {
protected:
  burntest::TBurnHostScopes Host;
  void SetUp() override {
    burntest::EmptyDriveQ();
    const std::wstring app = standin::BuildDir() + L"\\answer-file-app\\";
    fs::remove_all(app);
    fs::create_directories(app);
    ::CopyFileW((standin::BuildDir() + L"\\bin\\7z.dll").c_str(), (app + L"7z.dll").c_str(), FALSE);
    ASSERT_TRUE(standin::WriteWholeFile(BusFile, "Q: removable disk=1 size=16008609792\r\n"));
    Choice = {Image(L"setup.iso"), QueryUsbDrive(Drives, L'q').value_or(TListedDrive{}), TFileSystem::Fat32, L"",
              false, FindSupportFiles()};
    Choice.Files.AppPath = app;
    Answers.Options.RemoveHardwareRequirements = true;
    Answers.Options.CreateLocalAccount = true;
    Answers.Options.LocalAccountName = L"Zo\u00eb";
    Choice.Setup = Answers;
  }
  void Burn() {
    TBurnJob job(View, Choice, Drives);
    job.Run();
  }
  std::string OnDrive() { return burntest::FileBytes(L"Q:\\autounattend.xml"); }

  standin::TStandInScope StandIns{L"answer-file"};
  const std::wstring BusFile = standin::BuildDir() + L"\\answer-file-usb-bus.txt";
  TUsbBusFileQuery Drives{BusFile};
  TRecordingView View;
  TBurnChoice Choice;
  TSetupAnswers Answers;
};

TEST_F(AnswerFileStep, WrittenForTheImagesProcessorAndReadBack) {
  Burn();
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{BurnCompleteText});
  EXPECT_EQ(View.Status(), L"Burning is complete.");
  EXPECT_EQ(OnDrive(), AnswerFileText(Answers.Options, TArchitecture::Arm64, Answers.Locale));
  EXPECT_NE(OnDrive().find("processorArchitecture=\"arm64\""), std::string::npos);
  EXPECT_TRUE(fs::exists(L"Q:\\sources\\install.wim"));

  // A byte changed while the drive is read back.
  View = {};
  View.OnStatus = [](const std::wstring& text) {
    if (text != L"Verifying files...") return;
    std::fstream file(fs::path(L"Q:\\autounattend.xml"), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(10);
    file.put('#');
  };
  Burn();
  EXPECT_EQ(View.Boxes, std::vector<TRecordedBox>{ErrorBox(
                            L"The USB drive does not give back what was written: \"Q:\\autounattend.xml\". The "
                            L"drive may be failing, or smaller than it claims.")});
  EXPECT_EQ(View.Status(), L"Error.");

  // The drive refuses the file: a folder stands in its place.
  View = {};
  View.OnStatus = [](const std::wstring& text) {
    if (text == L"Burning is complete.") fs::create_directory(L"Q:\\autounattend.xml");
  };
  Burn();
  EXPECT_EQ(View.Boxes, std::vector<TRecordedBox>{ErrorBox(AnswerFileFailedText)});
  EXPECT_EQ(View.Status(), L"Error.");
}

TEST_F(AnswerFileStep, ImageWithItsOwnKeepsItAndNothingTickedWritesNone) {
  Choice.IsoFile = Image(L"setup-own.iso");
  Burn();
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{BurnCompleteText});
  EXPECT_EQ(View.Status(), OwnAnswerFileText);
  EXPECT_EQ(burntest::FileBytes(L"Q:\\AutoUnattend.xml"), burntest::FileBytes(Image(L"setup-own\\AutoUnattend.xml")));
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"setup-own")));

  Choice.IsoFile = Image(L"setup.iso");
  Choice.Setup = TSetupAnswers{};
  View = {};
  Burn();
  EXPECT_EQ(View.BoxTexts(), std::vector<std::wstring>{BurnCompleteText});
  EXPECT_TRUE(burntest::SameTree(L"Q:\\", Image(L"setup")));
}

}  // namespace
