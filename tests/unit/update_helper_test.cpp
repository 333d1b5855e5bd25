// UpdHelper's rules over a file system of its own: the command line, which
// pending file becomes what, the waits, and the swap that is all or nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>

#include "common/sha256.h"
#include "update_helper/helper.h"
#include "update_helper/swap_journal.h"

namespace melkrin::updhelper {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct PowerCut {};

// A file system that loses, at a power cut, what was not on the disk yet.
// Paths compare without letter case, as on Windows; names keep theirs.
//
// Its model of NTFS after a power cut: a file's data is on the disk once it
// was flushed (before that it comes back zero-filled at its size, or as the
// data last flushed, or empty); name changes (creating, moving, deleting a
// file) go to the disk in the order they were made, and all of them are there
// once the volume was flushed (before that any first part of them may be).
class FakePlatform final : public HelperPlatform {
public:
    struct File {
        std::string path;
        std::string content;
        Attributes attributes = Attributes::Normal;
        std::uint64_t busyUntil = 0;  // held open until this time
        int id = 0;                   // the file itself, whatever its name
    };
    enum class Lost { Zeros, Stale };

    // On the disk already, as an installed file is.
    void add(const std::string& path, const std::string& content, std::uint64_t busyUntil = 0) {
        const int id = create(path, content, Attributes::HiddenArchive, busyUntil);
        flushed[id] = content;
        durableNames[lower(path)] = {path, id};
    }
    // Written but never flushed, as a download is: the name is on the disk, the data not yet.
    void addUnflushed(const std::string& path, const std::string& content) {
        const int id = create(path, content, Attributes::HiddenArchive, 0);
        durableNames[lower(path)] = {path, id};
    }
    const File* at(const std::string& path) const {
        const auto it = files.find(lower(path));
        return it == files.end() ? nullptr : &it->second;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& [key, file] : files) out.push_back(file.path.substr(file.path.rfind('\\') + 1));
        return out;
    }
    std::size_t unflushedNameChanges() const { return nameChanges.size(); }

    // What is found after the power came back: the names on the disk and the
    // first keptChanges of the later name changes; data not flushed comes back as lost says.
    void powerCut(std::size_t keptChanges, Lost lost) {
        applyNameChanges(std::min(keptChanges, nameChanges.size()));
        nameChanges.clear();
        files.clear();
        for (const auto& [key, name] : durableNames) {
            const int id = name.second;
            const std::string& now = contents[id];
            std::string found;
            if (flushed.count(id) && flushed[id] == now)
                found = now;
            else if (lost == Lost::Zeros)
                found = std::string(now.size(), '\0');
            else
                found = flushed.count(id) ? flushed[id] : std::string();
            contents[id] = found;
            flushed[id] = found;
            files[key] = File{name.first, found, Attributes::Normal, 0, id};
        }
    }

