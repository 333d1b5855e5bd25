#pragma once
// TSelfUpdater's check: fetch the update information file, refuse it unless
// our key signed it, compare the version and report the outcome. A newer
// version with files goes on to the upgrade flow through OnBeginUpgrade.
#include <functional>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/scheduler.h"
#include "update/http_transfer.h"
#include "update/signed_info.h"
#include "update/transfer_rules.h"
#include "update/update_info.h"

namespace melkrin::update {

enum class TUpdShowMessages {
    mAskUpgrade, mConnLost, mHostUnreachable, mLostFile, mNoInfoFile, mNoUpdateAvailable, mPasswordRequest,
};
using ShowMessagesSet = std::set<TUpdShowMessages>;

enum class MessageIcon { Information, Warning, Error };

// The component's own message boxes: OK button, the given caption and icon.
class UpdateMessageBoxes {
public:
    virtual ~UpdateMessageBoxes() = default;
    virtual void show(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
};

// Whether the machine seems to be online, for the automatic check.
class OnlineTest {
public:
    virtual ~OnlineTest() = default;
    virtual bool online() = 0;
};

// The machine is online when the dial-up service says so; without that
// value, when its own host name resolves to something other than loopback.
bool SeemsOnline(std::optional<std::uint32_t> remoteConnection, const std::vector<std::string>& ownAddresses);

class TUpgradeFlow;

struct UpdateOffer {
    std::vector<CheckedFile> Files;
    std::string UpgradeMsg;
    TUpgradeMethod UpgradeMethod = TUpgradeMethod::umSelfUpgrade;
};

class TSelfUpdater {
public:
    struct Services {
        THttpTransfer& transfer;
        SignatureVerifier& verifier;
        UpdateMessageBoxes& messages;
        Scheduler& scheduler;
        OnlineTest& onlineTest;
        std::function<CalendarDate()> today;
        // Errors of the automatic check go to the application's error display.
        std::function<void(const std::string&)> showError;
    };

    explicit TSelfUpdater(Services services);
    ~TSelfUpdater();
    TSelfUpdater(const TSelfUpdater&) = delete;
    TSelfUpdater& operator=(const TSelfUpdater&) = delete;

    // Settings of the check.
    std::string InfoFileURL = "http://";
    TUpdVersionControl VersionControl = TUpdVersionControl::byDate;
    std::string VersionNumber;
    std::string VersionDate;  // "MM/DD/YYYY"; today when constructed
    ShowMessagesSet ShowMessages{TUpdShowMessages::mAskUpgrade, TUpdShowMessages::mConnLost,
                                 TUpdShowMessages::mLostFile, TUpdShowMessages::mPasswordRequest};
    unsigned AutoCheckDelay = 10000;
    // The transfer's cache options outside the check; the check adds the no-cache pragma.
    CacheOptions BaseCacheOptions;
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool on);

    // Outcomes, on the user-interface thread.
    std::function<void(TSelfUpdater&)> OnNoUpdateAvailable;
    std::function<void(TSelfUpdater&)> OnNoInfoFile;
    std::function<void(TSelfUpdater&)> OnConnLost;
    std::function<void(TSelfUpdater&, const std::string& url, const std::string& hostname)> OnHostUnreachable;
    std::function<void(TSelfUpdater&, const std::string& realm, bool& tryAgain)> OnPasswordRequest;
    // The information file was refused: not signed by our key, or a file
    // without its checksum. Nothing of it was used.
    std::function<void(TSelfUpdater&, InfoVerdict)> OnUntrustedInfoFile;
    // A newer version with at least one file: the upgrade flow begins here.
    std::function<void(TSelfUpdater&, const UpdateOffer& offer, bool& canUpgrade)> OnBeginUpgrade;

    // The upgrade flow that takes over a newer version's files; while it
    // runs, the transfer's notifications go to it. Without one, only
    // OnBeginUpgrade learns of a newer version.
    void AttachUpgrade(TUpgradeFlow& flow) { flow_ = &flow; }

    // The largest information file accepted: a real one has a few hundred bytes.
    static constexpr std::uint64_t kMaxInfoFileSize = 1u << 20;

    // Starts a check in the background; ignored while the transfer's worker
    // is active or an upgrade round is under way.
    void StartUpdateCheck();

    bool InInformationMode() const { return informationMode_; }
    bool AutomaticCheckMark() const { return automaticMark_; }
    bool AbortedMark() const { return abortedMark_; }
    const UpdateOffer& Offer() const { return offer_; }

private:
    void infoDone(const std::string& body);
    void infoFailed(TransferOutcome outcome, int statusCode);
    void infoRefused(TransferRefusal reason);
    void hostUnreachable();
    void restartTimer();
    void timerFired();
    bool shows(TUpdShowMessages m) const { return ShowMessages.count(m) != 0; }
    void message(const std::string& text, MessageIcon icon);

    Services s_;
    bool autoCheck_ = false;
    bool begun_ = false;
    bool automaticMark_ = false;
    bool abortedMark_ = false;
    bool informationMode_ = false;
    unsigned timerGeneration_ = 0;
    UpdateOffer offer_;
    TUpgradeFlow* flow_ = nullptr;
    bool fileMode() const;
    // Timer continuations check it, so one that fires after the component
    // has gone does nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

std::string FormatVersionDate(const CalendarDate& date);

}  // namespace melkrin::update
