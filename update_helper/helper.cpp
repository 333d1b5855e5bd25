#include "update_helper/helper.h"

#include "update_helper/swap_journal.h"

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
    std::optional<FileCheck> check;  // the pending file's, taken before the swap began
};

std::string backupOf(const Swap& swap) { return swap.target + kBackupSuffix; }
std::string nameOf(const std::string& path) { return afterLastBackslash(path); }

bool writeJournal(HelperPlatform& platform, const std::string& folder, SwapPhase phase,
                  const std::vector<Swap>& swaps) {
    SwapJournal journal;
    journal.phase = phase;
    for (const Swap& swap : swaps)
        journal.entries.push_back(JournalEntry{nameOf(swap.pending), nameOf(swap.target), swap.hadTarget, swap.check});
    return platform.writeFile(folder + kJournalName, formatJournal(journal));
}

// The file holds what the record says; never for a swap recorded without checks.
bool holdsChecked(HelperPlatform& platform, const std::string& path, const std::optional<FileCheck>& check) {
    if (!check) return false;
    const auto found = platform.checkFile(path);
    return found && *found == *check;
}

// What a repair did, for the debug log of the restarted Melkrin.
struct SwapNotes {
    std::vector<std::string> lines;
    bool moved = false;
    void add(const std::string& line) { lines.push_back("Update repair: " + line); }
};

// Forward: every target is copied to its backup, and the backups are on the
// disk (data and names) before the first target changes; then each pending
// file is moved over its target in one step. A swap whose pending file is
// gone is in place already, so a cut-short swap can be finished by the same
// steps. False at the first step that fails (a full disk fails a backup).
bool swapForward(HelperPlatform& platform, const std::string& folder, const std::vector<Swap>& swaps,
                 SwapNotes* notes) {
    for (const Swap& swap : swaps) {
        if (!platform.fileExists(swap.pending) || !platform.fileExists(swap.target)) continue;
        platform.setAttributes(swap.target, Attributes::Normal);
        if (!platform.copyFile(swap.target, backupOf(swap)) || !platform.flushFile(backupOf(swap))) return false;
    }
    if (!platform.flushNames(folder)) return false;
    for (const Swap& swap : swaps) {
        if (!platform.fileExists(swap.pending)) continue;
        if (!platform.replaceFile(swap.pending, swap.target)) return false;
        if (notes) {
            notes->moved = true;
            notes->add(nameOf(swap.pending) + " installed as " + nameOf(swap.target));
        }
    }
    return true;
}

// The new files, their data and their names, on the disk before anything
// that could bring back the old ones goes; then the backups go. False (and
// every backup kept) when the disk could not be made to hold them.
bool finishForward(HelperPlatform& platform, const std::string& folder, const std::vector<Swap>& swaps) {
    bool flushed = true;
    for (const Swap& swap : swaps) {
        // The download marked the files hidden and temporary.
        platform.setAttributes(swap.target, swap.setup ? Attributes::HiddenArchive : Attributes::Archive);
        flushed = platform.flushFile(swap.target) && flushed;
    }
    if (!flushed || !platform.flushNames(folder)) return false;
    for (const Swap& swap : swaps)
        if (platform.fileExists(backupOf(swap))) platform.deleteFile(backupOf(swap));
    return true;
}

// Back, in reverse order, judged by what is on disk so that it can be taken
// up again after a cut: a swap without its pending file was made, and its
// backup (on the disk before the swap, see swapForward) goes back over the
// target, or the target goes when the update brought it; a swap whose pending
// file is still there was not made, and its backup (perhaps half copied) and
// its pending file go. The backup goes before the pending file, so a half copy
// is never taken for a whole one. The old files are on the disk when it
// returns true; false when a file could not be put back.
bool swapBack(HelperPlatform& platform, const std::string& folder, const std::vector<Swap>& swaps,
              SwapNotes* notes) {
    bool whole = true;
    for (auto it = swaps.rbegin(); it != swaps.rend(); ++it) {
        const Swap& swap = *it;
        if (platform.fileExists(swap.pending)) {
            if (platform.fileExists(backupOf(swap))) platform.deleteFile(backupOf(swap));
            platform.deleteFile(swap.pending);
        } else if (platform.fileExists(backupOf(swap))) {
            if (platform.replaceFile(backupOf(swap), swap.target)) {
                if (notes) {
                    notes->moved = true;
                    notes->add(nameOf(swap.target) + " put back from " + nameOf(backupOf(swap)));
                }
            } else {
                whole = false;
                if (notes) notes->add(nameOf(swap.target) + " could not be put back from " + nameOf(backupOf(swap)));
            }
        } else if (!swap.hadTarget && platform.fileExists(swap.target)) {
            if (platform.deleteFile(swap.target)) {
                if (notes) {
                    notes->moved = true;
                    notes->add(nameOf(swap.target) + " removed (the update brought it)");
                }
            } else {
                whole = false;
                if (notes) notes->add(nameOf(swap.target) + " (brought by the update) could not be removed");
            }
        }
    }
    return platform.flushNames(folder) && whole;
}