    bool fileExists(const std::string& path) override { return at(path) != nullptr; }
    std::string listedName(const std::string& path) override {
        return at(path)->path.substr(at(path)->path.rfind('\\') + 1);
    }
    std::vector<std::string> pendingFiles(const std::string& folder) override {
        std::vector<std::string> out;
        for (const auto& [key, file] : files) {
            const std::string name = file.path.substr(file.path.rfind('\\') + 1);
            if (lower(file.path.substr(0, folder.size())) == lower(folder) &&
                file.path.find('\\', folder.size()) == std::string::npos && key.size() >= 5 &&
                key.compare(key.size() - 5, 5, ".utmp") == 0)
                out.push_back(name);
        }
        return out;
    }
    bool isFree(const std::string& path) override { return !at(path) || at(path)->busyUntil <= clock; }
    void setAttributes(const std::string& path, Attributes attributes) override {
        if (auto it = files.find(lower(path)); it != files.end()) it->second.attributes = attributes;
    }
    bool deleteFile(const std::string& path) override {
        step();
        const auto it = files.find(lower(path));
        if (it == files.end()) return false;
        nameChanges.push_back({it->first, "", "", it->second.id});
        files.erase(it);
        return true;
    }
    bool copyFile(const std::string& from, const std::string& to) override {
        // A copy cut off by the power leaves part of it.
        if (steps == cutBefore && at(from) && !failing.count(lower(to)))
            write(to, at(from)->content.substr(0, 3));
        step();
        if (!at(from) || failing.count(lower(to))) return false;
        if (!allocate()) {
            // The system deletes a copy it could not finish.
            deleteUncounted(to);
            return false;
        }
        write(to, at(from)->content);
        files[lower(to)].attributes = at(from)->attributes;
        return true;
    }
    bool replaceFile(const std::string& from, const std::string& to) override {
        step();
        if (!at(from) || failing.count(lower(to))) return false;
        File moved = *at(from);
        files.erase(lower(from));
        moved.path = at(to) ? at(to)->path : to;
        files[lower(to)] = moved;
        nameChanges.push_back({lower(from), lower(to), moved.path, moved.id});
        if (++replacements == cutAfterReplacements) throw PowerCut{};
        return true;
    }
    std::optional<std::string> readFile(const std::string& path) override {
        return at(path) ? std::optional<std::string>(at(path)->content) : std::nullopt;
    }
    bool writeFile(const std::string& path, const std::string& bytes) override {
        step();
        if (failing.count(lower(path))) return false;
        if (!(recordsFit && endsWithNoCase(path, ".uJNL")) && !allocate()) return false;
        // Written beside, flushed, and moved over the old one.
        const int id = nextId++;
        contents[id] = bytes;
        flushed[id] = bytes;
        const std::string key = lower(path);
        files[key] = File{path, bytes, Attributes::Normal, 0, id};
        nameChanges.push_back({"", key, path, id});
        if (++records == cutAfterRecords) throw PowerCut{};
        return true;
    }
    bool flushFile(const std::string& path) override {
        step();
        const File* file = at(path);
        if (!file || failingFlush) return false;
        flushed[file->id] = contents[file->id];
        return true;
    }
    bool flushNames(const std::string&) override {
        step();
        if (failingFlush) return false;
        applyNameChanges(nameChanges.size());
        return true;
    }
    std::optional<FileCheck> checkFile(const std::string& path) override {
        if (!at(path)) return std::nullopt;
        return FileCheck{at(path)->content.size(), sha256Hex(at(path)->content)};
    }
    bool start(const std::string& commandLine) override {
        started.push_back(commandLine);
        return true;
    }
    ProcessEnd startAndWait(const std::string& commandLine, std::uint32_t) override {
        started.push_back(commandLine);
        return setupEnd;
    }
    void inform(const std::string& caption, const std::string&) override { informed.push_back(caption); }
    void warn(const std::string& text) override { warnings.push_back(text); }
    void pause(std::uint32_t milliseconds) override { clock += milliseconds; }
    std::uint64_t now() override { return clock; }

    std::map<std::string, File> files;
    std::set<std::string> failing;  // targets that cannot be written
    // Files that can still be given new data; fewer than none: no limit. A full
    // disk fails copies and writes (with recordsFit, the record's few bytes still fit).
    int spaceForFiles = -1;
    bool recordsFit = false;
    ProcessEnd setupEnd = ProcessEnd::Ended;
    std::vector<std::string> started, informed, warnings;
    std::uint64_t clock = 0;
    // The power goes before the file operation with this number (from 0):
    // the helper ends there, with the files as the earlier steps left them.
    int cutBefore = -1;
    int steps = 0;
    // ... or right after the n-th file replaced, or the n-th record written.
    int cutAfterReplacements = -1, cutAfterRecords = -1;
    bool failingFlush = false;  // the disk does not take what is flushed

private:
    int replacements = 0, records = 0;
    struct NameChange {
        std::string from, to;  // keys; from empty: created, to empty: deleted
        std::string toPath;
        int id;
    };

    void applyNameChanges(std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const NameChange& change = nameChanges[i];
            if (!change.from.empty()) durableNames.erase(change.from);
            if (!change.to.empty()) durableNames[change.to] = {change.toPath, change.id};
        }
        nameChanges.erase(nameChanges.begin(), nameChanges.begin() + static_cast<std::ptrdiff_t>(count));
    }
    static bool endsWithNoCase(const std::string& text, const std::string& tail) {
        return text.size() >= tail.size() && lower(text.substr(text.size() - tail.size())) == lower(tail);
    }
    void step() {
        if (steps++ == cutBefore) throw PowerCut{};
    }
    bool allocate() {
        if (spaceForFiles < 0) return true;
        if (spaceForFiles == 0) return false;
        --spaceForFiles;
        return true;
    }
    int create(const std::string& path, const std::string& content, Attributes attributes, std::uint64_t busyUntil) {
        const int id = nextId++;
        contents[id] = content;
        files[lower(path)] = File{path, content, attributes, busyUntil, id};
        return id;
    }
    // Over an existing file its data changes in place (not yet on the disk);
    // a new file is a new name.
    int write(const std::string& path, const std::string& content) {
        const std::string key = lower(path);
        if (auto it = files.find(key); it != files.end()) {
            it->second.content = content;
            contents[it->second.id] = content;
            return it->second.id;
        }
        const int id = create(path, content, Attributes::Normal, 0);
        nameChanges.push_back({"", key, path, id});
        return id;
    }
    void deleteUncounted(const std::string& path) {
        const auto it = files.find(lower(path));
        if (it == files.end()) return;
        nameChanges.push_back({it->first, "", "", it->second.id});
        files.erase(it);
    }

    int nextId = 1;
    std::map<int, std::string> contents;  // every file's data as the system shows it
    std::map<int, std::string> flushed;   // ... and as the disk holds it
    std::map<std::string, std::pair<std::string, int>> durableNames;
    std::vector<NameChange> nameChanges;  // made since, in order
};

