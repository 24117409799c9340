#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "burn/answer_file.h"
#include "base/failure.h"

namespace {

const std::wstring Name = L"Zo\u00eb O'Brien & Co";
const std::string NameText = "\"Zo\u00eb O'Brien & Co\"";  // as an XPath literal, in UTF-8
const TLocaleValues Locale{L"0407:00000409", L"de-DE", L"en-GB", L"de-CH"};
const std::string XmlFile = "answer_file_tests.xml", ScriptFile = "answer_file_tests.xpath";

// How many nodes each query finds, as xmllint reads the text (prefixes u:
// unattend and wcm:); none when it is not well formed. The files stay in the
// build tree's bin folder, where the test runs.
std::vector<double> Counts(const std::string& text, const std::vector<std::string>& queries) {
  std::ofstream(XmlFile, std::ios::binary) << text;
  std::ofstream script(ScriptFile);
  script << "setns u=urn:schemas-microsoft-com:unattend\nsetns wcm=http://schemas.microsoft.com/WMIConfig/2002/State\n";
  for (const std::string& query : queries) script << "xpath count(" << query << ")\n";
  script.close();
  std::vector<double> counts;
  const std::string mark = "Object is a number : ";
  FILE* out = std::system((QUILLORA_XMLLINT " --noout " + XmlFile).c_str()) == 0
                  ? ::popen((QUILLORA_XMLLINT " --shell " + XmlFile + " < " + ScriptFile + " 2>&1").c_str(), "r")
                  : nullptr;
  for (char line[4096]; out && std::fgets(line, sizeof line, out);)
    if (const char* at = std::strstr(line, mark.c_str())) counts.push_back(std::atof(at + mark.size()));
  if (out) ::pclose(out);
  return counts;
}

const std::string Pe = "/u:unattend/u:settings[@pass='windowsPE']/u:component[@name='Microsoft-Windows-Setup']";
const std::string Sp = "/u:unattend/u:settings[@pass='specialize']/u:component[@name='Microsoft-Windows-Deployment']";
const std::string Oobe = "/u:unattend/u:settings[@pass='oobeSystem']/u:component";
const std::string Shell = Oobe + "[@name='Microsoft-Windows-Shell-Setup']";
std::string Reg(const std::string& component, const std::string& key, const std::string& value) {
  return component + "/u:RunSynchronous/u:RunSynchronousCommand[@wcm:action='add'][u:Order][u:Path='reg add " + key +
         " /v " + value + " /t REG_DWORD /d 1 /f']";
}
const std::string Lab = "HKLM\\SYSTEM\\Setup\\LabConfig";

// Each setting with the index of its option in SetupOptionTicks.
const std::vector<std::pair<std::size_t, std::string>> Settings = {
    {0, Reg(Pe, Lab, "BypassTPMCheck")},
    {0, Reg(Pe, Lab, "BypassSecureBootCheck")},
    {0, Reg(Pe, Lab, "BypassRAMCheck")},
    {1, Shell + "/u:OOBE/u:HideOnlineAccountScreens[.='true']"},
    {1, Reg(Sp, "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\OOBE", "BypassNRO")},
    {2, Shell + "/u:UserAccounts/u:LocalAccounts/u:LocalAccount[@wcm:action='add'][u:Group='Administrators'][u:Name=" +
            NameText + "]/u:Password[u:Value=''][u:PlainText='true']"},
    {2, Shell + "/u:FirstLogonCommands/u:SynchronousCommand[@wcm:action='add'][u:Order='1']" +
            "[u:CommandLine=concat('net user \"', " + NameText + ", '\" /logonpasswordchg:yes')]"},
    {3, Oobe + "[@name='Microsoft-Windows-International-Core'][u:InputLocale='0407:00000409']" +
            "[u:SystemLocale='de-DE'][u:UILanguage='en-GB'][u:UserLocale='de-CH']"},
    {4, Shell + "/u:OOBE/u:HideEULAPage[.='true']"},
    {4, Shell + "/u:OOBE/u:ProtectYourPC[.='3']"},
    {5, Reg(Sp, "HKLM\\SYSTEM\\CurrentControlSet\\Control\\BitLocker", "PreventDeviceEncryption")},
};
const double Leaves[6] = {6, 3, 6, 4, 2, 2};  // the elements without children each option writes

TEST(AnswerFile, HoldsExactlyTheTickedOptionsSettingsForEachArchitecture) {
  EXPECT_EQ(AnswerFileText({}, TArchitecture::Amd64, Locale), "");
  const std::pair<TArchitecture, std::string> architectures[] = {
      {TArchitecture::Amd64, "amd64"}, {TArchitecture::Arm64, "arm64"}, {TArchitecture::X86, "x86"}};
  for (const auto& [architecture, arch] : architectures)
    for (std::size_t only = 0; only <= SetupOptionTicks.size(); ++only) {  // each alone, then all
      TSetupOptions options;
      options.LocalAccountName = Name;
      for (std::size_t i = 0; i < SetupOptionTicks.size(); ++i) options.*SetupOptionTicks[i] = only == i || only == 6;
      const std::string text = AnswerFileText(options, architecture, Locale);
      SCOPED_TRACE(text);
      EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n", 0), 0u);
      std::vector<std::string> queries = {
          "/u:unattend", "//*[namespace-uri()!='urn:schemas-microsoft-com:unattend']",
          "//u:component[not(@processorArchitecture='" + arch + "' and @publicKeyToken='31bf3856ad364e35' and "
              "@language='neutral' and @versionScope='nonSxS' and "
              "namespace::wcm='http://schemas.microsoft.com/WMIConfig/2002/State')]",
          "//*[not(*)][.=''][not(self::u:Value)]",  // a pass, component or group left empty
          "//u:RunSynchronousCommand[u:Order != count(preceding-sibling::*) + 1]",  // 1, 2, 3... in each pass
          "//*[not(*)]"};
      std::vector<double> expected = {1, 0, 0, 0, 0, 0};
      for (const auto& [option, query] : Settings) {
        queries.push_back(query);
        expected.push_back(options.*SetupOptionTicks[option] ? 1 : 0);
      }
      for (std::size_t i = 0; i < SetupOptionTicks.size(); ++i) expected[5] += options.*SetupOptionTicks[i] ? Leaves[i] : 0;
      EXPECT_EQ(Counts(text, queries), expected);
    }
  TSetupOptions refused;
  refused.CreateLocalAccount = true;
  refused.LocalAccountName = L"a/b";
  EXPECT_THROW(AnswerFileText(refused, TArchitecture::Amd64, Locale), EFailure);
}

TEST(AnswerFile, ImageRulesAndAccountNames) {
  const std::vector<std::wstring> setup = {L"SETUP.EXE", L"sources\\BOOT.wim", L"sources\\install.wim"};
  EXPECT_TRUE(IsWindowsSetupImage(setup, L'\\'));
  EXPECT_TRUE(IsWindowsSetupImage({L"setup.exe", L"Sources/boot.wim", L"Sources/Install.ESD"}, L'/'));
  EXPECT_TRUE(IsWindowsSetupImage({L"setup.exe", L"sources/boot.wim", L"sources/install.swm"}, L'/'));
  for (std::size_t missing = 0; missing < setup.size(); ++missing) {
    std::vector<std::wstring> files = setup;
    files[missing] = L"x64\\" + files[missing];
    EXPECT_FALSE(IsWindowsSetupImage(files, L'\\')) << missing;
  }
  EXPECT_EQ(ImageArchitecture(setup, L'\\'), TArchitecture::Amd64);
  EXPECT_EQ(ImageArchitecture({L"efi\\boot\\bootx64.efi", L"efi\\boot\\bootia32.efi"}, L'\\'), TArchitecture::Amd64);
  EXPECT_EQ(ImageArchitecture({L"EFI/Boot/BOOTAA64.EFI", L"bootx64.efi"}, L'/'), TArchitecture::Arm64);
  EXPECT_EQ(ImageArchitecture({L"efi\\boot\\bootia32.efi"}, L'\\'), TArchitecture::X86);
  EXPECT_TRUE(HasOwnAnswerFile({L"setup.exe", L"/AutoUnattend.XML"}, L'/'));
  EXPECT_FALSE(HasOwnAnswerFile({L"sources\\autounattend.xml"}, L'\\'));

  for (const wchar_t* name : {L"A", L"12345678901234567890", L".a", L"x-y_z!#$%&'"})
    EXPECT_TRUE(IsAccountNameAccepted(name)) << name;
  for (const wchar_t c : std::wstring(L"\"/\\[]:;|=,+*?<>@\t"))
    EXPECT_FALSE(IsAccountNameAccepted(std::wstring(L"ab") + c)) << static_cast<int>(c);
  // Windows counts UTF-16 units: the last character takes two.
  for (const wchar_t* name : {L"", L"123456789012345678901", L". .", L"1234567890123456789\U0001F600"})
    EXPECT_FALSE(IsAccountNameAccepted(name)) << name;
}

}  // namespace
