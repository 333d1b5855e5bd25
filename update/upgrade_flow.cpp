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

void UpgradeFlow::error(const std::string& text) { s_.messages.show(text, kUpdateCaption, MessageIcon::Error); }

void UpgradeFlow::Begin(const UpdateOffer& offer) {
    if (active() || offer.files.empty()) return;
    offer_ = offer;
    aborted_ = false;
    lastEnd_ = UpgradeEnd::None;
    if (shows(UpdateMessage::AskUpgrade) && !s_.windows.askUpgrade(offer_.upgradeMsg)) {
        lastEnd_ = UpgradeEnd::Declined;
        if (onLaterUpgrade) onLaterUpgrade();
        return;
    }
    if (offer_.upgradeMethod == UpgradeKind::RedirectToUrl) {
        lastEnd_ = UpgradeEnd::Redirected;
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
            lastEnd_ = UpgradeEnd::RefusedName;
            return;
        }
        localNames_.push_back(name);
    }
    state_ = UpgradeState::Downloading;
    // A file left by an earlier round that ended badly must not be installed with this one.
    deletePendingFiles();
    index_ = 0;
    if (wizardEnabled) s_.windows.openWizard();
    startFile();
}

void UpgradeFlow::startFile() {
    const std::string& url = offer_.files[index_].url;
    if (s_.windows.wizardOpen()) {
        s_.windows.setLocation(url);
        s_.windows.setCounter(withValue(kFileCounterText, static_cast<int>(index_ + 1), static_cast<int>(offer_.files.size())));
    }
    localFile_ = s_.programFolder + localNames_[index_] + kPendingSuffix;
    fileTime_ = 0;
    s_.transfer.hiddenOutputFile = true;
    // The signed size: the download stops the moment it passes it.
    s_.transfer.maxBodySize = offer_.files[index_].size;
    if (!s_.transfer.startTransfer(url, localFile_)) {
        finish(UpgradeEnd::NotStarted);
        error("The download could not be started.");
    }
}

void UpgradeFlow::onHeadersReceived(const HeadersInfo& headers, bool& continueDownload) {
    if (state_ != UpgradeState::Downloading) return;
    fileTime_ = headers.lastModified;
    if (s_.windows.wizardOpen())
        s_.windows.setSizeLine(
            withDecimal(kFileSizeText, formatOneDecimal(headers.contentLength / 1024.0, s_.windows.decimalSeparator())));
    bool canUpgrade = true;
    if (miscFilesUpgrade == MiscFilesBehavior::OnlyIfSizeDifferent && headers.contentLength != 0 &&
        offer_.files.size() > 1) {
        const std::string target = s_.programFolder + localNames_[index_];
        if (!sameFileName(target, s_.programPath))
            if (const auto size = s_.files.fileSize(target)) canUpgrade = *size != headers.contentLength;
    }
    if (onFileStart) onFileStart(offer_.files[index_].url, headers.contentLength, fileTime_, canUpgrade);
    continueDownload = canUpgrade;
}

void UpgradeFlow::Progress(std::uint32_t fileSize, std::uint32_t bytesRead, std::int64_t estimatedTimeLeft,
                            int percentsDone, float transferRate) {
    if (state_ != UpgradeState::Downloading) return;
    const int total = totalPercentsDone(index_, offer_.files.size(), percentsDone);
    if (onProgress) onProgress(offer_.files[index_].url, fileSize, bytesRead, percentsDone, total, transferRate);
    if (s_.windows.wizardOpen()) {
        const char separator = s_.windows.decimalSeparator();
        const std::string rate = withDecimal(kTransferRateText, formatOneDecimal(transferRate, separator));
        char time[128];
        const long long left = estimatedTimeLeft;
        std::snprintf(time, sizeof(time), kTimeLeftText, static_cast<int>(left / 3600), static_cast<int>((left / 60) % 60),
                      static_cast<int>(left % 60));
        s_.windows.setProgress(percentsDone, total, rate, time);
    }
}

void UpgradeFlow::onTransferDone() {
    if (state_ != UpgradeState::Downloading) return;
    // The information file was signed: a body that is not the listed file
    // (a changed server, a proxy's page) is thrown away, never installed.
    const auto bytes = s_.files.readAll(localFile_);
    if (!bytes || !matchesListedFile(*bytes, offer_.files[index_])) {
        s_.files.deleteFile(localFile_);
        finish(UpgradeEnd::FileMismatch);
        error(formatWith(kFileMismatchText, localNames_[index_]));
        return;
    }
    if (fileTime_ != 0) s_.files.setFileTime(localFile_, fileTime_);
    if (onFileDone) onFileDone(localFile_);
    nextFile();
}

void UpgradeFlow::onTransferSkipped() {
    if (state_ != UpgradeState::Downloading) return;
    nextFile();
}

void UpgradeFlow::nextFile() {
    ++index_;
    if (index_ < offer_.files.size()) {
        startFile();
        return;
    }
    if (s_.windows.wizardOpen()) {
        // The restart waits for the wizard's "&OK" (wizardClosed).
        state_ = UpgradeState::FinalPage;
        s_.windows.showFinalPage();
        return;
    }
    restart();
}