const std::string kFolder = "C:\\Program Files\\Quorvane\\Melkrin\\";
const std::string kProgram = kFolder + "melkrin.exe";
const std::string kSelf = kProgram + " +/afterupgrade0";
const std::string kExternal = kProgram + " +/afterupgrade1";
const std::string kRestart = "\"" + kProgram + "\" /afterupgrade";

TEST(UpdateHelperTest, CommandTextIsWhatFollowsTheHelpersOwnPath) {
    const std::string own = "C:\\Users\\Joe Smith\\Temp\\UpdHelper.exe";
    const struct {
        const char* line;
        const char* text;
    } cases[] = {
        {"C:\\Users\\Joe Smith\\Temp\\UpdHelper.exe C:\\Program Files\\M\\melkrin.exe +/afterupgrade0",
         "C:\\Program Files\\M\\melkrin.exe +/afterupgrade0"},
        {"\"C:\\Users\\Joe Smith\\Temp\\UpdHelper.exe\" C:\\Two  Blanks\\melkrin.exe +/afterupgrade1",
         "C:\\Two  Blanks\\melkrin.exe +/afterupgrade1"},
        {"c:\\users\\joe smith\\temp\\updhelper.exe  C:\\M\\melkrin.exe +x0  ", "C:\\M\\melkrin.exe +x0"},
        {"UpdHelper.exe C:\\M\\melkrin.exe", "C:\\M\\melkrin.exe"},
        {"C:\\Users\\Joe Smith\\Temp\\UpdHelper.exe", ""},
        {"\"C:\\Users\\Joe Smith\\Temp\\UpdHelper.exe\"   ", ""},
        // Found by fuzzing: line breaks alone were taken for a program path.
        {"C:\\Users\\Joe Smith\\Temp\\UpdHelper.exe \r\n", ""},
        {"UpdHelper.exe \r\n\n C:\\M\\melkrin.exe +x0\r\n", "C:\\M\\melkrin.exe +x0"},
    };
    for (const auto& c : cases) EXPECT_EQ(commandText(c.line, own), c.text) << c.line;
}

TEST(UpdateHelperTest, CommandSplitsAtTheLastBlankPlus) {
    const struct {
        const char* text;
        const char* program;
        const char* restart;
        bool external;
        const char* folder;
    } cases[] = {
        {"C:\\Program Files\\M\\melkrin.exe +/afterupgrade0", "C:\\Program Files\\M\\melkrin.exe", "/afterupgrade",
         false, "C:\\Program Files\\M\\"},
        {"C:\\Games+Tools\\M\\melkrin.exe +/afterupgrade1", "C:\\Games+Tools\\M\\melkrin.exe", "/afterupgrade", true,
         "C:\\Games+Tools\\M\\"},
        {"C:\\M\\melkrin.exe", "C:\\M\\melkrin.exe", "", false, "C:\\M\\"},
        {"C:\\M\\melkrin.exe +1", "C:\\M\\melkrin.exe", "", true, "C:\\M\\"},
        {"melkrin.exe +/a0", "melkrin.exe", "/a", false, ""},
    };
    for (const auto& c : cases) {
        const HelperCommand command = parseCommand(c.text);
        EXPECT_EQ(command.programPath, c.program) << c.text;
        EXPECT_EQ(command.restartArgument, c.restart) << c.text;
        EXPECT_EQ(command.external, c.external) << c.text;
        EXPECT_EQ(command.folder, c.folder) << c.text;
    }
}

TEST(UpdateHelperTest, WithoutArgumentsItOnlyIntroducesItself) {
    FakePlatform platform;
    EXPECT_EQ(runHelper("", platform), HelperResult::Information);
    EXPECT_THAT(platform.informed, ElementsAre("Update helper v1.0"));
    EXPECT_THAT(platform.started, IsEmpty());
}

