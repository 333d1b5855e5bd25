#pragma once
// UpdHelper.exe's work, free of the platform: it waits until Melkrin has
// ended, swaps the downloaded files ("*.uTMP" beside the program) in, runs a
// downloaded setup where the update is one, and starts Melkrin again with the
// restart argument.
// Its command line and the names it shares with Melkrin: helper_protocol.h.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "update_helper/helper_protocol.h"
#include "update_helper/swap_journal.h"

namespace melkrin::updhelper {

inline constexpr const char* kInfoCaption = "Update helper v1.0";

// The arguments after the helper's own path, exactly as they were given.
// The helper's path may itself be unquoted and hold blanks, so it is
// recognised by the path the helper knows it runs from.
std::string commandText(const std::string& commandLine, const std::string& ownPath);


enum class Attributes { Normal, Archive, HiddenArchive };
enum class ProcessEnd { NotStarted, Ended, StillRunning };

// What the helper needs of the system.
class HelperPlatform {
public:
    virtual ~HelperPlatform() = default;
    virtual bool fileExists(const std::string& path) = 0;
    // The file's name as the file system lists it (its letter case).
    virtual std::string listedName(const std::string& path) = 0;
    // Names of the files matching "*.uTMP" in folder, in the order listed.
    virtual std::vector<std::string> pendingFiles(const std::string& folder) = 0;
    // Nobody holds the file: it opens for writing while shared for writing.
    virtual bool isFree(const std::string& path) = 0;
    virtual void setAttributes(const std::string& path, Attributes attributes) = 0;
    virtual bool deleteFile(const std::string& path) = 0;
    // Copies over an existing target. Neither the copy's data nor its name
    // is on the disk yet (flushFile, flushNames).
    virtual bool copyFile(const std::string& from, const std::string& to) = 0;
    // Moves from over to in one step: to is the old file or the new one, never
    // missing. After a power cut it may be undone until flushNames.
    virtual bool replaceFile(const std::string& from, const std::string& to) = 0;
    // The whole file; nothing when it is missing or cannot be read.
    virtual std::optional<std::string> readFile(const std::string& path) = 0;
    // Writes the whole file in one step, its data to the disk: afterwards path
    // holds the old content or the new one, never a part. The new name may be
    // lost at a power cut until flushNames.
    virtual bool writeFile(const std::string& path, const std::string& bytes) = 0;
    // The file's data and size on the disk: a power cut no longer loses them.
    virtual bool flushFile(const std::string& path) = 0;
    // Every file created, moved or deleted so far on the folder's volume is
    // so on the disk: a power cut no longer undoes it.
    virtual bool flushNames(const std::string& folder) = 0;
    // The file's size and SHA-256; nothing when it is missing or cannot be read.
    virtual std::optional<FileCheck> checkFile(const std::string& path) = 0;
    // A normal visible process; the helper does not wait for it.
    virtual bool start(const std::string& commandLine) = 0;
    // A normal visible process, waited for up to limit milliseconds.
    virtual ProcessEnd startAndWait(const std::string& commandLine, std::uint32_t limitMs) = 0;
    virtual void inform(const std::string& caption, const std::string& text) = 0;
    virtual void warn(const std::string& text) = 0;
    // Waits a moment, handling pending window messages.
    virtual void pause(std::uint32_t milliseconds) = 0;
    // Milliseconds from any fixed point.
    virtual std::uint64_t now() = 0;
};

struct HelperLimits {
    std::uint32_t programEndMs = 60 * 1000;    // Melkrin ends right after starting the helper
    std::uint32_t setupEndMs = 60 * 60 * 1000;  // a setup waits for its user
    std::uint32_t pollMs = 20;
};

enum class HelperResult {
    Information,       // started without arguments
    Restarted,         // every pending file installed (or none pending), program started
    ProgramStillRuns,  // Melkrin never let go of its file: nothing installed
    RolledBack,        // a file could not be replaced: everything put back, old program started
    SetupStillRuns,    // the setup did not end in time: nothing deleted, nothing started
    Repaired,          // repair mode: the cut-short swap was finished or undone (or there was none), program started
    RepairUnfinished,  // repair mode: a replaced file could not be put back; the record stays for the next start
};

HelperResult runHelper(const std::string& text, HelperPlatform& platform, const HelperLimits& limits = {});

}  // namespace melkrin::updhelper
