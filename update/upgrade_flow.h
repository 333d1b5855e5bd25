#pragma once
// The upgrade flow: once the check found a newer version, ask the user, then
// open a web page or download every listed file beside the program as
// "<name>.uTMP", and hand over to UpdHelper.exe, which swaps them in while
// the program is closed. A state machine driven by the transfer's
// notifications and the wizard's closing; every way it ends passes through
// finish().
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "update/helper_handover.h"
#include "update/http_client.h"
#include "update/update_checker.h"
#include "update_helper/helper_protocol.h"

namespace melkrin::update {

using updhelper::kHelperFileName;
using updhelper::kPendingSuffix;

// The files beside the program, as the flow needs them.
class UpgradeFiles {
public:
    virtual ~UpgradeFiles() = default;
    // Names (without folder) of the files matching "*.uTMP" in folder.
    virtual std::vector<std::string> pendingFiles(const std::string& folder) = 0;
    virtual bool deleteFile(const std::string& path) = 0;
    virtual std::optional<std::uint64_t> fileSize(const std::string& path) = 0;
    virtual std::optional<std::string> readAll(const std::string& path) = 0;
    // Creation and last-write time, at the file system's resolution.
    virtual void setFileTime(const std::string& path, LocalDateTime time) = 0;
};

// What the wizard ended with.
enum class WizardEnd { Finished, Aborted };

// The flow's windows and its questions.
class UpgradeWindows {
public:
    virtual ~UpgradeWindows() = default;
    // The upgrade question; true for "&Yes".
    virtual bool askUpgrade(const std::string& message) = 0;
    // Opens the download wizard; its closing comes back through
    // UpgradeFlow::wizardClosed.
    virtual void openWizard() = 0;
    virtual bool wizardOpen() = 0;
    virtual void setLocation(const std::string& url) = 0;
    virtual void setCounter(const std::string& text) = 0;
    virtual void setSizeLine(const std::string& text) = 0;
    virtual void setProgress(int currentPercent, int allPercent, const std::string& rateLine,
                             const std::string& timeLine) = 0;
    virtual void showFinalPage() = 0;
    // Closes the wizard without asking and without reporting back.
    virtual void closeWizard() = 0;
    // Yes/No with a warning icon; true for Yes.
    virtual bool askYesNo(const std::string& text, const std::string& caption) = 0;
    // The password window; true when closed with OK.
    virtual bool askPassword(const std::string& fileName, std::string& username, std::string& password) = 0;
    // Opens a web page in the user's browser.
    virtual void openInBrowser(const std::string& url) = 0;
    virtual char decimalSeparator() = 0;
};

// The hand-over to UpdHelper.exe.
class HelperLauncher {
public:
    virtual ~HelperLauncher() = default;
    // Writes the embedded helper into a fresh folder only administrators can
    // write, checks it and starts it as a normal visible process, not waited
    // for (see helper_handover.h).
    virtual HandOverResult handOver(const std::string& programPath, const std::string& argument) = 0;
    // Closes the main window (its close handler runs) and ends the program.
    virtual void closeApplication() = 0;
};

enum class UpgradeState { Idle, Downloading, FinalPage };

// How a round ended, for tests and the log.
enum class UpgradeEnd {
    None, Declined, Redirected, Restarted, Aborted, ConnLost, HostUnreachable, RefusedName, FileMismatch,
    NotStarted, RedirectLoop, RequiredFileSkipped, InsecureRedirect,
};

// The local name of a listed file: the text after the last "/" or "\" of
// the URL. Empty when that cannot be a plain file name in the program folder
// (empty, "." or "..", a drive or stream colon, a device name, characters
// Windows does not allow, a trailing dot or blank).
std::string localFileNameOf(const std::string& url);

// round(100 * index / count) + percentsDone div count.
int totalPercentsDone(std::size_t index, std::size_t count, int percentsDone);

// "%.1f" with the given decimal separator.
std::string formatOneDecimal(double value, char decimalSeparator);

inline constexpr const char* kRefusedNameText =
    "The update names a file that cannot be stored in the program's folder:\r%s\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";
inline constexpr const char* kFileMismatchText =
    "The downloaded file %s is not the file the developer published (its size or checksum differs).\r\r"
    "The update was stopped for your safety: nothing was installed.";

inline constexpr const char* kRequiredFileSkippedText =
    "The file %s was skipped, but the update cannot work without it.\r\r"
    "Nothing of this update was installed; the program stays as it was.";

class UpgradeFlow {
public:
    struct Services {
        HttpClient& transfer;
        UpgradeFiles& files;
        UpgradeWindows& windows;
        HelperLauncher& launcher;
        UpdateMessageBoxes& messages;
        std::string programPath;    // the running program file
        std::string programFolder;  // with a trailing backslash
        std::string applicationTitle;
    };