TEST(UpdateHelperTest, PendingFilesReplaceTheirTargetsAndTheProgramStartsAgain) {
    const struct {
        const char* name;
        std::vector<std::string> pending;  // names of the downloaded files
        std::map<std::string, std::string> expected;  // file name -> content afterwards
    } cases[] = {
        {"the program under its own name, beside a data file",
         {"melkrin.exe.uTMP", "data.txt.uTMP"},
         {{"melkrin.exe", "melkrin.exe.uTMP"}, {"data.txt", "data.txt.uTMP"}}},
        {"the only program file under another name becomes the program",
         {"melkrin_new.exe.uTMP"},
         {{"melkrin.exe", "melkrin_new.exe.uTMP"}}},
        {"\"EXE\" in capitals is no program file",
         {"TOOL.EXE.uTMP"},
         {{"melkrin.exe", "old program"}, {"TOOL.EXE", "TOOL.EXE.uTMP"}}},
        {"nothing pending", {}, {{"melkrin.exe", "old program"}}},
    };
    for (const auto& c : cases) {
        FakePlatform platform;
        platform.add(kProgram, "old program", 500);  // Melkrin lets go of its file after half a second
        platform.add(kFolder + "data.txt", "old data");
        for (const auto& name : c.pending) platform.add(kFolder + name, name);
        EXPECT_EQ(runHelper(kSelf, platform), HelperResult::Restarted) << c.name;
        for (const auto& [name, content] : c.expected) {
            ASSERT_NE(platform.at(kFolder + name), nullptr) << c.name << ": " << name;
            EXPECT_EQ(platform.at(kFolder + name)->content, content) << c.name << ": " << name;
            if (content != "old program" && content != "old data")
                EXPECT_EQ(platform.at(kFolder + name)->attributes, Attributes::Archive) << c.name << ": " << name;
        }
        for (const auto& name : platform.names()) {
            EXPECT_EQ(name.find(".uTMP"), std::string::npos) << c.name << ": " << name << " left";
            EXPECT_EQ(name.find(".uOLD"), std::string::npos) << c.name << ": " << name << " left";
        }
        EXPECT_GE(platform.clock, 500u) << c.name << ": started before Melkrin had ended";
        EXPECT_THAT(platform.started, ElementsAre(kRestart)) << c.name;
        EXPECT_THAT(platform.warnings, IsEmpty()) << c.name;
    }
}

TEST(UpdateHelperTest, TheProgramsListedNameIsKept) {
    FakePlatform platform;
    platform.add(kFolder + "Melkrin.EXE", "old program");
    platform.add(kFolder + "melkrin_new.exe.uTMP", "new program");
    runHelper(kSelf, platform);
    EXPECT_THAT(platform.names(), ElementsAre("Melkrin.EXE"));
    EXPECT_EQ(platform.at(kProgram)->content, "new program");
}

TEST(UpdateHelperTest, AProgramThatNeverEndsGetsNothingInstalled) {
    FakePlatform platform;
    platform.add(kProgram, "old program", ~0ull);
    platform.add(kFolder + "melkrin.exe.uTMP", "new program");
    EXPECT_EQ(runHelper(kSelf, platform, HelperLimits{1000, 1000, 20}), HelperResult::ProgramStillRuns);
    EXPECT_EQ(platform.at(kProgram)->content, "old program");
    EXPECT_NE(platform.at(kFolder + "melkrin.exe.uTMP"), nullptr);
    EXPECT_THAT(platform.started, IsEmpty());
    EXPECT_EQ(platform.warnings.size(), 1u);
    EXPECT_GE(platform.clock, 1000u);
    EXPECT_LT(platform.clock, 1100u);
}

TEST(UpdateHelperTest, AFileThatCannotBeReplacedPutsEverythingBack) {
    FakePlatform platform;
    platform.add(kProgram, "old program");
    platform.add(kFolder + "a.dat", "old a");
    platform.add(kFolder + "a.dat.uTMP", "new a");
    platform.add(kFolder + "melkrin.exe.uTMP", "new program");
    platform.add(kFolder + "z.dat.uTMP", "new z");
    platform.failing.insert(lower(kFolder + "z.dat"));  // listed last: the others are in place by then
    EXPECT_EQ(runHelper(kSelf, platform), HelperResult::RolledBack);
    EXPECT_EQ(platform.at(kProgram)->content, "old program");
    EXPECT_EQ(platform.at(kFolder + "a.dat")->content, "old a");
    EXPECT_THAT(platform.names(), ElementsAre("a.dat", "melkrin.exe")) << "no pending file, no backup left";
    EXPECT_THAT(platform.started, ElementsAre("\"" + kProgram + "\"")) << "the old program, without the restart argument";
    EXPECT_EQ(platform.warnings.size(), 1u);
}

