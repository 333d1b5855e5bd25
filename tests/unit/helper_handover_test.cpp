#include "update/helper_handover.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

namespace melkrin::update {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr const char* kUser = "S-1-5-21-1-2-3-1001";
constexpr const char* kUsers = "S-1-5-32-545";
constexpr const char* kEveryone = "S-1-1-0";
constexpr const char* kCreatorOwner = "S-1-3-0";
constexpr std::uint32_t kFullControl = 0x001F01FF;
constexpr std::uint32_t kReadExecute = 0x001200A9;
const std::vector<std::string> kTrusted{kAdministratorsSid, kSystemSid};

FolderSecurity asMade() {
    return {kAdministratorsSid,
            true,
            {{AccessKind::Allow, false, kFullControl, kSystemSid}, {AccessKind::Allow, false, kFullControl, kAdministratorsSid}}};
}

FolderSecurity withEntry(AccessEntry entry) {
    FolderSecurity security = asMade();
    security.entries.push_back(std::move(entry));
    return security;
}

TEST(HelperHandOverTest, FolderSecurityAcceptsOnlyWhatAdministratorsAloneCanChange) {
    FolderSecurity userOwned = asMade();
    userOwned.owner = kUser;
    FolderSecurity systemOwned = asMade();
    systemOwned.owner = kSystemSid;
    FolderSecurity noList = asMade();
    noList.hasAccessList = false;
    noList.entries.clear();
    FolderSecurity inheritedSystem = asMade();
    inheritedSystem.entries[0].inherited = true;

    const struct {
        const char* name;
        FolderSecurity security;
        const char* problem;  // empty: accepted
    } cases[] = {
        {"as the hand-over makes it", asMade(), ""},
        {"owned by the system", systemOwned, ""},
        {"users may read and run", withEntry({AccessKind::Allow, false, kReadExecute, kUsers}), ""},
        {"a deny entry for everyone", withEntry({AccessKind::Deny, false, kFullControl, kEveryone}), ""},
        {"owned by the user", userOwned, "belongs to S-1-5-21-1-2-3-1001"},
        {"no access list", noList, "no access list"},
        {"an inherited entry, even the system's", inheritedSystem, "inherits"},
        {"users may add files", withEntry({AccessKind::Allow, false, kReadExecute | kFileWriteData, kUsers}), kUsers},
        {"users may add folders", withEntry({AccessKind::Allow, false, kFileAppendData, kUsers}), kUsers},
        {"users may delete children", withEntry({AccessKind::Allow, false, kFileDeleteChild, kUsers}), kUsers},
        {"the user may delete it", withEntry({AccessKind::Allow, false, kDelete, kUser}), kUser},
        {"everyone may change its rights", withEntry({AccessKind::Allow, false, kWriteDac, kEveryone}), kEveryone},
        {"everyone may take it", withEntry({AccessKind::Allow, false, kWriteOwner, kEveryone}), kEveryone},
        {"attributes", withEntry({AccessKind::Allow, false, kFileWriteAttributes, kUsers}), kUsers},
        {"extended attributes", withEntry({AccessKind::Allow, false, kFileWriteEa, kUsers}), kUsers},
        {"generic write, passed on only", withEntry({AccessKind::Allow, false, kGenericWrite, kUsers}), kUsers},
        {"generic all for the creator", withEntry({AccessKind::Allow, false, kGenericAll, kCreatorOwner}), kCreatorOwner},
        {"an entry of another kind", withEntry({AccessKind::Other, false, 0, ""}), "unknown kind"},
    };
    for (const auto& c : cases) {
        const std::string problem = folderSecurityProblem(c.security, kTrusted);
        if (*c.problem == '\0')
            EXPECT_EQ(problem, "") << c.name;
        else
            EXPECT_THAT(problem, HasSubstr(c.problem)) << c.name;
    }
    // Where the platform counts the running user as trusted (Wine), the user may own and write.
    FolderSecurity wine = userOwned;
    wine.entries[1].sid = kUser;
    EXPECT_EQ(folderSecurityProblem(wine, {kAdministratorsSid, kSystemSid, kUser}), "");
    EXPECT_THAT(folderSecurityProblem(wine, kTrusted), HasSubstr("belongs to"));
}

TEST(HelperHandOverTest, FolderNames) {
    const std::string hex = "0123456789abcdef0123456789abcdef";
    EXPECT_EQ(helperFolderName(hex), "MelkrinUpd-" + hex);
    for (const std::string& bad : std::vector<std::string>{std::string(), hex.substr(1), hex + "0", "0123456789ABCDEF0123456789abcdef",
                                  "0123456789abcdef0123456789abcdeg", "..\\..\\windows\\system32\\abcdef012345"})
        EXPECT_EQ(helperFolderName(bad), "") << bad;
    EXPECT_TRUE(isHelperFolderName("MelkrinUpd-" + hex));
    for (const std::string& other : std::vector<std::string>{"MelkrinUpd-", "MelkrinUpd-" + hex + "x", "melkrinupd-" + hex, "Other-" + hex,
                                    "MelkrinUpd-0123456789ABCDEF0123456789abcdef"})
        EXPECT_FALSE(isHelperFolderName(other)) << other;
}

// Records every call in order; each step can be made to fail.
class ScriptedPlatform : public HelperHandOverPlatform {
public:
    std::string parentFolder() override { return parent; }
    std::string randomHex() override {
        if (randoms.empty()) return {};
        std::string next = randoms.front();
        randoms.erase(randoms.begin());
        return next;
    }
    std::vector<std::string> folderNames(const std::string& folder) override {
        log.push_back("list " + folder);
        std::vector<std::string> names;
        for (const auto& [name, security] : folders) names.push_back(name);
        return names;
    }
    bool createFolder(const std::string& path) override {
        log.push_back("create " + path);
        const std::string name = path.substr(parent.size());
        if (folders.count(name) || createFails) return false;
        folders[name] = madeSecurity;
        return true;
    }
    std::optional<FolderSecurity> folderSecurity(const std::string& path) override {
        log.push_back("security " + path);
        const auto found = folders.find(path.substr(parent.size()));
        if (found == folders.end() || unreadable) return std::nullopt;
        return found->second;
    }
    std::vector<std::string> trustedAccounts() override { return kTrusted; }
    bool removeFolder(const std::string& path) override {
        log.push_back("remove " + path);
        const std::string name = path.substr(parent.size());
        if (busy.count(name)) return false;
        folders.erase(name);
        return true;
    }
    std::string embeddedHelper() override { return helper; }
    bool writeNewFile(const std::string& path, std::string_view bytes) override {
        log.push_back("write " + path);
        if (writeFails) return false;
        written = std::string(bytes);
        return true;
    }
    bool holdFile(const std::string& path) override {
        log.push_back("hold " + path);
        if (replacedBeforeHold) written = "planted";
        held = !holdFails;
        return held;
    }
    std::optional<std::string> readHeldFile() override {
        log.push_back("read");
        if (!held) return std::nullopt;
        return written;
    }
    bool startProcess(const std::string& program, const std::string& commandLine,
                      const std::string& currentFolder) override {
        log.push_back("start " + program + " | " + commandLine + " | " + currentFolder);
        EXPECT_TRUE(held) << "started without the file held";
        return !startFails;
    }
    void releaseFile() override {
        log.push_back("release");
        held = false;
    }

