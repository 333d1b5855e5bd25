#pragma once
// The text of a crash report and of the one dialog that tells the user about
// it. Built from facts the Win32 handler gathers; kept free of Windows so the
// wording and the layout are tested natively.
#include <cstdint>
#include <string>
#include <vector>

namespace melkrin::crash {

// What happened to the game's configuration before the program ended.
enum class ConfigOutcome {
    NoRun,          // no benchmark run was under way
    Restored,       // the user's "Sam2.ini" is back and the run marker is "0"
    NothingToDo,    // a run was under way but had not backed anything up
    KeptForStartup, // a backup older than this run stays for the start-up question
    RestoreFailed,  // the backup could not be moved back; start-up offers it again
    DefaultWritten, // the user had no file: the game's default one replaced the benchmark's
    DefaultFailed,  // the user had no file, and the default one could not be written
};

struct CrashFacts {
    std::string programVersion;  // "Programversion" as start-up showed it
    std::string buildVersion;    // the version this program file was built as
    std::string windowsVersion;
    std::string time;            // local date and time
    std::string exception;       // what went wrong, in words
    std::string address;         // where, with the module and offset when known
    std::string thread;          // which thread
    ConfigOutcome config = ConfigOutcome::NoRun;
    std::string dumpFile;        // file name of the minidump, empty when none was written
    std::vector<std::string> debugLogTail;
};

inline constexpr std::size_t kDebugLogLines = 40;

// The report file's lines (the caller writes them with CR LF).
std::vector<std::string> crashReportLines(const CrashFacts& facts);

// The last `count` lines of a text file's contents (CR LF, LF or CR breaks);
// a last line without a break counts.
std::vector<std::string> lastLines(const std::string& text, std::size_t count);

// A structured exception in words: its name, its code, and for an access
// violation what was done at which address.
std::string describeException(std::uint32_t code, const std::vector<std::uint64_t>& information);

// "0x" and 16 upper-case hex digits.
std::string hexAddress(std::uint64_t address);

// File name stem of one crash's two files: "crash_" + date and time, sortable
// and free of characters a file name cannot hold.
std::string crashFileStem(int year, int month, int day, int hour, int minute, int second);

// The sentence about the game's configuration, for the report and the dialog.
std::string configOutcomeText(ConfigOutcome outcome);

// The dialog after a crash. folder ends in a backslash; the stems name the
// files written there (a missing dump is left out); writeError, when not
// empty, says why no report could be written.
std::string crashDialogText(ConfigOutcome outcome, const std::string& folder, const std::string& reportFile,
                            const std::string& dumpFile, const std::string& writeError,
                            const std::string& exception, const std::string& makerAddress);

}  // namespace melkrin::crash