TEST(UpdateHelperTest, AnExternalSetupRunsHiddenIsWaitedForAndDeleted) {
    FakePlatform platform;
    platform.add(kProgram, "old program");
    platform.add(kFolder + "setup.exe.uTMP", "setup");
    platform.add(kFolder + "notes.txt.uTMP", "notes");
    EXPECT_EQ(runHelper(kExternal, platform), HelperResult::Restarted);
    EXPECT_THAT(platform.started, ElementsAre("\"" + kFolder + "setup.exe\" /afterupgrade", kRestart));
    EXPECT_EQ(platform.at(kFolder + "setup.exe"), nullptr);
    EXPECT_EQ(platform.at(kFolder + "notes.txt")->attributes, Attributes::Archive);
    EXPECT_EQ(platform.at(kProgram)->content, "old program");
}

TEST(UpdateHelperTest, ExternalModeEdges) {
    {
        // The setup still runs when the limit is over: it is neither deleted nor followed by the program.
        FakePlatform platform;
        platform.add(kProgram, "old program");
        platform.add(kFolder + "setup.exe.uTMP", "setup");
        platform.setupEnd = ProcessEnd::StillRunning;
        EXPECT_EQ(runHelper(kExternal, platform), HelperResult::SetupStillRuns);
        ASSERT_NE(platform.at(kFolder + "setup.exe"), nullptr);
        EXPECT_EQ(platform.at(kFolder + "setup.exe")->attributes, Attributes::HiddenArchive);
        EXPECT_THAT(platform.started, ElementsAre("\"" + kFolder + "setup.exe\" /afterupgrade"));
        EXPECT_EQ(platform.warnings.size(), 1u);
    }
    {
        // No program file pending: no setup is run, the program starts.
        FakePlatform platform;
        platform.add(kProgram, "old program");
        platform.add(kFolder + "notes.txt.uTMP", "notes");
        EXPECT_EQ(runHelper(kExternal, platform), HelperResult::Restarted);
        EXPECT_THAT(platform.started, ElementsAre(kRestart));
    }
    {
        // The program's own file pending (in other letter case): installed, never run as a setup or deleted.
        FakePlatform platform;
        platform.add(kFolder + "MELKRIN.exe.uTMP", "new program");
        EXPECT_EQ(runHelper(kExternal, platform), HelperResult::Restarted);
        ASSERT_NE(platform.at(kProgram), nullptr);
        EXPECT_EQ(platform.at(kProgram)->content, "new program");
        EXPECT_EQ(platform.at(kProgram)->attributes, Attributes::Archive);
        EXPECT_THAT(platform.started, ElementsAre(kRestart));
    }
}


TEST(SwapJournalTest, ReadsBackWhatItWroteAndRefusesAnythingElse) {
    SwapJournal swap;
    swap.phase = SwapPhase::RollBack;
    const std::string sha(64, 'a');
    swap.entries = {{"melkrin_new.exe.uTMP", "Melkrin.EXE", true, FileCheck{123456789012ull, sha}},
                    {"read me.txt.uTMP", "read me.txt", false, std::nullopt}};
    const auto back = parseJournal(formatJournal(swap));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->phase, SwapPhase::RollBack);
    ASSERT_EQ(back->entries.size(), 2u);
    EXPECT_EQ(back->entries[0].pending, "melkrin_new.exe.uTMP");
    EXPECT_EQ(back->entries[0].target, "Melkrin.EXE");
    EXPECT_TRUE(back->entries[0].hadTarget);
    EXPECT_EQ(back->entries[0].check, (FileCheck{123456789012ull, sha}));
    EXPECT_FALSE(back->entries[1].hadTarget);
    EXPECT_EQ(back->entries[1].check, std::nullopt) << "an earlier helper's line, without checks";

    SwapJournal repaired;
    repaired.phase = SwapPhase::Repaired;
    repaired.outcome = RepairOutcome::RolledBack;
    repaired.filesMoved = true;
    repaired.notes = {"one", "two"};
    const auto note = parseJournal(formatJournal(repaired));
    ASSERT_TRUE(note);
    EXPECT_EQ(note->outcome, RepairOutcome::RolledBack);
    EXPECT_TRUE(note->filesMoved);
    EXPECT_THAT(note->notes, ElementsAre("one", "two"));

    for (const char* bad : {"", "install", "install\r\n1\tmelkrin.exe.uTMP\tmelkrin.exe",  // cut off
                            "installing\r\n", "install\r\n2\ta.uTMP\ta\r\n", "install\r\n1\ta.uTMP\r\n",
                            "install\r\n1\t..\\x.uTMP\tx\r\n", "install\r\n1\ta.uTMP\tC:x\r\n",
                            "install\r\n1\ta.uTMP\t\r\n", "repaired\r\ncompleted\r\n", "repaired\r\ndone\r\n1\r\n"})
        EXPECT_FALSE(parseJournal(bad)) << bad;
    // A check must be whole: a size in digits and 64 lower-case hex digits.
    for (const std::string& check : std::vector<std::string>{"\t12", "\t12\t" + sha + "\tx", "\t\t" + sha, "\t-1\t" + sha, "\t1x\t" + sha,
                                     "\t12\t" + std::string(63, 'a'), "\t12\t" + std::string(64, 'A'),
                                     "\t99999999999999999999\t" + sha})
        EXPECT_FALSE(parseJournal("install\r\n1\ta.uTMP\ta" + check + "\r\n")) << check;
}

