#include "update_helper/helper.h"

#include <algorithm>
#include <cctype>

namespace melkrin::updhelper {
namespace {

bool equalNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && equalNoCase(text.substr(0, prefix.size()), prefix);
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string afterLastBackslash(const std::string& path) {
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Polls until the file is free or the limit has passed.
bool waitUntilFree(HelperPlatform& platform, const std::string& path, std::uint32_t limitMs, std::uint32_t pollMs) {
    const std::uint64_t start = platform.now();
    for (;;) {
        if (platform.isFree(path)) return true;
        if (platform.now() - start >= limitMs) return false;
        platform.pause(pollMs);
    }
}

struct Swap {
    std::string pending;  // folder + name + ".uTMP"
    std::string target;
    bool setup = false;
    bool hadTarget = false;
    bool done = false;
};

std::string backupOf(const Swap& swap) { return swap.target + kBackupSuffix; }

// Every pending file in place, or none: a file that cannot be replaced puts
// every replaced one back and drops the update's pending files, so neither
// this run nor a later one leaves half an update behind.
bool install(HelperPlatform& platform, std::vector<Swap>& swaps) {
    bool failed = false;
    for (Swap& swap : swaps) {
        swap.hadTarget = platform.fileExists(swap.target);
        if (swap.hadTarget) {
            platform.setAttributes(swap.target, Attributes::Normal);
            if (!platform.copyFile(swap.target, backupOf(swap))) {
                failed = true;
                break;
            }
        }
        if (!platform.replaceFile(swap.pending, swap.target)) {
            failed = true;
            break;
        }
        swap.done = true;
    }
    if (failed) {
        for (auto it = swaps.rbegin(); it != swaps.rend(); ++it) {
            if (it->done) {
                if (it->hadTarget)
                    platform.replaceFile(backupOf(*it), it->target);
                else
                    platform.deleteFile(it->target);
            } else if (it->hadTarget) {
                platform.deleteFile(backupOf(*it));
            }
            platform.deleteFile(it->pending);
        }
        return false;
    }
    for (const Swap& swap : swaps) {
        // The download marked the files hidden and temporary.
        platform.setAttributes(swap.target, swap.setup ? Attributes::HiddenArchive : Attributes::Archive);
        if (swap.hadTarget) platform.deleteFile(backupOf(swap));
    }
    return true;
}

// Quoted: an unquoted path with blanks ("C:\Program Files\...") would let
// the system try "C:\Program" first, a program anyone could have put there,
// started with the helper's rights.
std::string quoted(const std::string& path) { return "\"" + path + "\""; }

void startProgram(HelperPlatform& platform, const std::string& commandLine) {
    if (!platform.start(commandLine))
        platform.warn("Melkrin could not be started again after the update. Please, start it yourself.");
}

}  // namespace

std::string commandText(const std::string& commandLine, const std::string& ownPath) {
    std::string rest;
    if (!commandLine.empty() && commandLine.front() == '"') {
        const auto close = commandLine.find('"', 1);
        rest = close == std::string::npos ? std::string() : commandLine.substr(close + 1);
    } else if (!ownPath.empty() && startsWithNoCase(commandLine, ownPath)) {
        rest = commandLine.substr(ownPath.size());
    } else {
        const auto blank = commandLine.find(' ');
        rest = blank == std::string::npos ? std::string() : commandLine.substr(blank);
    }
    // Blanks and line breaks around the arguments alike: a command line of
    // nothing but line breaks is no command.
    const auto first = rest.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = rest.find_last_not_of(" \t\r\n");
    return rest.substr(first, last - first + 1);
}

HelperCommand parseCommand(const std::string& text) {
    HelperCommand command;
    command.external = !text.empty() && text.back() == '1';
    // Melkrin appends " +" and the argument after the program path, which may
    // hold a "+" of its own: the last " +" is the one that separates them.
    const auto plus = text.rfind(" +");
    if (plus != std::string::npos) {
        command.programPath = text.substr(0, plus);
        command.restartArgument = text.substr(plus + 2);
        if (!command.restartArgument.empty()) command.restartArgument.pop_back();
    } else if (!text.empty() && text.front() == '+') {
        command.restartArgument = text.substr(1, text.size() > 1 ? text.size() - 2 : 0);
    } else {
        command.programPath = text;
    }
    const auto slash = command.programPath.rfind('\\');
    command.folder = slash == std::string::npos ? std::string() : command.programPath.substr(0, slash + 1);
    return command;
}

HelperResult runHelper(const std::string& text, HelperPlatform& platform, const HelperLimits& limits) {
    if (text.empty()) {
        platform.inform(kInfoCaption,
                        "UpdHelper.exe installs a downloaded update of Quorvane Melkrin and starts Melkrin again.\r\n\r\n"
                        "Melkrin starts it when an update is ready; there is no need to start it yourself.");
        return HelperResult::Information;
    }
    const HelperCommand command = parseCommand(text);
    const std::string restart = command.restartArgument.empty() ? std::string() : " " + command.restartArgument;

    std::string programName = afterLastBackslash(command.programPath);
    if (platform.fileExists(command.programPath)) {
        programName = platform.listedName(command.programPath);
        if (!waitUntilFree(platform, command.programPath, limits.programEndMs, limits.pollMs)) {
            platform.warn("Melkrin did not end, so its update was not installed. Please, close Melkrin and "
                          "run the update again.");
            return HelperResult::ProgramStillRuns;
        }
    }

    bool programUpdated = platform.fileExists(command.programPath + kPendingSuffix);
    std::string setupPath;
    std::vector<Swap> swaps;
    for (const std::string& name : platform.pendingFiles(command.folder)) {
        if (name.size() <= std::string(kPendingSuffix).size()) continue;  // nothing to name the target by
        std::string targetName = name.substr(0, name.size() - std::string(kPendingSuffix).size());
        Swap swap;
        // The first pending program file is the program (or, for an external
        // update, the setup); "exe" in lower case only, as the server names them.
        if (!programUpdated && endsWith(targetName, "exe")) {
            if (!command.external)
                targetName = programName;
            else if (!equalNoCase(command.folder + targetName, command.programPath)) {
                // The program's own file is never run as a setup, nor deleted.
                setupPath = command.folder + targetName;
                swap.setup = true;
            }
            programUpdated = true;
        }
        swap.pending = command.folder + name;
        swap.target = command.folder + targetName;
        swaps.push_back(swap);
    }

    if (!install(platform, swaps)) {
        platform.warn("The update could not be installed: a file of Melkrin could not be replaced. Melkrin "
                      "starts as it was before the update.");
        startProgram(platform, quoted(command.programPath));
        return HelperResult::RolledBack;
    }

    if (setupPath.empty()) {
        startProgram(platform, quoted(command.programPath) + restart);
        return HelperResult::Restarted;
    }
    switch (platform.startAndWait(quoted(setupPath) + restart, limits.setupEndMs)) {
        case ProcessEnd::StillRunning:
            platform.warn("The setup of the update is still running. When it has finished, please start "
                          "Melkrin yourself.");
            return HelperResult::SetupStillRuns;
        case ProcessEnd::NotStarted:
            platform.warn("The setup of the update could not be started. Melkrin starts as it is.");
            break;
        case ProcessEnd::Ended:
            // A setup may hand over to a process of its own; its file is deleted once nobody holds it.
            if (waitUntilFree(platform, setupPath, limits.programEndMs, limits.pollMs)) platform.deleteFile(setupPath);
            break;
    }
    startProgram(platform, quoted(command.programPath) + restart);
    return HelperResult::Restarted;
}

}  // namespace melkrin::updhelper
