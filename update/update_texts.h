#pragma once
// The texts of the update component's windows and message boxes. English is
// the one language this program carries.

namespace melkrin::update {

// The component's name, shown in the wizard's corner.
inline constexpr const char* kComponentName = "SelfUpdater";

// The caption of the wizard and of every message box of the update.
inline constexpr const char* kUpdateCaption = "Application update wizard";

// The wizard.
inline constexpr const char* kWizardTitleText = "Downloading files...";
inline constexpr const char* kCurrentFileText = "Current file";
inline constexpr const char* kAllFilesText = "All files";
inline constexpr const char* kDownloadingFromText = "Downloading file from";
inline constexpr const char* kFileSizeText = "File size: %.1f Kb";
inline constexpr const char* kTransferRateText = "Transfer rate: %.1f Kb/s";
inline constexpr const char* kTimeLeftText = "Estimated time left: %d:%.2d:%.2d";
inline constexpr const char* kFileCounterText = "Downloading %d of %d";
inline constexpr const char* kPreparingText = "Preparing. . .";
inline constexpr const char* kUpgradeCompletedText = "Upgrade completed!";
inline constexpr const char* kUpdateCompletedText =
    "The update of %s has been successfully completed.\r\rPress the OK button to restart program.";
inline constexpr const char* kAbortQuestionText = "The update is not completed.\rWould you like to abort upgrading?";

// The password window.
inline constexpr const char* kPasswordCaption = "Enter password";
inline constexpr const char* kUserNameLabel = "User Name";
inline constexpr const char* kPasswordLabel = "Password";
inline constexpr const char* kPasswordRequestText =
    "Access to remote file \"%s\" is password protected.\n\nPlease enter your username and password (received "
    "after registration) to continue software upgrade.";

// Buttons.
inline constexpr const char* kYesButton = "&Yes";
inline constexpr const char* kOkButton = "&OK";
inline constexpr const char* kCancelButton = "&Cancel";
inline constexpr const char* kNextButton = "&Next >";
inline constexpr const char* kLaterButton = "&Later";

// Questions and message boxes.
inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kAskUpgradeText =
    "A newer version of %s was released.\n%s\nDo you want to update your version with the latest one?";
inline constexpr const char* kNoNewerVersionText =
    "Newer version not found. You actually are\rusing most recent version of this program.";
inline constexpr const char* kNoInfoFileText =
    "File which contains upgrade information was not found on developer's site.";
inline constexpr const char* kHostUnreachableText =
    "Host %s unreachable.\r\rPlease check your Internet connection and\rtry to upgrade this software again later.";
inline constexpr const char* kLostFileText =
    "File %s not found or inaccessible.\r\rTry to skip this file and continue upgrade?";
inline constexpr const char* kConnLostText =
    "Connection with remote server lost.\r\rPlease restore connection and try to\rupgrade this software again later.";

// Message boxes of the check that the developer site cannot answer for:
// the information file is refused before anything is read from it.
inline constexpr const char* kUnsignedInfoText =
    "The update information on the developer's site is not signed.\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";
inline constexpr const char* kBadSignatureText =
    "The update information on the developer's site does not carry the developer's valid signature.\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";
// A server that misbehaves: the bodies and the answers it may send are bounded.
inline constexpr const char* kInfoTooLargeText =
    "The update information on the developer's site is far larger than such a file can be.\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";
inline constexpr const char* kRedirectLoopText =
    "The developer's site sends the request for %s from one address to another without end.\r\r"
    "Please try to upgrade this software again later.";
inline constexpr const char* kInsecureRedirectText =
    "The secure (https) request for %s was sent on to an address that is not secure (plain http).\r\r"
    "The update was stopped for your safety: the request was not followed there.";
inline constexpr const char* kUncheckedFileText =
    "The update information on the developer's site does not give a checksum and size for every file.\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";

inline constexpr const char* kRepeatedKeyText =
    "The update information on the developer's site names the same entry twice, so it cannot be read safely.\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";

}  // namespace melkrin::update