    std::string parent = "C:\\Windows\\Temp\\";
    std::vector<std::string> randoms{"0123456789abcdef0123456789abcdef", "fedcba9876543210fedcba9876543210",
                                     "00000000000000000000000000000001", "00000000000000000000000000000002",
                                     "00000000000000000000000000000003"};
    std::map<std::string, FolderSecurity> folders;
    std::set<std::string> busy;
    FolderSecurity madeSecurity = asMade();
    std::string helper = "MZ helper bytes";
    std::string written;
    bool createFails = false, unreadable = false, writeFails = false, holdFails = false, replacedBeforeHold = false,
         startFails = false, held = false;
    std::vector<std::string> log;
};

constexpr const char* kProgram = "C:\\Program Files\\Melkrin\\melkrin.exe";
const std::string kFirst = "C:\\Windows\\Temp\\MelkrinUpd-0123456789abcdef0123456789abcdef";

TEST(HelperHandOverTest, WritesChecksAndStartsWhileTheFileIsHeld) {
    ScriptedPlatform platform;
    const HandOverResult result = handOverToHelper(platform, kProgram, "/afterupgrade0");
    EXPECT_TRUE(result.started());
    EXPECT_EQ(result.helperPath, kFirst + "\\UpdHelper.exe");
    EXPECT_THAT(platform.log,
                ElementsAre("list C:\\Windows\\Temp\\", "create " + kFirst, "security " + kFirst,
                            "write " + kFirst + "\\UpdHelper.exe", "hold " + kFirst + "\\UpdHelper.exe", "read",
                            "start " + kFirst + "\\UpdHelper.exe | \"" + kFirst +
                                "\\UpdHelper.exe\" C:\\Program Files\\Melkrin\\melkrin.exe +/afterupgrade0 | " +
                                kFirst + "\\",
                            "release"));
    EXPECT_EQ(platform.written, platform.helper);
    EXPECT_EQ(platform.folders.count("MelkrinUpd-0123456789abcdef0123456789abcdef"), 1u) << "the helper runs from it";
}

TEST(HelperHandOverTest, NothingStartsAfterAFailedStep) {
    const struct {
        const char* name;
        void (*arrange)(ScriptedPlatform&);
        HandOverStep reached;
        const char* problem;
    } cases[] = {
        {"no parent folder", [](ScriptedPlatform& p) { p.parent.clear(); }, HandOverStep::Folder, "no folder"},
        {"no random name", [](ScriptedPlatform& p) { p.randoms.clear(); }, HandOverStep::Folder, "no fresh folder"},
        {"the folder cannot be made", [](ScriptedPlatform& p) { p.createFails = true; }, HandOverStep::Folder,
         "no fresh folder"},
        {"its security cannot be read", [](ScriptedPlatform& p) { p.unreadable = true; }, HandOverStep::Security,
         "cannot be read"},
        {"it inherits access", [](ScriptedPlatform& p) { p.madeSecurity.entries[0].inherited = true; },
         HandOverStep::Security, "inherits"},
        {"users may write it",
         [](ScriptedPlatform& p) { p.madeSecurity.entries.push_back({AccessKind::Allow, false, kFileWriteData, kUsers}); },
         HandOverStep::Security, "lets S-1-5-32-545 write"},
        {"no helper carried", [](ScriptedPlatform& p) { p.helper.clear(); }, HandOverStep::Write, "carries no"},
        {"the write fails", [](ScriptedPlatform& p) { p.writeFails = true; }, HandOverStep::Write, "cannot be written"},
        {"it cannot be held", [](ScriptedPlatform& p) { p.holdFails = true; }, HandOverStep::Check,
         "cannot be opened"},
        {"it was replaced before the hold", [](ScriptedPlatform& p) { p.replacedBeforeHold = true; },
         HandOverStep::Check, "is not the helper"},
        {"the start fails", [](ScriptedPlatform& p) { p.startFails = true; }, HandOverStep::Start, "cannot be started"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPlatform platform;
        c.arrange(platform);
        const HandOverResult result = handOverToHelper(platform, kProgram, "/afterupgrade0");
        EXPECT_FALSE(result.started());
        EXPECT_EQ(result.reached, c.reached);
        EXPECT_THAT(result.problem, HasSubstr(c.problem));
        if (c.reached != HandOverStep::Start) {
            EXPECT_THAT(platform.log, Not(Contains(HasSubstr("start ")))) << "nothing was started";
        }
        EXPECT_FALSE(platform.held) << "the file is let go";
        EXPECT_THAT(platform.folders, IsEmpty()) << "the fresh folder is removed again";
    }
}

TEST(HelperHandOverTest, AnExistingNameIsNeverUsed) {
    ScriptedPlatform platform;
    // Someone made the first name before us (with rights of their own).
    FolderSecurity theirs = asMade();
    theirs.owner = kUser;
    platform.folders["MelkrinUpd-0123456789abcdef0123456789abcdef"] = theirs;
    const HandOverResult result = handOverToHelper(platform, kProgram, "+2");
    EXPECT_TRUE(result.started());
    EXPECT_EQ(result.helperPath, "C:\\Windows\\Temp\\MelkrinUpd-fedcba9876543210fedcba9876543210\\UpdHelper.exe");
    EXPECT_THAT(platform.log, Contains("create " + kFirst));
    EXPECT_EQ(platform.folders["MelkrinUpd-0123456789abcdef0123456789abcdef"].owner, kUser) << "left as it was";

    // Every name taken: after a few tries the hand-over gives up.
    ScriptedPlatform full;
    for (const std::string& random : full.randoms) full.folders["MelkrinUpd-" + random] = theirs;
    const HandOverResult none = handOverToHelper(full, kProgram, "+2");
    EXPECT_EQ(none.reached, HandOverStep::Folder);
    EXPECT_THAT(full.log, Not(Contains(HasSubstr("write "))));
}

TEST(HelperHandOverTest, LeftoversGoUnlessBusyOrNotOurs) {
    ScriptedPlatform platform;
    FolderSecurity theirs = asMade();
    theirs.owner = kUser;
    const std::string ours1 = "MelkrinUpd-11111111111111111111111111111111";
    const std::string ours2 = "MelkrinUpd-22222222222222222222222222222222";
    const std::string running = "MelkrinUpd-33333333333333333333333333333333";
    const std::string planted = "MelkrinUpd-44444444444444444444444444444444";
    const std::string lookalike = "MelkrinUpd-old";
    for (const std::string& name : {ours1, ours2, running, lookalike}) platform.folders[name] = asMade();
    platform.folders[planted] = theirs;
    platform.busy.insert(running);
    EXPECT_EQ(removeHelperLeftovers(platform), 2);
    EXPECT_EQ(platform.folders.count(ours1) + platform.folders.count(ours2), 0u);
    EXPECT_EQ(platform.folders.count(running), 1u) << "a helper still runs from it";
    EXPECT_EQ(platform.folders.count(planted), 1u);
    EXPECT_EQ(platform.folders.count(lookalike), 1u);
    EXPECT_THAT(platform.log, Not(Contains("remove C:\\Windows\\Temp\\" + planted))) << "never emptied as admin";
    EXPECT_THAT(platform.log, Not(Contains("remove C:\\Windows\\Temp\\" + lookalike)));
}

}  // namespace
}  // namespace melkrin::update
