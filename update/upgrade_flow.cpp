#include "update/upgrade_flow.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "common/errors.h"
#include "update/signed_info.h"
#include "update/transfer_rules.h"
#include "update/update_texts.h"

namespace melkrin::update {
namespace {

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool isDeviceName(const std::string& name) {
    // A device name stays a device with any extension ("nul.txt").
    const std::string stem = upper(name.substr(0, name.find('.')));
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : kDevices)
        if (stem == device) return true;
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '0' && stem[3] <= '9';
}

std::string withValue(const char* pattern, int a, int b) {
    char text[256];
    std::snprintf(text, sizeof(text), pattern, a, b);
    return text;
}

// The name of the file in the URL's path, for the messages.
std::string fileNameOfUrlPath(const std::string& url) {
    std::string path = url.substr(0, url.find_first_of("?#"));
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A fixed text with one "%.1f" filled in (the separator is the user's).
std::string withDecimal(const char* pattern, const std::string& value) {
    std::string text = pattern;
    const auto at = text.find("%.1f");
    if (at != std::string::npos) text.replace(at, 4, value);
    return text;
}

bool sameFileName(const std::string& a, const std::string& b) { return upper(a) == upper(b); }

}  // namespace

std::string localFileNameOf(const std::string& url) {
    const auto slash = url.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? url : url.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return "";
    for (unsigned char c : name)
        if (c < 32 || std::string_view("<>:\"|?*").find(static_cast<char>(c)) != std::string_view::npos) return "";
    if (name.back() == '.' || name.back() == ' ') return "";
    if (isDeviceName(name)) return "";
    return name;
}

int totalPercentsDone(std::size_t index, std::size_t count, int percentsDone) {
    if (count == 0) return 0;
    return roundHalfEven(100.0 * static_cast<double>(index) / static_cast<double>(count)) +
           percentsDone / static_cast<int>(count);
}

std::string formatOneDecimal(double value, char decimalSeparator) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.1f", value);
    std::string result = text;
    std::replace(result.begin(), result.end(), '.', decimalSeparator);
    return result;
}

UpgradeFlow::UpgradeFlow(Services services) : s_(std::move(services)) {}

UpgradeFlow::~UpgradeFlow() { *alive_ = false; }

UpgradeState UpgradeFlow::state() const {
    if (std::holds_alternative<UpgradeDownloading>(phase_)) return UpgradeState::Downloading;
    if (std::holds_alternative<UpgradeFinalPage>(phase_)) return UpgradeState::FinalPage;
    return UpgradeState::Idle;
}

bool UpgradeFlow::abortedMark() const {
    const auto* idle = std::get_if<UpgradeIdle>(&phase_);
    return idle && idle->abortedByUser;
}

UpgradeEnd UpgradeFlow::lastEnd() const {
    const auto* idle = std::get_if<UpgradeIdle>(&phase_);
    return idle ? idle->lastEnd : UpgradeEnd::None;
}

std::size_t UpgradeFlow::fileIndex() const {
    const auto* d = std::get_if<UpgradeDownloading>(&phase_);
    return d ? d->index : 0;
}

void UpgradeFlow::error(const std::string& text) { s_.messages.show(text, kUpdateCaption, MessageIcon::Error); }

void UpgradeFlow::begin(const UpdateOffer& offer) {
    if (active() || offer.files.empty()) return;
    offer_ = offer;
    phase_ = UpgradeIdle{};
    if (shows(UpdateMessage::AskUpgrade) && !s_.windows.askUpgrade(offer_.upgradeMsg)) {
        ended(UpgradeEnd::Declined);
        if (onLaterUpgrade) onLaterUpgrade();
        return;
    }
    if (offer_.upgradeMethod == UpgradeKind::RedirectToUrl) {
        ended(UpgradeEnd::Redirected);
        s_.windows.openInBrowser(normalizeUrl(offer_.files.front().url));
        return;
    }
    startDownloads();
}

void UpgradeFlow::startDownloads() {
    // Every name is checked before anything is written, so a refused one
    // leaves the folder as it was.
    localNames_.clear();
    for (const CheckedFile& file : offer_.files) {
        const std::string name = localFileNameOf(file.url);
        if (name.empty()) {
            error(formatWith(kRefusedNameText, file.url));
            ended(UpgradeEnd::RefusedName);
            return;
        }
        localNames_.push_back(name);
    }
    phase_ = UpgradeDownloading{};
    // A file left by an earlier round that ended badly must not be installed with this one.
    deletePendingFiles();
    if (wizardEnabled) s_.windows.openWizard();
    startFile();
}

TransferReceiver UpgradeFlow::downloadReceiver() {
    TransferReceiver r;
    const std::weak_ptr<bool> alive = alive_;
    auto living = [alive] {
        const auto flag = alive.lock();
        return flag && *flag;
    };
    r.onHeadersReceived = [this, living](const HeadersInfo& headers) { return !living() || headersReceived(headers); };
    r.onTransferProgress = [this, living](const std::string&, std::uint32_t fileSize, std::uint32_t bytesRead,
                                          std::uint32_t, std::int64_t estimatedTimeLeft, int percentsDone, float rate) {
        if (living()) progress(fileSize, bytesRead, estimatedTimeLeft, percentsDone, rate);
    };
    r.onTransferDone = [this, living](const std::string&, std::uint32_t, const std::string&) {
        if (living()) transferDone();
    };
    r.onTransferSkipped = [this, living] {
        if (living()) transferSkipped();
    };
    r.onTransferIncomplete = [this, living](const std::string&, std::uint32_t, std::uint32_t, const std::string&) {
        if (living()) transferIncomplete();
    };
    r.onServerUnreachable = [this, living] {
        if (living()) serverUnreachable();
    };
    r.onHttpError = [this, living](int statusCode, const std::string&) {
        if (living()) httpError(statusCode);
    };
    r.onTransferRefused = [this, living](TransferRefusal reason, int) {
        if (living()) transferRefused(reason);
    };
    r.onPasswordNeeded = [this, living](const std::string& realm) { return living() && passwordNeeded(realm); };
    return r;
}

void UpgradeFlow::startFile() {
    UpgradeDownloading& d = *downloading();
    const std::string& url = offer_.files[d.index].url;
    if (s_.windows.wizardOpen()) {
        s_.windows.setLocation(url);
        s_.windows.setCounter(
            withValue(kFileCounterText, static_cast<int>(d.index + 1), static_cast<int>(offer_.files.size())));
    }
    d.localFile = s_.programFolder + localNames_[d.index] + kPendingSuffix;
    d.fileTime = 0;
    s_.transfer.hiddenOutputFile = true;
    // The signed size: the download stops the moment it passes it.
    s_.transfer.maxBodySize = offer_.files[d.index].size;
    if (!s_.transfer.startTransfer(url, d.localFile, downloadReceiver())) {
        finish(UpgradeEnd::NotStarted);
        error("The download could not be started.");
    }
}

bool UpgradeFlow::headersReceived(const HeadersInfo& headers) {
    UpgradeDownloading* d = downloading();
    if (!d) return true;
    d->fileTime = headers.lastModified;
    if (s_.windows.wizardOpen())
        s_.windows.setSizeLine(withDecimal(
            kFileSizeText, formatOneDecimal(headers.contentLength / 1024.0, s_.windows.decimalSeparator())));
    if (miscFilesUpgrade == MiscFilesBehavior::OnlyIfSizeDifferent && headers.contentLength != 0 &&
        offer_.files.size() > 1) {
        const std::string target = s_.programFolder + localNames_[d->index];
        if (!sameFileName(target, s_.programPath))
            if (const auto size = s_.files.fileSize(target)) return *size != headers.contentLength;
    }
    return true;
}

void UpgradeFlow::progress(std::uint32_t, std::uint32_t, std::int64_t estimatedTimeLeft, int percentsDone,
                           float transferRate) {
    const UpgradeDownloading* d = downloading();
    if (!d) return;
    const int total = totalPercentsDone(d->index, offer_.files.size(), percentsDone);
    if (s_.windows.wizardOpen()) {
        const char separator = s_.windows.decimalSeparator();
        const std::string rate = withDecimal(kTransferRateText, formatOneDecimal(transferRate, separator));
        char time[128];
        const long long left = estimatedTimeLeft;
        std::snprintf(time, sizeof(time), kTimeLeftText, static_cast<int>(left / 3600),
                      static_cast<int>((left / 60) % 60), static_cast<int>(left % 60));
        s_.windows.setProgress(percentsDone, total, rate, time);
    }
}

void UpgradeFlow::transferDone() {
    const UpgradeDownloading* d = downloading();
    if (!d) return;
    // The information file was signed: a body that is not the listed file
    // (a changed server, a proxy's page) is thrown away, never installed.
    const std::string localFile = d->localFile;
    const auto bytes = s_.files.readAll(localFile);
    if (!bytes || !matchesListedFile(*bytes, offer_.files[d->index])) {
        const std::string name = localNames_[d->index];
        s_.files.deleteFile(localFile);
        finish(UpgradeEnd::FileMismatch);
        error(formatWith(kFileMismatchText, name));
        return;
    }
    if (d->fileTime != 0) s_.files.setFileTime(localFile, d->fileTime);
    if (onFileDone) onFileDone(localFile);
    nextFile();
}

void UpgradeFlow::transferSkipped() {
    if (downloading()) nextFile();
}

void UpgradeFlow::nextFile() {
    UpgradeDownloading* d = downloading();
    if (!d) return;
    ++d->index;
    if (d->index < offer_.files.size()) {
        startFile();
        return;
    }
    if (s_.windows.wizardOpen()) {
        // The restart waits for the wizard's "&OK" (wizardClosed).
        phase_ = UpgradeFinalPage{};
        s_.windows.showFinalPage();
        return;
    }
    restart();
}

void UpgradeFlow::wizardClosed(WizardEnd end) {
    if (!active()) return;
    if (end == WizardEnd::Aborted) {
        abort();
        return;
    }
    if (std::holds_alternative<UpgradeFinalPage>(phase_)) restart();
}

void UpgradeFlow::restart() {
    const std::string argument =
        restartParams + (offer_.upgradeMethod == UpgradeKind::UseExternalSetup ? updhelper::kExternalSetupDigit
                                                                                : updhelper::kSelfUpgradeDigit);
    ended(UpgradeEnd::Restarted);
    const HandOverResult handOver = s_.launcher.handOver(s_.programPath, argument);
    if (!handOver.started()) {
        // Without its helper nothing can be installed: say so and leave no
        // pending file behind, so the installed program stays as it was.
        deletePendingFiles();
        if (handOver.reached == HandOverStep::Start || handOver.reached == HandOverStep::Check)
            error("The update helper could not be started.\r\rThe update was not installed; the program stays as it "
                  "was.");
        else
            error("The update helper could not be written to " + handOver.helperPath +
                  ".\r\rThe update was not installed; the program stays as it was.");
        ended(UpgradeEnd::NotStarted);
        return;
    }
    s_.launcher.closeApplication();
}

void UpgradeFlow::transferIncomplete() {
    if (!downloading()) return;
    finish(UpgradeEnd::ConnLost);
    if (shows(UpdateMessage::ConnLost)) error(kConnLostText);
}

void UpgradeFlow::serverUnreachable() {
    if (!downloading()) return;
    const std::string url = normalizeUrl(s_.transfer.url());
    const std::string host = hostOfUrl(url);
    finish(UpgradeEnd::HostUnreachable);
    if (onHostUnreachable) onHostUnreachable(url, host);
    if (shows(UpdateMessage::HostUnreachable)) error(formatWith(kHostUnreachableText, "'http://" + host + "'"));
}

void UpgradeFlow::httpError(int statusCode) {
    const UpgradeDownloading* d = downloading();
    if (!d) return;
    const std::size_t index = d->index;
    const std::string& url = offer_.files[index].url;
    // The lost-file question; without it the file is not skipped.
    const bool continueUpgrade =
        shows(UpdateMessage::LostFile) &&
        s_.windows.askYesNo(formatWith(kLostFileText, fileNameOfUrlPath(url)),
                            std::string(kErrorCaption) + " #" + std::to_string(statusCode));
    // The skipped file's partial body, if any, must not reach the helper.
    s_.files.deleteFile(d->localFile);
    if (!continueUpgrade) {
        abort();
        return;
    }
    // The signed set is installed whole or not at all: only a file the
    // developer marked optional may be left out.
    if (offer_.files[index].optional) {
        nextFile();
        return;
    }
    const std::string name = localNames_[index];
    finish(UpgradeEnd::RequiredFileSkipped);
    error(formatWith(kRequiredFileSkippedText, name));
}

void UpgradeFlow::transferRefused(TransferRefusal reason) {
    const UpgradeDownloading* d = downloading();
    if (!d) return;
    const std::string name = localNames_[d->index];
    const std::string url = offer_.files[d->index].url;
    if (reason == TransferRefusal::TooLarge) {
        finish(UpgradeEnd::FileMismatch);
        error(formatWith(kFileMismatchText, name));
        return;
    }
    if (reason == TransferRefusal::InsecureRedirect) {
        finish(UpgradeEnd::InsecureRedirect);
        error(formatWith(kInsecureRedirectText, url));
        return;
    }
    finish(UpgradeEnd::RedirectLoop);
    error(formatWith(kRedirectLoopText, url));
}

bool UpgradeFlow::passwordNeeded(const std::string& realm) {
    (void)realm;
    const UpgradeDownloading* d = downloading();
    if (!d || !shows(UpdateMessage::PasswordRequest)) return false;
    const auto entered = s_.windows.askPassword(fileNameOfUrlPath(offer_.files[d->index].url),
                                                {s_.transfer.httpUsername, s_.transfer.httpPassword});
    if (!entered) {
        abort();
        return false;
    }
    s_.transfer.httpUsername = entered->username;
    s_.transfer.httpPassword = entered->password;
    return true;
}

void UpgradeFlow::abort() {
    finish(UpgradeEnd::Aborted);
    phase_ = UpgradeIdle{UpgradeEnd::Aborted, true};
    if (onAborted) onAborted();
}

void UpgradeFlow::finish(UpgradeEnd end) {
    ended(end);
    // A running transfer deletes its own file once its worker has let go of it.
    if (s_.transfer.isBusy()) s_.transfer.stopTransfer(true);
    if (s_.windows.wizardOpen()) s_.windows.closeWizard();
    deletePendingFiles();
}

void UpgradeFlow::deletePendingFiles() {
    for (const std::string& name : s_.files.pendingFiles(s_.programFolder)) s_.files.deleteFile(s_.programFolder + name);
}

}  // namespace melkrin::update
