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
}

UpdateChecker::~UpdateChecker() { *alive_ = false; }

std::optional<CheckOrigin> UpdateChecker::origin() const {
    if (const auto* fetching = std::get_if<FetchingInfo>(&phase_)) return fetching->origin;
    if (const auto* ended = std::get_if<CheckEnded>(&phase_)) return ended->origin;
    return std::nullopt;
}

std::optional<CheckOrigin> UpdateChecker::endCheck() {
    const auto* fetching = std::get_if<FetchingInfo>(&phase_);
    if (!fetching) return std::nullopt;
    const CheckOrigin origin = fetching->origin;
    phase_ = CheckEnded{origin};
    return origin;
}

// The information file's own receiver: the upgrade flow's downloads have theirs.
TransferReceiver UpdateChecker::infoReceiver() {
    TransferReceiver r;
    const std::weak_ptr<bool> alive = alive_;
    auto living = [alive] {
        const auto flag = alive.lock();
        return flag && *flag;
    };
    r.onTransferDone = [this, living](const std::string&, std::uint32_t, const std::string& data) {
        if (!living()) return;
        if (const auto origin = endCheck()) infoDone(data, *origin);
    };
    r.onTransferIncomplete = [this, living](const std::string&, std::uint32_t, std::uint32_t, const std::string&) {
        if (living()) infoFailed(TransferOutcome::Incomplete, 200);
    };
    r.onServerUnreachable = [this, living] {
        if (living()) infoFailed(TransferOutcome::ServerUnreachable, -1);
    };
    r.onHttpError = [this, living](int statusCode, const std::string&) {
        if (living()) infoFailed(TransferOutcome::HttpError, statusCode);
    };
    r.onTransferRefused = [this, living](TransferRefusal reason, int) {
        if (living()) infoRefused(reason);
    };
    return r;
}

void UpdateChecker::startUpdateCheck() { startCheck(CheckOrigin::User); }

void UpdateChecker::startCheck(CheckOrigin origin) {
    if (s_.transfer.workerActive() || (flow_ && flow_->active())) return;
    // The information file must never come from a cache on the way.
    s_.transfer.cacheOptions = baseCacheOptions;
    s_.transfer.cacheOptions.insert(CacheOption::PragmaNoCache);
    // A server that sends without end must not fill the memory.
    s_.transfer.maxBodySize = kMaxInfoFileSize;
    phase_ = FetchingInfo{origin};
    if (!s_.transfer.startTransfer(infoFileUrl, "", infoReceiver())) phase_ = CheckEnded{origin};
}

void UpdateChecker::message(const std::string& text, MessageIcon icon) { s_.messages.show(text, kUpdateCaption, icon); }

void UpdateChecker::infoDone(const std::string& body, CheckOrigin origin) {
    const SignedInfo info = checkSignedInfo(body, s_.verifier);
    if (info.verdict != InfoVerdict::Trusted) {
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
    if (newer && !offer_.files.empty()) {
        offer_.upgradeMsg = infoValue(info.signedText, "message", true);
        offer_.upgradeMethod = upgradeMethodOf(info.signedText);
        const bool canUpgrade = onBeginUpgrade ? onBeginUpgrade(*this, offer_) : true;
        if (!flow_) return;
        flow_->showMessages = showMessages;
        if (canUpgrade) {
            // The files come with the client's own cache options.
            s_.transfer.cacheOptions = baseCacheOptions;
            flow_->begin(offer_);
        } else if (flow_->onLaterUpgrade) {
            flow_->onLaterUpgrade();
        }
        return;
    }
    if (onNoUpdateAvailable) onNoUpdateAvailable(*this);
    if (shows(UpdateMessage::NoUpdateAvailable) && origin == CheckOrigin::User)
        message(kNoNewerVersionText, MessageIcon::Information);
}

void UpdateChecker::infoFailed(TransferOutcome outcome, int statusCode) {
    (void)statusCode;
    const auto origin = endCheck();
    if (!origin) return;
    switch (outcome) {
        case TransferOutcome::Incomplete:
            if (onConnLost) onConnLost(*this);
            if (shows(UpdateMessage::ConnLost)) message(kConnLostText, MessageIcon::Error);
            return;
        case TransferOutcome::ServerUnreachable:
            hostUnreachable(*origin);
            return;
        default:
            if (onNoInfoFile) onNoInfoFile(*this);
            if (shows(UpdateMessage::NoInfoFile)) message(kNoInfoFileText, MessageIcon::Error);
            return;
    }
}

void UpdateChecker::infoRefused(TransferRefusal reason) {
    if (!endCheck()) return;
    // Shown even to an automatic check: the site misbehaves, which a retry
    // would only repeat.
    if (reason == TransferRefusal::TooLarge)
        message(kInfoTooLargeText, MessageIcon::Error);
    else if (reason == TransferRefusal::InsecureRedirect)
        message(formatWith(kInsecureRedirectText, normalizeUrl(s_.transfer.url())), MessageIcon::Error);
    else
        message(formatWith(kRedirectLoopText, normalizeUrl(s_.transfer.url())), MessageIcon::Error);
}

void UpdateChecker::hostUnreachable(CheckOrigin origin) {
    const std::string url = normalizeUrl(s_.transfer.url());
    const std::string host = hostOfUrl(url);
    if (onHostUnreachable) onHostUnreachable(*this, url, host);
    if (origin == CheckOrigin::Automatic) {
        // An automatic check tries again after the delay, quietly.
        phase_ = CheckIdle{};
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
    // The automatic check runs once; only an unreachable server sets it back to idle.
    if (!autoCheck_ || origin() == CheckOrigin::Automatic || autoCheckDelay == 0) return;
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
        ++timerGeneration_;
        startCheck(CheckOrigin::Automatic);
    } catch (const std::exception& e) {
        if (s_.showError) s_.showError(e.what());
    }
}

}  // namespace melkrin::update