void UpgradeFlow::wizardClosed(WizardEnd end) {
    if (state_ == UpgradeState::Idle) return;
    if (end == WizardEnd::Aborted) {
        abort();
        return;
    }
    if (state_ == UpgradeState::FinalPage) restart();
}

void UpgradeFlow::restart() {
    bool restartImmediately = true;
    if (onEndUpgrade) onEndUpgrade(restartImmediately);
    if (!restartImmediately) {
        // The files stay pending; the next round removes them first.
        state_ = UpgradeState::Idle;
        lastEnd_ = UpgradeEnd::Restarted;
        return;
    }
    const std::string argument =
        restartParams + (offer_.upgradeMethod == UpgradeKind::UseExternalSetup ? updhelper::kExternalSetupDigit
                                                                                : updhelper::kSelfUpgradeDigit);
    state_ = UpgradeState::Idle;
    lastEnd_ = UpgradeEnd::Restarted;
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
        lastEnd_ = UpgradeEnd::NotStarted;
        return;
    }
    s_.launcher.closeApplication();
}

void UpgradeFlow::onTransferIncomplete() {
    if (state_ != UpgradeState::Downloading) return;
    finish(UpgradeEnd::ConnLost);
    if (onConnLost) onConnLost();
    if (shows(UpdateMessage::ConnLost)) error(kConnLostText);
}

void UpgradeFlow::onServerUnreachable() {
    if (state_ != UpgradeState::Downloading) return;
    const std::string url = normalizeUrl(s_.transfer.url());
    const std::string host = hostOfUrl(url);
    finish(UpgradeEnd::HostUnreachable);
    if (onHostUnreachable) onHostUnreachable(url, host);
    if (shows(UpdateMessage::HostUnreachable)) error(formatWith(kHostUnreachableText, "'http://" + host + "'"));
}

void UpgradeFlow::onHttpError(int statusCode) {
    if (state_ != UpgradeState::Downloading) return;
    const std::string& url = offer_.files[index_].url;
    bool continueUpgrade = false;
    if (onLostFile) onLostFile(url, statusCode, continueUpgrade);
    if (shows(UpdateMessage::LostFile))
        continueUpgrade = s_.windows.askYesNo(formatWith(kLostFileText, fileNameOfUrlPath(url)),
                                              std::string(kErrorCaption) + " #" + std::to_string(statusCode));
    // The skipped file's partial body, if any, must not reach the helper.
    s_.files.deleteFile(localFile_);
    if (!continueUpgrade) {
        abort();
        return;
    }
    // The signed set is installed whole or not at all: only a file the
    // developer marked optional may be left out.
    if (offer_.files[index_].optional) {
        nextFile();
        return;
    }
    const std::string name = localNames_[index_];
    finish(UpgradeEnd::RequiredFileSkipped);
    error(formatWith(kRequiredFileSkippedText, name));
}

void UpgradeFlow::onTransferRefused(TransferRefusal reason) {
    if (state_ != UpgradeState::Downloading) return;
    if (reason == TransferRefusal::TooLarge) {
        finish(UpgradeEnd::FileMismatch);
        error(formatWith(kFileMismatchText, localNames_[index_]));
        return;
    }
    const std::string url = offer_.files[index_].url;
    if (reason == TransferRefusal::InsecureRedirect) {
        finish(UpgradeEnd::InsecureRedirect);
        error(formatWith(kInsecureRedirectText, url));
        return;
    }
    finish(UpgradeEnd::RedirectLoop);
    error(formatWith(kRedirectLoopText, url));
}

void UpgradeFlow::onPasswordNeeded(const std::string& realm, bool& tryAgain) {
    if (state_ != UpgradeState::Downloading) return;
    if (onPasswordRequest) onPasswordRequest(realm, tryAgain);
    if (tryAgain || !shows(UpdateMessage::PasswordRequest)) return;
    std::string user = s_.transfer.httpUsername, password = s_.transfer.httpPassword;
    tryAgain = s_.windows.askPassword(fileNameOfUrlPath(offer_.files[index_].url), user, password);
    if (tryAgain) {
        s_.transfer.httpUsername = user;
        s_.transfer.httpPassword = password;
    } else {
        abort();
    }
}

void UpgradeFlow::abort() {
    aborted_ = true;
    finish(UpgradeEnd::Aborted);
    if (onAborted) onAborted();
}

void UpgradeFlow::finish(UpgradeEnd end) {
    state_ = UpgradeState::Idle;
    lastEnd_ = end;
    // A running transfer deletes its own file once its worker has let go of it.
    if (s_.transfer.isBusy()) s_.transfer.stopTransfer(true);
    if (s_.windows.wizardOpen()) s_.windows.closeWizard();
    deletePendingFiles();
}

void UpgradeFlow::deletePendingFiles() {
    for (const std::string& name : s_.files.pendingFiles(s_.programFolder)) s_.files.deleteFile(s_.programFolder + name);
}

}  // namespace melkrin::update
