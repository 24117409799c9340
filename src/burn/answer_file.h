#pragma once
// The answer file Windows Setup reads from the stick's root
// (autounattend.xml), made from the setup options the user ticked, and the
// image rules that decide whether an image is a Windows setup image and for
// which processor. Platform-free.
#include <array>
#include <string>
#include <vector>

// The choices of the setup options dialog, remembered between runs.
struct TSetupOptions {
  bool RemoveHardwareRequirements = false;  // 4 GB+ RAM, Secure Boot, TPM 2.0
  bool RemoveOnlineAccountRequirement = false;
  bool CreateLocalAccount = false;
  std::wstring LocalAccountName;
  bool SetRegionalOptions = false;  // the values of this PC
  bool DisableDataCollection = false;
  bool DisableDeviceEncryption = false;
};

// The six ticks in the struct's order, for code that goes through them all.
inline constexpr std::array<bool TSetupOptions::*, 6> SetupOptionTicks = {
    &TSetupOptions::RemoveHardwareRequirements, &TSetupOptions::RemoveOnlineAccountRequirement,
    &TSetupOptions::CreateLocalAccount,         &TSetupOptions::SetRegionalOptions,
    &TSetupOptions::DisableDataCollection,      &TSetupOptions::DisableDeviceEncryption};

// The processor of the image: every component of the answer file names it.
enum class TArchitecture { Amd64, Arm64, X86 };

// The regional values the installed Windows takes, in the answer file's
// forms: InputLocale "0409:00000409", the others "en-US".
struct TLocaleValues {
  std::wstring InputLocale;
  std::wstring SystemLocale;
  std::wstring UILanguage;
  std::wstring UserLocale;
};

// What a burn answers Windows Setup with: the ticks and the values they take.
struct TSetupAnswers {
  TSetupOptions Options;
  TLocaleValues Locale;
};

inline constexpr const wchar_t* AnswerFileName = L"autounattend.xml";
inline constexpr const wchar_t* OwnAnswerFileText =
    L"The image has its own autounattend.xml: Quillora's setup options were not written.";
inline constexpr const wchar_t* AnswerFileFailedText = L"Failed to write autounattend.xml to the USB drive.";

// False for names Windows cannot give an account: empty, longer than 20
// characters, only dots and blanks, or holding a control character or one
// of " / \ [ ] : ; | = , + * ? < > @.
bool IsAccountNameAccepted(const std::wstring& name);
// The text for a refused name (the dialog's box, and AnswerFileText's failure).
std::wstring AccountNameRefusedText(const std::wstring& name);

// The answer file in UTF-8 with its XML declaration, holding the settings of
// the ticked options only; empty when none is ticked. Throws EFailure with
// AccountNameRefusedText when the local account is ticked with a refused name.
std::string AnswerFileText(const TSetupOptions& options, TArchitecture architecture, const TLocaleValues& locale);

// True when the image's files (paths from its root, parts split by
// `delimiter`, any letter case) hold setup.exe at the root,
// sources\install.wim, .swm or .esd, and sources\boot.wim.
bool IsWindowsSetupImage(const std::vector<std::wstring>& paths, wchar_t delimiter);
// True when the image's root holds an autounattend.xml (any letter case).
bool HasOwnAnswerFile(const std::vector<std::wstring>& paths, wchar_t delimiter);
// The processor of the image's UEFI boot file efi\boot\bootx64.efi (Amd64),
// bootaa64.efi (Arm64) or bootia32.efi (X86), in that order when it has
// several; Amd64 when it has none.
TArchitecture ImageArchitecture(const std::vector<std::wstring>& paths, wchar_t delimiter);
