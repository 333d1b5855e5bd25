#pragma once
// UpdateChecker's check: fetch the update information file, refuse it unless
// our key signed it, compare the version and report the outcome. A newer
// version with files goes on to the upgrade flow through OnBeginUpgrade.
#include <functional>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "common/scheduler.h"
#include "update/http_client.h"
#include "update/signed_info.h"
#include "update/transfer_rules.h"
#include "update/update_info.h"

namespace melkrin::update {

enum class UpdateMessage {
    AskUpgrade, ConnLost, HostUnreachable, LostFile, NoInfoFile, NoUpdateAvailable, PasswordRequest,
};
using ShowMessagesSet = std::set<UpdateMessage>;

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
bool seemsOnline(std::optional<std::uint32_t> remoteConnection, const std::vector<std::string>& ownAddresses);

class UpgradeFlow;

struct UpdateOffer {
    std::vector<CheckedFile> files;
    std::string upgradeMsg;
    UpgradeKind upgradeMethod = UpgradeKind::SelfUpgrade;
};

// Who started a check: the user, or the automatic check's timer (which
// stays quiet about anything but a refused information file).
enum class CheckOrigin { User, Automatic };

// The check's phases. Nothing under way (and no automatic check begun, or
// one to be tried again):
struct CheckIdle {};
// The information file is being fetched.
struct FetchingInfo {
    CheckOrigin origin;
};
// The check ended: its outcome was told, or its offer handed on.
struct CheckEnded {
    CheckOrigin origin;
};
using CheckPhase = std::variant<CheckIdle, FetchingInfo, CheckEnded>;

class UpdateChecker {
public:
    struct Services {
        HttpClient& transfer;
        SignatureVerifier& verifier;
        UpdateMessageBoxes& messages;
        Scheduler& scheduler;
        OnlineTest& onlineTest;
        std::function<CalendarDate()> today;
        // Errors of the automatic check go to the application's error display.
        std::function<void(const std::string&)> showError;
    };

    explicit UpdateChecker(Services services);
    ~UpdateChecker();
    UpdateChecker(const UpdateChecker&) = delete;
    UpdateChecker& operator=(const UpdateChecker&) = delete;

    // Settings of the check.
    std::string infoFileUrl = "http://";
    VersionScheme versionControl = VersionScheme::Date;
    std::string versionNumber;
    std::string versionDate;  // "MM/DD/YYYY"; today when constructed
    ShowMessagesSet showMessages{UpdateMessage::AskUpgrade, UpdateMessage::ConnLost,
                                 UpdateMessage::LostFile, UpdateMessage::PasswordRequest};
    unsigned autoCheckDelay = 10000;
    // The transfer's cache options outside the check; the check adds the no-cache pragma.
    CacheOptions baseCacheOptions;
    bool autoCheck() const { return autoCheck_; }
    void setAutoCheck(bool on);

    // Outcomes, on the user-interface thread.
    std::function<void(UpdateChecker&)> onNoUpdateAvailable;
    std::function<void(UpdateChecker&)> onNoInfoFile;
    std::function<void(UpdateChecker&)> onConnLost;
    std::function<void(UpdateChecker&, const std::string& url, const std::string& hostname)> onHostUnreachable;
    // The information file was refused: not signed by our key, or a file
    // without its checksum. Nothing of it was used.
    std::function<void(UpdateChecker&, InfoVerdict)> onUntrustedInfoFile;
    // A newer version with at least one file: the upgrade flow begins here
    // unless this returns false (the flow's OnLaterUpgrade then follows).
    std::function<bool(UpdateChecker&, const UpdateOffer& offer)> onBeginUpgrade;

    // The upgrade flow that takes over a newer version's files, with
    // transfers of its own. Without one, only OnBeginUpgrade learns of a
    // newer version.
    void attachUpgrade(UpgradeFlow& flow) { flow_ = &flow; }

    // The largest information file accepted: a real one has a few hundred bytes.
    static constexpr std::uint64_t kMaxInfoFileSize = 1u << 20;

    // Starts a check in the background; ignored while the transfer's worker
    // is active or an upgrade round is under way.
    void startUpdateCheck();

    const CheckPhase& phase() const { return phase_; }
    bool inInformationMode() const { return std::holds_alternative<FetchingInfo>(phase_); }
    // The check under way, or the last one, was the automatic check's.
    bool automaticCheckMark() const { return origin() == CheckOrigin::Automatic; }
    const UpdateOffer& offer() const { return offer_; }

private:
    void startCheck(CheckOrigin origin);
    TransferReceiver infoReceiver();
    std::optional<CheckOrigin> origin() const;
    // Leaves FetchingInfo for CheckEnded; nullopt when no check was under way.
    std::optional<CheckOrigin> endCheck();
    void infoDone(const std::string& body, CheckOrigin origin);
    void infoFailed(TransferOutcome outcome, int statusCode);
    void infoRefused(TransferRefusal reason);
    void hostUnreachable(CheckOrigin origin);
    void restartTimer();
    void timerFired();
    bool shows(UpdateMessage m) const { return showMessages.count(m) != 0; }
    void message(const std::string& text, MessageIcon icon);

    Services s_;
    // A setting: whether the automatic check's timer runs.
    bool autoCheck_ = false;
    CheckPhase phase_;
    unsigned timerGeneration_ = 0;
    UpdateOffer offer_;
    UpgradeFlow* flow_ = nullptr;
    // Timer continuations and the information file's receiver check it, so
    // one that comes after the component has gone does nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

std::string formatVersionDate(const CalendarDate& date);

}  // namespace melkrin::update
