#include "update/update_checker.h"

#include <cstdio>

#include "common/errors.h"
#include "update/transfer_rules.h"
#include "update/update_texts.h"
#include "update/upgrade_flow.h"

namespace melkrin::update {

bool seemsOnline(std::optional<std::uint32_t> remoteConnection, const std::vector<std::string>& ownAddresses) {
    if (remoteConnection) return *remoteConnection == 1;
    return !ownAddresses.empty() && ownAddresses.back() != "127.0.0.1";
}

std::string formatVersionDate(const CalendarDate& date) {
    char text[16];
    std::snprintf(text, sizeof(text), "%02d/%02d/%04d", date.month, date.day, date.year);
    return text;
}

UpdateChecker::UpdateChecker(Services services) : s_(std::move(services)) {
    versionDate = formatVersionDate(s_.today());
    baseCacheOptions = s_.transfer.cacheOptions;
    auto& t = s_.transfer;
    // In information mode the notifications belong to the check, in file mode to the upgrade flow.
    t.onHeadersReceived = [this](HttpClient&, const HeadersInfo& headers, bool& continueDownload) {
        if (fileMode()) flow_->onHeadersReceived(headers, continueDownload);
    };
    t.onTransferProgress = [this](HttpClient&, const std::string&, std::uint32_t fileSize, std::uint32_t bytesRead,
                                std::uint32_t, std::int64_t estimatedTimeLeft, int percentsDone, float rate) {
        if (fileMode()) flow_->Progress(fileSize, bytesRead, estimatedTimeLeft, percentsDone, rate);
    };
    t.onTransferDone = [this](HttpClient&, const std::string&, std::uint32_t, const std::string& data) {
        if (informationMode_) infoDone(data);
        else if (fileMode()) flow_->onTransferDone();
    };
    t.onTransferSkipped = [this](HttpClient&) {
        if (fileMode()) flow_->onTransferSkipped();
    };
    t.onTransferIncomplete = [this](HttpClient&, const std::string&, std::uint32_t, std::uint32_t, const std::string&) {
        if (fileMode()) flow_->onTransferIncomplete();
        else infoFailed(TransferOutcome::Incomplete, 200);
    };
    t.onServerUnreachable = [this](HttpClient&) {
        if (fileMode()) flow_->onServerUnreachable();
        else infoFailed(TransferOutcome::ServerUnreachable, -1);
    };
    t.onHttpError = [this](HttpClient&, int statusCode, const std::string&) {
        if (fileMode()) flow_->onHttpError(statusCode);
        else infoFailed(TransferOutcome::HttpError, statusCode);
    };
    t.onTransferRefused = [this](HttpClient&, TransferRefusal reason, int) {
        if (fileMode()) flow_->onTransferRefused(reason);
        else infoRefused(reason);
    };
    t.onPasswordNeeded = [this](HttpClient&, const std::string& realm, bool& tryAgain) {
        if (fileMode()) flow_->onPasswordNeeded(realm, tryAgain);
        else if (onPasswordRequest) onPasswordRequest(*this, realm, tryAgain);
    };
}

bool UpdateChecker::fileMode() const { return !informationMode_ && flow_ && flow_->state() == UpgradeState::Downloading; }

UpdateChecker::~UpdateChecker() {
    *alive_ = false;
    auto& t = s_.transfer;
    t.onHeadersReceived = nullptr;
    t.onTransferProgress = nullptr;
    t.onTransferSkipped = nullptr;
    t.onTransferDone = nullptr;
    t.onTransferIncomplete = nullptr;
    t.onServerUnreachable = nullptr;
    t.onHttpError = nullptr;
    t.onPasswordNeeded = nullptr;
    t.onTransferRefused = nullptr;
}

void UpdateChecker::startUpdateCheck() {
    abortedMark_ = false;
    automaticMark_ = false;
    if (s_.transfer.workerActive() || (flow_ && flow_->active())) return;
    informationMode_ = true;
    // The information file must never come from a cache on the way.
    s_.transfer.cacheOptions = baseCacheOptions;
    s_.transfer.cacheOptions.insert(CacheOption::PragmaNoCache);
    // A server that sends without end must not fill the memory.
    s_.transfer.maxBodySize = kMaxInfoFileSize;
    s_.transfer.startTransfer(infoFileUrl, "");
}

void UpdateChecker::message(const std::string& text, MessageIcon icon) { s_.messages.show(text, kUpdateCaption, icon); }

void UpdateChecker::infoDone(const std::string& body) {
    const SignedInfo info = checkSignedInfo(body, s_.verifier);
    if (info.verdict != InfoVerdict::Trusted) {
        informationMode_ = false;
        if (onUntrustedInfoFile) onUntrustedInfoFile(*this, info.verdict);
        // A refusal is shown even to an automatic check: it may be an attack.
        const char* text = info.verdict == InfoVerdict::Unsigned        ? kUnsignedInfoText
                           : info.verdict == InfoVerdict::FileUnchecked ? kUncheckedFileText
                           : info.verdict == InfoVerdict::RepeatedKey   ? kRepeatedKeyText
                                                                        : kBadSignatureText;
        message(text, MessageIcon::Error);
        return;
    }
    offer_ = UpdateOffer{};
    offer_.files = info.files;
    const VersionCheckSettings own{versionControl, versionNumber, versionDate};
    const bool newer = namesNewerVersion(info.signedText, own, s_.today());
    informationMode_ = false;
    if (newer && !offer_.files.empty()) {
        offer_.upgradeMsg = infoValue(info.signedText, "message", true);
        offer_.upgradeMethod = upgradeMethodOf(info.signedText);
        bool canUpgrade = true;
        if (onBeginUpgrade) onBeginUpgrade(*this, offer_, canUpgrade);
        if (!flow_) return;
        flow_->showMessages = showMessages;
        if (canUpgrade) {
            // The files come with the client's own cache options.
            s_.transfer.cacheOptions = baseCacheOptions;
            flow_->Begin(offer_);
        } else if (flow_->onLaterUpgrade) {
            flow_->onLaterUpgrade();
        }
        return;
    }
    if (onNoUpdateAvailable) onNoUpdateAvailable(*this);
    if (shows(UpdateMessage::NoUpdateAvailable) && !automaticMark_) message(kNoNewerVersionText, MessageIcon::Information);
}

void UpdateChecker::infoFailed(TransferOutcome outcome, int statusCode) {
    (void)statusCode;
    if (!informationMode_) return;
    informationMode_ = false;
    switch (outcome) {
        case TransferOutcome::Incomplete:
            if (onConnLost) onConnLost(*this);
            if (shows(UpdateMessage::ConnLost)) message(kConnLostText, MessageIcon::Error);
            return;
        case TransferOutcome::ServerUnreachable:
            hostUnreachable();
            return;
        default:
            if (onNoInfoFile) onNoInfoFile(*this);
            if (shows(UpdateMessage::NoInfoFile)) message(kNoInfoFileText, MessageIcon::Error);
            return;
    }
}

void UpdateChecker::infoRefused(TransferRefusal reason) {
    if (!informationMode_) return;
    informationMode_ = false;
    // Shown even to an automatic check: the site misbehaves, which a retry
    // would only repeat.
    if (reason == TransferRefusal::TooLarge)
        message(kInfoTooLargeText, MessageIcon::Error);
    else if (reason == TransferRefusal::InsecureRedirect)
        message(formatWith(kInsecureRedirectText, normalizeUrl(s_.transfer.url())), MessageIcon::Error);
    else
        message(formatWith(kRedirectLoopText, normalizeUrl(s_.transfer.url())), MessageIcon::Error);
}

void UpdateChecker::hostUnreachable() {
    const std::string url = normalizeUrl(s_.transfer.url());
    const std::string host = hostOfUrl(url);
    if (onHostUnreachable) onHostUnreachable(*this, url, host);
    if (automaticMark_) {
        // An automatic check tries again after the delay, quietly.
        begun_ = false;
        restartTimer();
    } else if (shows(UpdateMessage::HostUnreachable)) {
        message(formatWith(kHostUnreachableText, "'http://" + host + "'"), MessageIcon::Error);
    }
}

void UpdateChecker::setAutoCheck(bool on) {
    autoCheck_ = on;
    restartTimer();
}

void UpdateChecker::restartTimer() {
    const unsigned generation = ++timerGeneration_;
    if (!autoCheck_ || begun_ || autoCheckDelay == 0) return;
    std::weak_ptr<bool> alive = alive_;
    try {
        s_.scheduler.after(autoCheckDelay, [this, alive, generation] {
            const auto living = alive.lock();
            if (!living || !*living || generation != timerGeneration_) return;
            timerFired();
        });
    } catch (const std::exception&) {
        throw MelkrinError("Not enough timers available");
    }
}

void UpdateChecker::timerFired() {
    try {
        if (!s_.onlineTest.online() || !autoCheck_) return;
        begun_ = true;
        ++timerGeneration_;
        startUpdateCheck();
        automaticMark_ = true;
    } catch (const std::exception& e) {
        if (s_.showError) s_.showError(e.what());
    }
}

}  // namespace melkrin::update