// An installation in the middle of an update: the program, its help file and
// (when failingFile) a data file, each with a checked new version pending,
// and a read-me that only the new version has.
void prepareUpdate(FakePlatform& platform, bool withDataFile) {
    platform.add(kProgram, "old program");
    platform.add(kFolder + "help.chm", "old help");
    platform.addUnflushed(kFolder + "melkrin.exe.uTMP", "new program");
    platform.addUnflushed(kFolder + "help.chm.uTMP", "new help");
    platform.addUnflushed(kFolder + "readme.txt.uTMP", "new readme");
    if (withDataFile) {
        platform.add(kFolder + "z.dat", "old z");
        platform.addUnflushed(kFolder + "z.dat.uTMP", "new z");
    }
}

enum class Version { Old, New, Mixed };

Version versionOf(const FakePlatform& platform, bool withDataFile) {
    std::vector<std::pair<std::string, std::pair<const char*, const char*>>> files = {
        {"melkrin.exe", {"old program", "new program"}},
        {"help.chm", {"old help", "new help"}},
        {"readme.txt", {nullptr, "new readme"}},
    };
    if (withDataFile) files.push_back({"z.dat", {"old z", "new z"}});
    int oldOnes = 0, newOnes = 0;
    for (const auto& [name, versions] : files) {
        const auto* file = platform.at(kFolder + name);
        const std::string content = file ? file->content : std::string();
        if (versions.first ? content == versions.first : !file) ++oldOnes;
        if (content == versions.second) ++newOnes;
    }
    if (oldOnes == static_cast<int>(files.size())) return Version::Old;
    if (newOnes == static_cast<int>(files.size())) return Version::New;
    return Version::Mixed;
}

bool hasLeftovers(const FakePlatform& platform) {
    for (const auto& name : platform.names())
        if (name.find(".uTMP") != std::string::npos || name.find(".uOLD") != std::string::npos) return true;
    return false;
}

const std::string kRepair = kProgram + " +/afterupgrade2";
const std::string kJournal = kFolder + "update.uJNL";