// Every pending file in place, or none: a file that cannot be replaced (or a
// backup or record that cannot be written) puts every replaced one back and
// drops the update's pending files, so neither this run nor a later one
// leaves half an update behind. The record beside the program says what is
// under way, with the size and SHA-256 of every pending file, until the swap
// is over, so that a swap cut short by a power cut is finished or undone at
// the next start. The pending files, and then the record, are on the disk
// before the first backup is made.
bool install(HelperPlatform& platform, const std::string& folder, std::vector<Swap>& swaps) {
    if (swaps.empty()) return true;
    bool ready = true;
    for (Swap& swap : swaps) {
        swap.hadTarget = platform.fileExists(swap.target);
        if (ready && platform.flushFile(swap.pending)) swap.check = platform.checkFile(swap.pending);
        if (!swap.check) ready = false;
    }
    // Without its record no swap starts: one cut short could not be repaired.
    ready = ready && writeJournal(platform, folder, SwapPhase::Install, swaps) && platform.flushNames(folder);
    if (ready && swapForward(platform, folder, swaps, nullptr)) {
        // Where the disk would not take the new files, the record and the
        // backups stay: the next start checks the files and finishes the swap.
        if (finishForward(platform, folder, swaps)) {
            platform.deleteFile(folder + kJournalName);
            platform.flushNames(folder);
        }
        return true;
    }
    // Should this record not be written (a full disk), the one that says
    // "install" stays; the repair then finds replaced files that are no
    // longer the new ones and goes back too.
    writeJournal(platform, folder, SwapPhase::RollBack, swaps);
    // A file that could not be put back keeps the record: the next start tries again.
    if (swapBack(platform, folder, swaps, nullptr)) platform.deleteFile(folder + kJournalName);
    return false;
}

// Quoted: an unquoted path with blanks ("C:\Program Files\...") would let
// the system try "C:\Program" first, a program anyone could have put there,
// started with the helper's rights.
std::string quoted(const std::string& path) { return "\"" + path + "\""; }

void startProgram(HelperPlatform& platform, const std::string& commandLine) {
    if (!platform.start(commandLine))
        platform.warn("Melkrin could not be started again after the update. Please, start it yourself.");
}

// A swap cut short, finished or undone from its journal. Forward only when
// it was going forward and every file is what the record says: a pending file
// still holds the size and SHA-256 taken before the swap began, a file already
// moved in (its pending file gone) holds them as the target. Anything else (a
// file lost or changed by the cut, a swap that had started back without
// managing to say so, a record without checks) goes back, as does a swap that
// was already going back, or one where a file cannot be replaced now. The
// outcome replaces the journal, for the restarted Melkrin to log and to tell.
HelperResult repairSwap(HelperPlatform& platform, const HelperCommand& command, const std::string& restart) {
    const std::string journalPath = command.folder + kJournalName;
    const auto text = platform.readFile(journalPath);
    const auto journal = text ? parseJournal(*text) : std::nullopt;
    if (journal && journal->phase != SwapPhase::Repaired) {
        std::vector<Swap> swaps;
        std::size_t inPlace = 0;
        for (const JournalEntry& entry : journal->entries) {
            Swap swap;
            swap.pending = command.folder + entry.pending;
            swap.target = command.folder + entry.target;
            swap.hadTarget = entry.hadTarget;
            swap.check = entry.check;
            if (!platform.fileExists(swap.pending)) ++inPlace;
            swaps.push_back(swap);
        }
        SwapNotes notes;
        bool forward = journal->phase == SwapPhase::Install;
        notes.add(std::string("an update was cut short while ") +
                  (forward ? "its files were being replaced (" + std::to_string(inPlace) + " of " +
                                 std::to_string(swaps.size()) + " in place)"
                           : "the replaced files were being put back"));
        for (const Swap& swap : swaps) {
            if (!forward) break;
            const bool pending = platform.fileExists(swap.pending);
            if (!holdsChecked(platform, pending ? swap.pending : swap.target, swap.check)) {
                notes.add(pending ? nameOf(swap.pending) + " is not the file that was checked before the swap"
                                  : nameOf(swap.target) + " is not the new file the swap put there");
                notes.add("the update cannot be completed, so it is undone");
                forward = false;
            }
        }
        SwapJournal outcome;
        outcome.phase = SwapPhase::Repaired;
        const bool movedForward = forward && swapForward(platform, command.folder, swaps, &notes);
        if (movedForward) {
            if (!finishForward(platform, command.folder, swaps)) {
                platform.warn("Melkrin's interrupted update could not be finished: its files could not be written to "
                              "the disk. Melkrin tries again at its next start.");
                startProgram(platform, quoted(command.programPath) + restart);
                return HelperResult::RepairUnfinished;
            }
            outcome.outcome = RepairOutcome::Completed;
            notes.add("the update was completed");
        } else {
            if (forward) notes.add("a file could not be replaced, so the update is undone");
            // Unwritten (a full disk), the record keeps saying "install"; the
            // files it checks then send the next repair back as well.
            if (journal->phase == SwapPhase::Install) writeJournal(platform, command.folder, SwapPhase::RollBack, swaps);
            if (!swapBack(platform, command.folder, swaps, &notes)) {
                platform.warn("Melkrin's interrupted update could not be undone: a file of Melkrin could not be put "
                              "back. Melkrin tries again at its next start.");
                startProgram(platform, quoted(command.programPath) + restart);
                return HelperResult::RepairUnfinished;
            }
            outcome.outcome = RepairOutcome::RolledBack;
            notes.add("the update was undone; the earlier version stays");
        }
        outcome.filesMoved = notes.moved;
        outcome.notes = notes.lines;
        // Without the outcome Melkrin cannot tell, but the swap is over: the record goes.
        if (!platform.writeFile(journalPath, formatJournal(outcome))) platform.deleteFile(journalPath);
        platform.flushNames(command.folder);
    }
    startProgram(platform, quoted(command.programPath) + restart);
    return HelperResult::Repaired;
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

    if (command.repair) return repairSwap(platform, command, restart);

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

    if (!install(platform, command.folder, swaps)) {
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
