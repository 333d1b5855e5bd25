#include "update/helper_handover.h"

#include <algorithm>

#include "common/sha256.h"
#include "update/upgrade_flow.h"

namespace melkrin::update {
namespace {

bool isTrusted(const std::string& sid, const std::vector<std::string>& trusted) {
    return std::find(trusted.begin(), trusted.end(), sid) != trusted.end();
}

bool isLowerHex(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

constexpr std::size_t kRandomDigits = 32;
// A name that exists already was made by someone else: try a few fresh ones,
// then give up rather than use it.
constexpr int kFolderAttempts = 4;

}  // namespace

std::string folderSecurityProblem(const FolderSecurity& security, const std::vector<std::string>& trusted) {
    // The owner may always rewrite the access list, whatever it says.
    if (!isTrusted(security.owner, trusted)) return "the folder belongs to " + security.owner;
    if (!security.hasAccessList) return "the folder has no access list (everyone may write)";
    for (const AccessEntry& entry : security.entries) {
        // An entry from the parent folder can change with the parent: the
        // folder's security must be its own.
        if (entry.inherited) return "the folder inherits access from its parent (" + entry.sid + ")";
        // Deny entries only take rights away.
        if (entry.kind == AccessKind::Deny) continue;
        // Conditional, object and compound entries are never written by us;
        // what they grant cannot be judged here.
        if (entry.kind == AccessKind::Other) return "the folder has an access entry of an unknown kind";
        // Inherit-only entries are judged too: the helper file gets them.
        if ((entry.mask & kChangingRights) != 0 && !isTrusted(entry.sid, trusted))
            return "the folder lets " + entry.sid + " write or delete";
    }
    return {};
}

std::string helperFolderName(const std::string& randomHex) {
    if (randomHex.size() != kRandomDigits || !isLowerHex(randomHex)) return {};
    return kHelperFolderPrefix + randomHex;
}

bool isHelperFolderName(const std::string& name) {
    const std::string prefix = kHelperFolderPrefix;
    return name.size() == prefix.size() + kRandomDigits && name.compare(0, prefix.size(), prefix) == 0 &&
           isLowerHex(name.substr(prefix.size()));
}

int removeHelperLeftovers(HelperHandOverPlatform& platform) {
    const std::string parent = platform.parentFolder();
    if (parent.empty()) return 0;
    const std::vector<std::string> trusted = platform.trustedAccounts();
    int removed = 0;
    for (const std::string& name : platform.folderNames(parent)) {
        if (!isHelperFolderName(name)) continue;
        const std::string path = parent + name;
        // Only folders that are as we made them: a look-alike someone else
        // made is left alone, never emptied with administrator rights.
        const std::optional<FolderSecurity> security = platform.folderSecurity(path);
        if (!security || !folderSecurityProblem(*security, trusted).empty()) continue;
        if (platform.removeFolder(path)) ++removed;
    }
    return removed;
}

HandOverResult handOverToHelper(HelperHandOverPlatform& platform, const std::string& programPath,
                                const std::string& argument) {
    HandOverResult result;
    removeHelperLeftovers(platform);

    const std::string parent = platform.parentFolder();
    if (parent.empty()) {
        result.problem = "there is no folder for the update helper";
        return result;
    }
    std::string folder;
    for (int attempt = 0; attempt < kFolderAttempts && folder.empty(); ++attempt) {
        const std::string name = helperFolderName(platform.randomHex());
        if (name.empty()) break;
        if (platform.createFolder(parent + name)) folder = parent + name + "\\";
    }
    if (folder.empty()) {
        result.helperPath = parent + kHelperFileName;
        result.problem = "no fresh folder could be made in " + parent;
        return result;
    }
    result.helperPath = folder + kHelperFileName;
    const std::string folderPath = folder.substr(0, folder.size() - 1);
    auto fail = [&](HandOverStep step, std::string problem) {
        result.reached = step;
        result.problem = std::move(problem);
        platform.removeFolder(folderPath);
        return result;
    };

    result.reached = HandOverStep::Security;
    const std::optional<FolderSecurity> security = platform.folderSecurity(folderPath);
    if (!security) return fail(HandOverStep::Security, "the security of " + folderPath + " cannot be read");
    const std::string problem = folderSecurityProblem(*security, platform.trustedAccounts());
    if (!problem.empty()) return fail(HandOverStep::Security, folderPath + ": " + problem);

    const std::string helper = platform.embeddedHelper();
    if (helper.empty()) return fail(HandOverStep::Write, "this program carries no update helper");
    if (!platform.writeNewFile(result.helperPath, helper))
        return fail(HandOverStep::Write, result.helperPath + " cannot be written");

    // From here to the start the file cannot change: what is checked is what runs.
    if (!platform.holdFile(result.helperPath))
        return fail(HandOverStep::Check, result.helperPath + " cannot be opened for the check");
    const std::optional<std::string> written = platform.readHeldFile();
    if (!written || sha256Of(*written) != sha256Of(helper)) {
        platform.releaseFile();
        return fail(HandOverStep::Check, result.helperPath + " is not the helper this program carries");
    }
    const bool started =
        platform.startProcess(result.helperPath, updhelper::helperCommandLine(result.helperPath, programPath, argument), folder);
    platform.releaseFile();
    if (!started) return fail(HandOverStep::Start, result.helperPath + " cannot be started");
    result.reached = HandOverStep::Done;
    return result;
}

}  // namespace melkrin::update