// The power goes at every step of an update (and just after it), with every
// part of the file system's unflushed work lost or kept; the next start's
// repair always leaves one whole version, old or new, and nothing beside it.
// The updates: one that goes through; one that meets a file it cannot replace
// and goes back; one that finds the disk full at its second backup, with the
// record still fitting; and one where the disk is full on the way back too.
// A full disk stays full at the repair, or has room again.
TEST(UpdateHelperRepairTest, APowerCutAtAnyStepIsRepairedToOneVersion) {
    const struct {
        const char* name;
        bool failingFile;
        int spaceForFiles;  // below 0: no limit
        bool recordsFit;
    } scenarios[] = {
        {"going forward", false, -1, false},
        {"going back from a file that cannot be replaced", true, -1, false},
        {"disk full at the second backup", false, 1, true},
        {"disk full at the second backup and on the way back", false, 2, false},
    };
    // Kind of fault -> how many repairs showed it, and the first of them.
    std::map<std::string, std::pair<int, std::string>> faults;
    int repairs = 0, failedRepairs = 0;
    for (const auto& scenario : scenarios) {
        const auto prepare = [&](FakePlatform& platform) {
            prepareUpdate(platform, scenario.failingFile);
            if (scenario.failingFile) platform.failing.insert(lower(kFolder + "z.dat"));  // listed last
            platform.spaceForFiles = scenario.spaceForFiles;
            platform.recordsFit = scenario.recordsFit;
        };
        FakePlatform whole;
        prepare(whole);
        runHelper(kSelf, whole);
        const int steps = whole.steps;
        ASSERT_GT(steps, 8) << scenario.name;
        // cut == steps: the helper has finished, and the power goes right after.
        for (int cut = 0; cut <= steps; ++cut) {
            FakePlatform helperRun;
            prepare(helperRun);
            helperRun.cutBefore = cut;
            if (cut < steps)
                EXPECT_THROW(runHelper(kSelf, helperRun), PowerCut) << scenario.name << ", cut before step " << cut;
            else
                runHelper(kSelf, helperRun);
            for (std::size_t kept = 0; kept <= helperRun.unflushedNameChanges(); ++kept)
                for (const auto lost : {FakePlatform::Lost::Zeros, FakePlatform::Lost::Stale})
                    for (const bool roomAgain : {false, true}) {
                        if (roomAgain && scenario.spaceForFiles < 0) continue;
                        const std::string where =
                            std::string(scenario.name) + ", cut " + (cut < steps ? "before step " : "after step ") +
                            std::to_string(cut < steps ? cut : steps - 1) + ", " + std::to_string(kept) + " of " +
                            std::to_string(helperRun.unflushedNameChanges()) + " unflushed name changes kept, data " +
                            (lost == FakePlatform::Lost::Zeros ? "zero-filled" : "stale") +
                            (roomAgain ? ", room again at the repair" : "");
                        FakePlatform platform = helperRun;
                        platform.powerCut(kept, lost);
                        const auto before = platform.files;
                        // The next start: the file that was held is free again.
                        platform.cutBefore = -1;
                        platform.failing.clear();
                        platform.started.clear();
                        platform.warnings.clear();
                        if (roomAgain) platform.spaceForFiles = -1;
                        ++repairs;
                        bool failed = false;
                        const auto fault = [&](const std::string& what) {
                            auto& kind = faults[std::string(scenario.name) + ": " + what];
                            if (kind.first++ == 0) kind.second = where;
                            if (!failed) ++failedRepairs;
                            failed = true;
                        };
                        if (runHelper(kRepair, platform) != HelperResult::Repaired) fault("the repair did not finish");
                        if (platform.started != std::vector<std::string>{kRestart}) fault("Melkrin was not restarted");
                        if (!platform.warnings.empty()) fault("warned: " + platform.warnings.front());
                        const Version version = versionOf(platform, scenario.failingFile);
                        if (version == Version::Mixed) fault("not one whole version afterwards");
                        if (!before.count(lower(kJournal))) {
                            // No record: nothing was under way, or the swap was over.
                            // The repair touches nothing; leftover downloads wait for the next update.
                            if (platform.files.size() != before.size()) fault("files changed without a record");
                            if (hasLeftovers(platform) && version != Version::Old)
                                fault("a finished swap left files beside the program");
                            continue;
                        }
                        if (hasLeftovers(platform)) fault("pending files or backups left");
                        if (!scenario.failingFile && scenario.spaceForFiles < 0 && version != Version::New)
                            fault("an update that could go through was undone");
                        const auto* record = platform.at(kJournal);
                        if (!record) {
                            // Its outcome could only not be written on a disk that is still full.
                            if (scenario.recordsFit || roomAgain) fault("the repair left no outcome");
                            continue;
                        }
                        const auto note = parseJournal(record->content);
                        if (!note || note->phase != SwapPhase::Repaired) {
                            fault("the record is no repair outcome");
                            continue;
                        }
                        if (note->outcome !=
                            (version == Version::New ? RepairOutcome::Completed : RepairOutcome::RolledBack))
                            fault("the outcome does not say what is installed");
                        bool moved = false;
                        for (const auto& [key, file] : platform.files)
                            if (key.find(".u") == std::string::npos &&
                                (!before.count(key) || before.at(key).content != file.content))
                                moved = true;
                        for (const auto& [key, file] : before)
                            if (key.find(".u") == std::string::npos && !platform.files.count(key)) moved = true;
                        if (note->filesMoved != moved) fault("the outcome says wrongly whether files were moved");
                        if (note->notes.empty()) fault("the outcome has no notes");
                    }
        }
    }
    EXPECT_GT(repairs, 500);
    std::string listed;
    for (const auto& [kind, seen] : faults)
        listed += "\n  " + kind + " (" + std::to_string(seen.first) + " times; first: " + seen.second + ")";
    EXPECT_TRUE(faults.empty()) << failedRepairs << " of " << repairs << " repairs went wrong:" << listed;
}

