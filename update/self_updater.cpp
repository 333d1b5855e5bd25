#include "update/self_updater.h"

#include <cstdio>

#include "common/errors.h"
#include "update/transfer_rules.h"
#include "update/update_texts.h"
#include "update/upgrade_flow.h"

namespace melkrin::update {

bool SeemsOnline(std::optional<std::uint32_t> remoteConnection, const std::vector<std::string>& ownAddresses) {
    if (remoteConnection) return *remoteConnection == 1;
    return !ownAddresses.empty() && ownAddresses.back() != "127.0.0.1";
}

std::string FormatVersionDate(const CalendarDate& date) {
    char text[16];
    std::snprintf(text, sizeof(text), "%02d/%02d/%04d", date.month, date.day, date.year);
    return text;
}

TSelfUpdater::TSelfUpdater(Services services) : s_(std::move(services)) {
    VersionDate = FormatVersionDate(s_.today());
    BaseCacheOptions = s_.transfer.CacheOptionsSet;
    auto& t = s_.transfer;
    // In information mode the notifications belong to the check, in file mode to the upgrade flow.
    t.HeadersReceived = [this](THttpTransfer&, const HeadersInfo& headers, bool& continueDownload) {
        if (fileMode()) flow_->HeadersReceived(headers, continueDownload);
    };
    t.TransferProgress = [this](THttpTransfer&, const std::string&, std::uint32_t fileSize, std::uint32_t bytesRead,
                                std::uint32_t, std::int64_t estimatedTimeLeft, int percentsDone, float rate) {
        if (fileMode()) flow_->Progress(fileSize, bytesRead, estimatedTimeLeft, percentsDone, rate);
    };
    t.TransferDone = [this](THttpTransfer&, const std::string&, std::uint32_t, const std::string& data) {
        if (informationMode_) infoDone(data);
        else if (fileMode()) flow_->Done();
    };
    t.TransferSkipped = [this](THttpTransfer&) {
        if (fileMode()) flow_->Skipped();
    };
    t.TransferIncomplete = [this](THttpTransfer&, const std::string&, std::uint32_t, std::uint32_t, const std::string&) {
        if (fileMode()) flow_->Incomplete();
        else infoFailed(TransferOutcome::Incomplete, 200);
    };
    t.ServerUnreachable = [this](THttpTransfer&) {
        if (fileMode()) flow_->Unreachable();
        else infoFailed(TransferOutcome::ServerUnreachable, -1);
    };
    t.HttpError = [this](THttpTransfer&, int statusCode, const std::string&) {
        if (fileMode()) flow_->HttpError(statusCode);
        else infoFailed(TransferOutcome::HttpError, statusCode);
    };
    t.TransferRefused = [this](THttpTransfer&, TransferRefusal reason, int) {
        if (fileMode()) flow_->Refused(reason);
        else infoRefused(reason);
    };
    t.PasswordRequest = [this](THttpTransfer&, const std::string& realm, bool& tryAgain) {
        if (fileMode()) flow_->PasswordRequest(realm, tryAgain);
        else if (OnPasswordRequest) OnPasswordRequest(*this, realm, tryAgain);
    };
}

bool TSelfUpdater::fileMode() const { return !informationMode_ && flow_ && flow_->State() == UpgradeState::Downloading; }

TSelfUpdater::~TSelfUpdater() {
    *alive_ = false;
    auto& t = s_.transfer;
    t.HeadersReceived = nullptr;
    t.TransferProgress = nullptr;
    t.TransferSkipped = nullptr;
    t.TransferDone = nullptr;
    t.TransferIncomplete = nullptr;
    t.ServerUnreachable = nullptr;
    t.HttpError = nullptr;
    t.PasswordRequest = nullptr;
    t.TransferRefused = nullptr;
}

void TSelfUpdater::StartUpdateCheck() {
    abortedMark_ = false;
    automaticMark_ = false;
    if (s_.transfer.WorkerActive() || (flow_ && flow_->Active())) return;
    informationMode_ = true;
    // The information file must never come from a cache on the way.
    s_.transfer.CacheOptionsSet = BaseCacheOptions;
    s_.transfer.CacheOptionsSet.insert(TCacheOption::coPragmaNoCache);
    // A server that sends without end must not fill the memory.
    s_.transfer.MaxBodySize = kMaxInfoFileSize;
    s_.transfer.StartTransfer(InfoFileURL, "");
}

void TSelfUpdater::message(const std::string& text, MessageIcon icon) { s_.messages.show(text, Text(0), icon); }

void TSelfUpdater::infoDone(const std::string& body) {
    const SignedInfo info = CheckSignedInfo(body, s_.verifier);
    if (info.verdict != InfoVerdict::Trusted) {
        informationMode_ = false;
        if (OnUntrustedInfoFile) OnUntrustedInfoFile(*this, info.verdict);
        // A refusal is shown even to an automatic check: it may be an attack.
        const char* text = info.verdict == InfoVerdict::Unsigned        ? kUnsignedInfoText
                           : info.verdict == InfoVerdict::FileUnchecked ? kUncheckedFileText
                           : info.verdict == InfoVerdict::RepeatedKey   ? kRepeatedKeyText
                                                                        : kBadSignatureText;
        message(text, MessageIcon::Error);
        return;
    }
    offer_ = UpdateOffer{};
    offer_.Files = info.files;
    const VersionCheckSettings own{VersionControl, VersionNumber, VersionDate};
    const bool newer = NamesNewerVersion(info.signedText, own, s_.today());
    informationMode_ = false;
    if (newer && !offer_.Files.empty()) {
        offer_.UpgradeMsg = InfoValue(info.signedText, "message", true);
        offer_.UpgradeMethod = UpgradeMethodOf(info.signedText);
        bool canUpgrade = true;
        if (OnBeginUpgrade) OnBeginUpgrade(*this, offer_, canUpgrade);
        if (!flow_) return;
        flow_->ShowMessages = ShowMessages;
        if (canUpgrade) {
            // The files come with the client's own cache options.
            s_.transfer.CacheOptionsSet = BaseCacheOptions;
            flow_->Begin(offer_);
        } else if (flow_->OnLaterUpgrade) {
            flow_->OnLaterUpgrade();
        }
        return;
    }
    if (OnNoUpdateAvailable) OnNoUpdateAvailable(*this);
    if (shows(TUpdShowMessages::mNoUpdateAvailable) && !automaticMark_) message(Text(24), MessageIcon::Information);
}

void TSelfUpdater::infoFailed(TransferOutcome outcome, int statusCode) {
    (void)statusCode;
    if (!informationMode_) return;
    informationMode_ = false;
    switch (outcome) {
        case TransferOutcome::Incomplete:
            if (OnConnLost) OnConnLost(*this);
            if (shows(TUpdShowMessages::mConnLost)) message(Text(30), MessageIcon::Error);
            return;
        case TransferOutcome::ServerUnreachable:
            hostUnreachable();
            return;
        default:
            if (OnNoInfoFile) OnNoInfoFile(*this);
            if (shows(TUpdShowMessages::mNoInfoFile)) message(Text(25), MessageIcon::Error);
            return;
    }
}

void TSelfUpdater::infoRefused(TransferRefusal reason) {
    if (!informationMode_) return;
    informationMode_ = false;
    // Shown even to an automatic check: the site misbehaves, which a retry
    // would only repeat.
    if (reason == TransferRefusal::TooLarge)
        message(kInfoTooLargeText, MessageIcon::Error);
    else if (reason == TransferRefusal::InsecureRedirect)
        message(formatWith(kInsecureRedirectText, NormalizeUrl(s_.transfer.URL())), MessageIcon::Error);
    else
        message(formatWith(kRedirectLoopText, NormalizeUrl(s_.transfer.URL())), MessageIcon::Error);
}

void TSelfUpdater::hostUnreachable() {
    const std::string url = NormalizeUrl(s_.transfer.URL());
    const std::string host = HostOfUrl(url);
    if (OnHostUnreachable) OnHostUnreachable(*this, url, host);
    if (automaticMark_) {
        // An automatic check tries again after the delay, quietly.
        begun_ = false;
        restartTimer();
    } else if (shows(TUpdShowMessages::mHostUnreachable)) {
        message(formatWith(Text(26), "'http://" + host + "'"), MessageIcon::Error);
    }
}

void TSelfUpdater::SetAutoCheck(bool on) {
    autoCheck_ = on;
    restartTimer();
}

void TSelfUpdater::restartTimer() {
    const unsigned generation = ++timerGeneration_;
    if (!autoCheck_ || begun_ || AutoCheckDelay == 0) return;
    std::weak_ptr<bool> alive = alive_;
    try {
        s_.scheduler.after(AutoCheckDelay, [this, alive, generation] {
            const auto living = alive.lock();
            if (!living || !*living || generation != timerGeneration_) return;
            timerFired();
        });
    } catch (const std::exception&) {
        throw MelkrinError("Not enough timers available");
    }
}

void TSelfUpdater::timerFired() {
    try {
        if (!s_.onlineTest.online() || !autoCheck_) return;
        begun_ = true;
        ++timerGeneration_;
        StartUpdateCheck();
        automaticMark_ = true;
    } catch (const std::exception& e) {
        if (s_.showError) s_.showError(e.what());
    }
}

}  // namespace melkrin::update