    explicit UpgradeFlow(Services services);

    // Settings.
    enum class MiscFilesBehavior { AlwaysDownload, OnlyIfSizeDifferent };
    MiscFilesBehavior miscFilesUpgrade = MiscFilesBehavior::AlwaysDownload;
    std::string restartParams = updhelper::kRestartArgument;
    bool wizardEnabled = true;
    ShowMessagesSet showMessages;

    // Notifications.
    std::function<void()> onLaterUpgrade;
    std::function<void(const std::string& url, std::uint32_t size, LocalDateTime time, bool& canUpgrade)> onFileStart;
    std::function<void(const std::string& url, std::uint32_t size, std::uint32_t bytesRead, int percentsDone,
                       int totalPercentsDone, float rate)>
        onProgress;
    std::function<void(const std::string& fileName)> onFileDone;
    std::function<void(bool& restartImmediately)> onEndUpgrade;
    std::function<void()> onAborted;
    std::function<void()> onConnLost;
    std::function<void(const std::string& url, const std::string& host)> onHostUnreachable;
    std::function<void(const std::string& url, int statusCode, bool& continueUpgrade)> onLostFile;
    std::function<void(const std::string& realm, bool& tryAgain)> onPasswordRequest;

    // Entered from the check with the offer.
    void Begin(const UpdateOffer& offer);

    // Events of the transfer while downloading.
    void onHeadersReceived(const HeadersInfo& headers, bool& continueDownload);
    void Progress(std::uint32_t fileSize, std::uint32_t bytesRead, std::int64_t estimatedTimeLeft, int percentsDone,
                  float transferRate);
    void onTransferDone();
    void onTransferSkipped();
    void onTransferIncomplete();
    void onServerUnreachable();
    void onHttpError(int statusCode);
    void onPasswordNeeded(const std::string& realm, bool& tryAgain);
    // The transfer ended itself: a body larger than the listed size, a redirect loop, or a
    // redirect from https to http.
    void onTransferRefused(TransferRefusal reason);
    // The wizard was closed: by "&OK" on the final page, or after the user
    // confirmed the close question.
    void wizardClosed(WizardEnd end);

    // The program ends during a round: nothing is installed, nothing is left pending.
    void stop() {
        if (active()) finish(UpgradeEnd::Aborted);
    }

    UpgradeState state() const { return state_; }
    bool active() const { return state_ != UpgradeState::Idle; }
    bool abortedMark() const { return aborted_; }
    UpgradeEnd lastEnd() const { return lastEnd_; }
    std::size_t fileIndex() const { return index_; }
    const std::string& currentLocalFile() const { return localFile_; }

private:
    void startDownloads();
    void startFile();
    void nextFile();
    void restart();
    void abort();
    // The one end of every round that does not restart the program: stops
    // the transfer, closes the wizard, and removes every pending file, so
    // nothing half-loaded or unchecked ever reaches the helper. It runs
    // before the round's last message, so the topmost wizard never hides it.
    void finish(UpgradeEnd end);
    void deletePendingFiles();
    bool shows(UpdateMessage m) const { return showMessages.count(m) != 0; }
    void error(const std::string& text);

    Services s_;
    UpgradeState state_ = UpgradeState::Idle;
    UpgradeEnd lastEnd_ = UpgradeEnd::None;
    UpdateOffer offer_;
    std::vector<std::string> localNames_;
    std::size_t index_ = 0;
    std::string localFile_;
    LocalDateTime fileTime_ = 0;
    bool aborted_ = false;
};

}  // namespace melkrin::update