TEST(UpdateHelperRepairTest, AFileThatCannotBeReplacedAtTheRepairUndoesTheUpdate) {
    FakePlatform platform;
    prepareUpdate(platform, false);
    platform.cutAfterReplacements = 1;  // help.chm
    EXPECT_THROW(runHelper(kSelf, platform), PowerCut);
    ASSERT_EQ(platform.at(kFolder + "help.chm")->content, "new help");
    platform.cutAfterReplacements = -1;
    platform.failing.insert(lower(kFolder + "readme.txt"));
    EXPECT_EQ(runHelper(kRepair, platform), HelperResult::Repaired);
    EXPECT_EQ(versionOf(platform, false), Version::Old);
    EXPECT_FALSE(hasLeftovers(platform));
    const auto note = parseJournal(platform.at(kJournal)->content);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->outcome, RepairOutcome::RolledBack);
    EXPECT_TRUE(note->filesMoved);
    EXPECT_THAT(note->notes, ::testing::Contains("Update repair: help.chm put back from help.chm.uOLD"));
}

TEST(UpdateHelperRepairTest, AFileThatCannotBePutBackKeepsTheRecordForTheNextStart) {
    FakePlatform platform;
    prepareUpdate(platform, true);
    platform.failing.insert(lower(kFolder + "z.dat"));
    platform.cutAfterRecords = 2;  // the swap is going back: z.dat failed, nothing put back yet
    EXPECT_THROW(runHelper(kSelf, platform), PowerCut);
    ASSERT_EQ(parseJournal(platform.at(kJournal)->content)->phase, SwapPhase::RollBack);
    platform.cutAfterRecords = -1;
    platform.failing = {lower(kFolder + "help.chm")};  // now help.chm is held
    EXPECT_EQ(runHelper(kRepair, platform), HelperResult::RepairUnfinished);
    EXPECT_EQ(platform.warnings.size(), 1u);
    EXPECT_THAT(platform.started, ElementsAre(kRestart)) << "Melkrin still opens";
    const auto record = parseJournal(platform.at(kJournal)->content);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->phase, SwapPhase::RollBack);

    platform.failing.clear();
    EXPECT_EQ(runHelper(kRepair, platform), HelperResult::Repaired);
    EXPECT_EQ(versionOf(platform, true), Version::Old);
    EXPECT_FALSE(hasLeftovers(platform));
}

TEST(UpdateHelperRepairTest, WithoutAWholeRecordNothingIsTouched) {
    for (const char* record : {static_cast<const char*>(nullptr), "install\r\n1\tmelkrin.exe.uTMP\tmelkr",
                               "repaired\r\ncompleted\r\n1\r\n"}) {
        FakePlatform platform;
        platform.add(kProgram, "old program");
        platform.add(kFolder + "melkrin.exe.uTMP", "new program");
        platform.add(kFolder + "melkrin.exe.uOLD", "old program");
        if (record) platform.add(kJournal, record);
        const auto before = platform.files;
        EXPECT_EQ(runHelper(kRepair, platform), HelperResult::Repaired);
        EXPECT_EQ(platform.files.size(), before.size());
        for (const auto& [key, file] : before) EXPECT_EQ(platform.at(file.path)->content, file.content);
        EXPECT_THAT(platform.started, ElementsAre(kRestart));
    }
}

// Before the first target changes, the record must be written and the
// downloads and the record on the disk: otherwise nothing is replaced.
TEST(UpdateHelperRepairTest, AnUpdateWhoseRecordCannotBeWrittenOrFlushedChangesNothing) {
    for (const bool flushFails : {false, true}) {
        FakePlatform platform;
        prepareUpdate(platform, false);
        if (flushFails)
            platform.failingFlush = true;
        else
            platform.failing.insert(lower(kJournal));
        EXPECT_EQ(runHelper(kSelf, platform), HelperResult::RolledBack) << flushFails;
        EXPECT_EQ(versionOf(platform, false), Version::Old) << flushFails;
        EXPECT_FALSE(hasLeftovers(platform)) << flushFails;
    }
}

}  // namespace
}  // namespace melkrin::updhelper
