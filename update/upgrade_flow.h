#pragma once
// The upgrade flow: once the check found a newer version, ask the user, then
// open a web page or download every listed file beside the program as
// "<name>.uTMP", and hand over to UpdHelper.exe, which swaps them in while
// the program is closed. A state machine driven by the transfer's
// notifications (through a receiver of its own for each download) and the
// wizard's closing; every way it ends passes through finish().
#include <cstdint>
#include <functional>
#include <optional>
#include <memory>
#include <string>
#include <variant>
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

struct Credentials {
    std::string username, password;
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
    // The password window, filled with the given user name and password; what
    // it was closed with by OK, nothing when cancelled.
    virtual std::optional<Credentials> askPassword(const std::string& fileName, const Credentials& given) = 0;
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

// The flow's phases. No round under way; how the last one ended, and
// whether the user aborted it (rather than the program's end stopping it):
struct UpgradeIdle {
    UpgradeEnd lastEnd = UpgradeEnd::None;
    bool abortedByUser = false;
};
// Downloading the listed file at index into localFile (the pending name).
struct UpgradeDownloading {
    std::size_t index = 0;
    std::string localFile;
    LocalDateTime fileTime = 0;  // the server's Last-Modified, 0 when absent
};
// Every file is in; the wizard waits for "&OK".
struct UpgradeFinalPage {};
using UpgradePhase = std::variant<UpgradeIdle, UpgradeDownloading, UpgradeFinalPage>;

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
    ~UpgradeFlow();
    UpgradeFlow(const UpgradeFlow&) = delete;
    UpgradeFlow& operator=(const UpgradeFlow&) = delete;

    // Settings.
    enum class MiscFilesBehavior { AlwaysDownload, OnlyIfSizeDifferent };
    MiscFilesBehavior miscFilesUpgrade = MiscFilesBehavior::AlwaysDownload;
    std::string restartParams = updhelper::kRestartArgument;
    bool wizardEnabled = true;
    ShowMessagesSet showMessages;

    // Notifications.
    std::function<void()> onLaterUpgrade;
    std::function<void(const std::string& fileName)> onFileDone;
    std::function<void()> onAborted;
    std::function<void(const std::string& url, const std::string& host)> onHostUnreachable;

    // Entered from the check with the offer.
    void begin(const UpdateOffer& offer);

    // The wizard was closed: by "&OK" on the final page, or after the user
    // confirmed the close question.
    void wizardClosed(WizardEnd end);

    // The program ends during a round: nothing is installed, nothing is left pending.
    void stop() {
        if (active()) finish(UpgradeEnd::Aborted);
    }

    const UpgradePhase& phase() const { return phase_; }
    UpgradeState state() const;
    bool active() const { return !std::holds_alternative<UpgradeIdle>(phase_); }
    bool abortedMark() const;
    // None while a round is under way.
    UpgradeEnd lastEnd() const;
    // The listed file being downloaded (0 in any other phase).
    std::size_t fileIndex() const;

private:
    // The events of the download under way; each download gets its own receiver.
    TransferReceiver downloadReceiver();
    bool headersReceived(const HeadersInfo& headers);
    void progress(std::uint32_t fileSize, std::uint32_t bytesRead, std::int64_t estimatedTimeLeft, int percentsDone,
                  float transferRate);
    void transferDone();
    void transferSkipped();
    void transferIncomplete();
    void serverUnreachable();
    void httpError(int statusCode);
    bool passwordNeeded(const std::string& realm);
    // The transfer ended itself: a body larger than the listed size, a redirect loop, or a
    // redirect from https to http.
    void transferRefused(TransferRefusal reason);
    // The download under way; null in any other phase.
    UpgradeDownloading* downloading() { return std::get_if<UpgradeDownloading>(&phase_); }
    void ended(UpgradeEnd end) { phase_ = UpgradeIdle{end, false}; }

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
    UpgradePhase phase_;
    // The round's offer and the local names of its files.
    UpdateOffer offer_;
    std::vector<std::string> localNames_;
    // Receivers check it, so an event that comes after the flow has gone does nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace melkrin::update
