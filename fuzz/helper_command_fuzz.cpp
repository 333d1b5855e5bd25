// UpdHelper.exe's command line (any text after any program path) and its
// swap of the downloaded files, on a file system where one copy or rename
// of the fuzzer's choice fails, as a file held by another program would.
// Whatever the step that fails, Melkrin's file is there afterwards, whole,
// either the old one or the new one, and no half update is left behind.
#include <map>
#include <optional>

#include "fuzz_support.h"
#include "common/sha256.h"
#include "update_helper/helper.h"
#include "update_helper/swap_journal.h"

using namespace melkrin;
using namespace melkrin::updhelper;

namespace {

constexpr const char* kFolder = "C:\\Program Files\\Quorvane\\Melkrin\\";
constexpr const char* kProgram = "C:\\Program Files\\Quorvane\\Melkrin\\melkrin.exe";

std::string lower(std::string text) {
    for (auto& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
}

struct PowerCut {};

bool isLeftover(const std::string& key) {
    return key.size() > 5 && (key.compare(key.size() - 5, 5, ".utmp") == 0 || key.compare(key.size() - 5, 5, ".uold") == 0);
}

// Files by path, names compared without letter case as on Windows.
class MemoryHelperPlatform : public HelperPlatform {
public:
    struct File {
        std::string name;  // as listed
        std::string bytes;
    };

    void add(const std::string& path, const std::string& bytes) {
        files[lower(path)] = {path.substr(path.rfind('\\') + 1), bytes};
    }
    const File* find(const std::string& path) const {
        const auto it = files.find(lower(path));
        return it == files.end() ? nullptr : &it->second;
    }

    bool fileExists(const std::string& path) override { return find(path) != nullptr; }
    std::string listedName(const std::string& path) override {
        const File* file = find(path);
        return file ? file->name : std::string();
    }
    std::vector<std::string> pendingFiles(const std::string& folder) override {
        std::vector<std::string> names;
        for (const auto& [key, file] : files)
            if (key.rfind(lower(folder), 0) == 0 && key.find('\\', folder.size()) == std::string::npos &&
                key.size() > 5 && key.compare(key.size() - 5, 5, ".utmp") == 0)
                names.push_back(file.name);
        return names;
    }
    bool isFree(const std::string&) override { return programFreeAfter-- <= 0; }
    void setAttributes(const std::string&, Attributes) override {}
    bool deleteFile(const std::string& path) override {
        cut();
        return files.erase(lower(path)) != 0;
    }
    bool copyFile(const std::string& from, const std::string& to) override {
        cut();
        const File* source = find(from);
        if (!source || fails()) return false;
        const std::string bytes = source->bytes;
        add(to, bytes);
        return true;
    }
    bool replaceFile(const std::string& from, const std::string& to) override {
        cut();
        const File* source = find(from);
        if (!source || fails()) return false;
        const std::string bytes = source->bytes;
        files.erase(lower(from));
        add(to, bytes);
        return true;
    }
    std::optional<std::string> readFile(const std::string& path) override {
        const File* file = find(path);
        return file ? std::optional<std::string>(file->bytes) : std::nullopt;
    }
    bool writeFile(const std::string& path, const std::string& bytes) override {
        cut();
        if (fails()) return false;
        add(path, bytes);
        return true;
    }
    // Every write is on the disk at once here: the unit tests model what a power cut loses.
    bool flushFile(const std::string& path) override {
        cut();
        return find(path) != nullptr;
    }
    bool flushNames(const std::string&) override {
        cut();
        return true;
    }
    std::optional<FileCheck> checkFile(const std::string& path) override {
        const File* file = find(path);
        if (!file) return std::nullopt;
        return FileCheck{file->bytes.size(), sha256Hex(file->bytes)};
    }
    bool start(const std::string& commandLine) override {
        started.push_back(commandLine);
        return true;
    }
    ProcessEnd startAndWait(const std::string& commandLine, std::uint32_t) override {
        started.push_back(commandLine);
        return setupEnd;
    }
    void inform(const std::string&, const std::string&) override {}
    void warn(const std::string& text) override { warnings.push_back(text); }
    void pause(std::uint32_t milliseconds) override { clock += milliseconds; }
    std::uint64_t now() override { return clock; }

    std::map<std::string, File> files;
    int failAt = -1;  // the copy or rename, counted from 0, that fails
    int operations = 0;
    int cutAt = -1;  // the file operation, counted from 0, before which the power goes
    int steps = 0;
    int programFreeAfter = 0;
    ProcessEnd setupEnd = ProcessEnd::Ended;
    std::uint64_t clock = 0;
    std::vector<std::string> started, warnings;

private:
    bool fails() { return operations++ == failAt; }
    void cut() {
        if (steps++ == cutAt) throw PowerCut{};
    }
};

void commandLineRules(FuzzedDataProvider& in) {
    const std::string ownPath = in.ConsumeRandomLengthString(40);
    const std::string commandLine = in.ConsumeRandomLengthString(200);
    const std::string text = commandText(commandLine, ownPath);
    fuzz::require(text.empty() || (text.front() != ' ' && text.front() != '\t'), "leading blank kept");
    fuzz::require(text.empty() || std::string(" \t\r\n").find(text.back()) == std::string::npos, "trailing blank kept");
    const HelperCommand command = parseCommand(text);
    fuzz::require(command.programPath.compare(0, command.folder.size(), command.folder) == 0,
                  "the folder is not the start of the program path");
    fuzz::require(command.folder.empty() || command.folder.back() == '\\', "the folder does not end in a backslash");
    fuzz::require(command.programPath.size() + command.restartArgument.size() <= text.size(), "parts longer than the text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        commandLineRules(in);
        return 0;
    }

    // An installation with its files, a downloaded update of some of them
    // (and of files it did not have), and one failing step.
    static const char* const kNames[] = {"melkrin.exe", "Melkrin.exe", "help.chm", "readme.txt", "setup.exe",
                                         "Demo_0001.dem", "x", "UpdHelper.exe"};
    MemoryHelperPlatform platform;
    platform.add(kProgram, "old melkrin.exe");
    for (const char* name : kNames)
        if (in.ConsumeBool()) platform.add(std::string(kFolder) + name, std::string("old ") + name);
    std::map<std::string, std::string> before;
    for (const auto& [key, file] : platform.files) before[key] = file.bytes;
    const int pending = in.ConsumeIntegralInRange<int>(0, 5);
    for (int i = 0; i < pending; ++i) {
        const std::string name = kNames[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)];
        platform.add(std::string(kFolder) + name + kPendingSuffix, "new " + lower(name));
    }
    const bool external = in.ConsumeBool();
    platform.failAt = in.ConsumeIntegralInRange<int>(-1, 12);
    platform.programFreeAfter = in.ConsumeIntegralInRange<int>(0, 4);
    platform.setupEnd = static_cast<ProcessEnd>(in.ConsumeIntegralInRange<int>(0, 2));
    HelperLimits limits;
    limits.programEndMs = in.ConsumeBool() ? 60000 : 40;

    platform.cutAt = in.ConsumeIntegralInRange<int>(-1, 24);

    const std::string text = std::string(kProgram) + " +/upgrade" + (external ? "1" : "0");
    HelperResult result;
    try {
        result = runHelper(text, platform, limits);
    } catch (const PowerCut&) {
        // The next start's repair: one version, old or new, and nothing beside it.
        const std::string record = lower(std::string(kFolder) + kJournalName);
        const bool recorded = platform.files.count(record) != 0;
        platform.cutAt = platform.failAt = -1;
        platform.programFreeAfter = 0;
        platform.started.clear();
        fuzz::require(runHelper(std::string(kProgram) + " +/upgrade2", platform, limits) == HelperResult::Repaired,
                      "a repair did not end as one");
        const auto* program = platform.find(kProgram);
        fuzz::require(program && (program->bytes == before[lower(kProgram)] || program->bytes.rfind("new ", 0) == 0),
                      "Melkrin's file is neither the old nor a new one after a repair");
        fuzz::require(platform.started.size() == 1, "Melkrin was not started after the repair");
        if (!recorded) {
            // Cut before the record or after the swap: no backup may be left without one.
            for (const auto& [key, file] : platform.files)
                fuzz::require(key.size() <= 5 || key.compare(key.size() - 5, 5, ".uold") != 0,
                              "a backup without a record");
            return 0;
        }
        for (const auto& [key, file] : platform.files) fuzz::require(!isLeftover(key), "a repair left files behind");
        const auto* note = platform.find(record);
        fuzz::require(note != nullptr, "a repair left no outcome");
        const auto outcome = parseJournal(note->bytes);
        fuzz::require(outcome && outcome->phase == SwapPhase::Repaired, "a repair's outcome is no note");
        if (outcome->outcome == RepairOutcome::RolledBack) {
            for (const auto& [key, bytes] : before)
                fuzz::require(platform.find(key) && platform.find(key)->bytes == bytes,
                              "an undone update did not give a file back");
            fuzz::require(platform.files.size() == before.size() + 1, "an undone update left a new file");
        }
        return 0;
    }

    const auto* program = platform.find(kProgram);
    fuzz::require(program != nullptr, "Melkrin's file is missing after the helper");
    const std::string oldProgram = before[lower(kProgram)];
    fuzz::require(program->bytes == oldProgram || program->bytes.rfind("new ", 0) == 0,
                  "Melkrin's file is neither the old nor a new one");
    bool leftovers = false;
    for (const auto& [key, file] : platform.files) leftovers = leftovers || isLeftover(key);
    switch (result) {
        case HelperResult::RolledBack:
            fuzz::require(!leftovers, "a rolled back update left files behind");
            for (const auto& [key, bytes] : before)
                fuzz::require(platform.find(key) && platform.find(key)->bytes == bytes, "a rollback did not give a file back");
            fuzz::require(platform.files.size() == before.size(), "a rollback left a new file");
            break;
        case HelperResult::Restarted:
        case HelperResult::SetupStillRuns:
            fuzz::require(!leftovers, "an installed update left files behind");
            break;
        case HelperResult::ProgramStillRuns:
            fuzz::require(program->bytes == oldProgram, "installed under a running program");
            break;
        case HelperResult::Information:
        case HelperResult::Repaired:
        case HelperResult::RepairUnfinished:
            fuzz::require(false, "an update taken for something else");
    }
    return 0;
}
