#include "burn/answer_file.h"

#include <algorithm>
#include <cstdint>

#include "base/ascii_text.h"
#include "base/failure.h"
#include "base/text_convert.h"

namespace {

// Windows counts an account name's length in UTF-16 units.
std::size_t Utf16Length(const std::wstring& text) {
  std::size_t length = 0;
  for (wchar_t c : text) length += (static_cast<uint32_t>(c) >> 16) != 0 ? 2 : 1;
  return length;
}

// For element text: the program writes every attribute value itself.
std::wstring Escaped(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

std::wstring Indent(int depth) { return std::wstring(static_cast<std::size_t>(depth) * 2, L' '); }

std::wstring Leaf(int depth, const std::wstring& name, const std::wstring& value) {
  return Indent(depth) + L"<" + name + L">" + Escaped(value) + L"</" + name + L">\n";
}

// An element with nothing inside is left out, and so is its parent in turn.
std::wstring Wrap(int depth, const std::wstring& name, const std::wstring& attributes, const std::wstring& inner) {
  if (inner.empty()) return L"";
  return Indent(depth) + L"<" + name + attributes + L">\n" + inner + Indent(depth) + L"</" + name + L">\n";
}

const wchar_t* ArchitectureName(TArchitecture architecture) {
  switch (architecture) {
    case TArchitecture::Arm64: return L"arm64";
    case TArchitecture::X86: return L"x86";
    case TArchitecture::Amd64: break;
  }
  return L"amd64";
}

std::wstring Component(const std::wstring& name, TArchitecture architecture, const std::wstring& inner) {
  return Wrap(2, L"component",
              L" name=\"" + name + L"\" processorArchitecture=\"" + ArchitectureName(architecture) +
                  L"\" publicKeyToken=\"31bf3856ad364e35\" language=\"neutral\" versionScope=\"nonSxS\""
                  L" xmlns:wcm=\"http://schemas.microsoft.com/WMIConfig/2002/State\"",
              inner);
}

std::wstring Pass(const std::wstring& pass, const std::wstring& components) {
  return Wrap(1, L"settings", L" pass=\"" + pass + L"\"", components);
}

// Setup runs them one after the other, in their Order from 1 up.
std::wstring RunSynchronous(const std::vector<std::wstring>& paths) {
  std::wstring commands;
  for (std::size_t i = 0; i < paths.size(); ++i)
    commands += Wrap(4, L"RunSynchronousCommand", L" wcm:action=\"add\"",
                     Leaf(5, L"Order", std::to_wstring(i + 1)) + Leaf(5, L"Path", paths[i]));
  return Wrap(3, L"RunSynchronous", L"", commands);
}

std::wstring SetDword(const std::wstring& key, const std::wstring& value) {
  return L"reg add " + key + L" /v " + value + L" /t REG_DWORD /d 1 /f";
}

// Setup's own checks read these from Windows PE's registry before it installs.
std::wstring WindowsPePass(const TSetupOptions& options, TArchitecture architecture) {
  std::vector<std::wstring> commands;
  if (options.RemoveHardwareRequirements)
    for (const wchar_t* check : {L"BypassTPMCheck", L"BypassSecureBootCheck", L"BypassRAMCheck"})
      commands.push_back(SetDword(L"HKLM\\SYSTEM\\Setup\\LabConfig", check));
  return Pass(L"windowsPE", Component(L"Microsoft-Windows-Setup", architecture, RunSynchronous(commands)));
}

// Values that the installed Windows reads from its own registry: specialize
// runs there, before the first start's questions.
std::wstring SpecializePass(const TSetupOptions& options, TArchitecture architecture) {
  std::vector<std::wstring> commands;
  if (options.RemoveOnlineAccountRequirement)
    commands.push_back(SetDword(L"HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\OOBE", L"BypassNRO"));
  if (options.DisableDeviceEncryption)
    commands.push_back(SetDword(L"HKLM\\SYSTEM\\CurrentControlSet\\Control\\BitLocker", L"PreventDeviceEncryption"));
  return Pass(L"specialize", Component(L"Microsoft-Windows-Deployment", architecture, RunSynchronous(commands)));
}

std::wstring InternationalCore(const TSetupOptions& options, TArchitecture architecture,
                               const TLocaleValues& locale) {
  if (!options.SetRegionalOptions) return L"";
  return Component(L"Microsoft-Windows-International-Core", architecture,
                   Leaf(3, L"InputLocale", locale.InputLocale) + Leaf(3, L"SystemLocale", locale.SystemLocale) +
                       Leaf(3, L"UILanguage", locale.UILanguage) + Leaf(3, L"UserLocale", locale.UserLocale));
}

std::wstring ShellSetup(const TSetupOptions& options, TArchitecture architecture) {
  std::wstring firstLogon;
  std::wstring accounts;
  if (options.CreateLocalAccount) {
    // The empty password is to be replaced at the next sign-in: the first
    // one, with no password, runs this command.
    firstLogon = Wrap(3, L"FirstLogonCommands", L"",
                      Wrap(4, L"SynchronousCommand", L" wcm:action=\"add\"",
                           Leaf(5, L"CommandLine",
                                L"net user \"" + options.LocalAccountName + L"\" /logonpasswordchg:yes") +
                               Leaf(5, L"Order", L"1")));
    const std::wstring password =
        Wrap(6, L"Password", L"", Leaf(7, L"Value", L"") + Leaf(7, L"PlainText", L"true"));
    accounts = Wrap(3, L"UserAccounts", L"",
                    Wrap(4, L"LocalAccounts", L"",
                         Wrap(5, L"LocalAccount", L" wcm:action=\"add\"",
                              Leaf(6, L"Group", L"Administrators") + Leaf(6, L"Name", options.LocalAccountName) +
                                  password)));
  }
  std::wstring oobe;
  if (options.DisableDataCollection) oobe += Leaf(4, L"HideEULAPage", L"true");
  if (options.RemoveOnlineAccountRequirement) oobe += Leaf(4, L"HideOnlineAccountScreens", L"true");
  if (options.DisableDataCollection) oobe += Leaf(4, L"ProtectYourPC", L"3");
  return Component(L"Microsoft-Windows-Shell-Setup", architecture,
                   firstLogon + Wrap(3, L"OOBE", L"", oobe) + accounts);
}

// A path from the image root in lower case, parts split by backslashes.
std::wstring RootPath(const std::wstring& path, wchar_t delimiter) {
  std::wstring out = AsciiLowerCase(path);
  std::replace(out.begin(), out.end(), delimiter, L'\\');
  return out.empty() || out[0] != L'\\' ? out : out.substr(1);
}

bool HasFile(const std::vector<std::wstring>& paths, wchar_t delimiter, const wchar_t* wanted) {
  return std::any_of(paths.begin(), paths.end(),
                     [&](const std::wstring& path) { return RootPath(path, delimiter) == wanted; });
}

}  // namespace

bool IsAccountNameAccepted(const std::wstring& name) {
  static const std::wstring refused = L"\"/\\[]:;|=,+*?<>@";
  if (name.empty() || Utf16Length(name) > 20) return false;
  const bool anyRefused = std::any_of(name.begin(), name.end(), [](wchar_t c) {
    return static_cast<unsigned long>(c) < 32 || refused.find(c) != std::wstring::npos;
  });
  return !anyRefused && name.find_first_not_of(L". ") != std::wstring::npos;
}

std::wstring AccountNameRefusedText(const std::wstring& name) {
  return L"Windows cannot take \"" + name +
         L"\" as a user name. Use 1 to 20 characters, not only dots or blanks, and none of "
         L"\" / \\ [ ] : ; | = , + * ? < > @.";
}

std::string AnswerFileText(const TSetupOptions& options, TArchitecture architecture, const TLocaleValues& locale) {
  if (options.CreateLocalAccount && !IsAccountNameAccepted(options.LocalAccountName))
    throw EFailure(AccountNameRefusedText(options.LocalAccountName));
  const std::wstring passes =
      WindowsPePass(options, architecture) + SpecializePass(options, architecture) +
      Pass(L"oobeSystem", InternationalCore(options, architecture, locale) + ShellSetup(options, architecture));
  const std::wstring document = Wrap(0, L"unattend", L" xmlns=\"urn:schemas-microsoft-com:unattend\"", passes);
  if (document.empty()) return "";
  return ToUtf8(L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" + document);
}

bool IsWindowsSetupImage(const std::vector<std::wstring>& paths, wchar_t delimiter) {
  const bool hasInstallImage = HasFile(paths, delimiter, L"sources\\install.wim") ||
                               HasFile(paths, delimiter, L"sources\\install.swm") ||
                               HasFile(paths, delimiter, L"sources\\install.esd");
  return hasInstallImage && HasFile(paths, delimiter, L"setup.exe") &&
         HasFile(paths, delimiter, L"sources\\boot.wim");
}

bool HasOwnAnswerFile(const std::vector<std::wstring>& paths, wchar_t delimiter) {
  return HasFile(paths, delimiter, L"autounattend.xml");
}

TArchitecture ImageArchitecture(const std::vector<std::wstring>& paths, wchar_t delimiter) {
  if (HasFile(paths, delimiter, L"efi\\boot\\bootx64.efi")) return TArchitecture::Amd64;
  if (HasFile(paths, delimiter, L"efi\\boot\\bootaa64.efi")) return TArchitecture::Arm64;
  if (HasFile(paths, delimiter, L"efi\\boot\\bootia32.efi")) return TArchitecture::X86;
  return TArchitecture::Amd64;
}
