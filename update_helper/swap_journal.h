#pragma once
// The record UpdHelper.exe keeps beside the program while it swaps files in,
// so that a swap cut short (power cut, task manager) can be finished or undone
// from what is on disk: which pending file goes to which target, whether the
// target existed before, and whether the swap was going forward or back.
// Once a repair is done, the helper leaves its outcome in the same file for
// the restarted Melkrin to log and to tell; Melkrin then deletes it.
//
// The file is text with CR LF line ends: the phase ("install", "rollback" or
// "repaired"), then for a swap one line per file: "1" or "0" (the target
// existed), a tab, the pending file's name, a tab, the target's name, a tab,
// the pending file's size in bytes, a tab, its SHA-256 in lower-case hex; for a
// repair: the outcome ("completed", "rolled back" or "unfinished"), "1" or
// "0" (program files were moved), then the lines for the debug log.
// Lines without size and SHA-256 (a record of an earlier helper) are read,
// but such a swap can only be undone: its new files cannot be checked.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "update_helper/helper_protocol.h"

namespace melkrin::updhelper {


enum class SwapPhase { Install, RollBack, Repaired };
enum class RepairOutcome { Completed, RolledBack, Unfinished };

// What a file held when the swap began.
struct FileCheck {
    std::uint64_t size = 0;
    std::string sha256;  // 64 lower-case hexadecimal digits
    bool operator==(const FileCheck&) const = default;
};

struct JournalEntry {
    std::string pending;  // names, without the folder
    std::string target;
    bool hadTarget = false;
    std::optional<FileCheck> check;  // the pending file's
};

struct SwapJournal {
    SwapPhase phase = SwapPhase::Install;
    std::vector<JournalEntry> entries;  // Install and RollBack
    RepairOutcome outcome = RepairOutcome::Completed;  // Repaired
    bool filesMoved = false;                           // Repaired
    std::vector<std::string> notes;                    // Repaired
};

std::string formatJournal(const SwapJournal& journal);
// Nothing for a text that is not a whole journal (a name that could not be a
// file name, a missing field, an unknown phase).
std::optional<SwapJournal> parseJournal(const std::string& text);

}  // namespace melkrin::updhelper
