#pragma once
// What Melkrin and UpdHelper.exe agree on: the names of the files beside the
// program, the helper's command line and its mutex. Both programs include
// this header, so neither can change a name the other reads.
//
// The command line, as Melkrin builds it:
//   "HelperPath" <program path, unquoted> +<restart argument><method digit>
// where the digit is "0" for a self-upgrade, "1" for an external setup and
// "2" when Melkrin found a swap that was cut short: the helper then finishes
// or undoes that swap (see swap_journal.h) and starts Melkrin again.
#include <string>

namespace melkrin::updhelper {

inline constexpr const char* kHelperFileName = "UpdHelper.exe";
// A downloaded file waiting beside the program for the helper.
inline constexpr const char* kPendingSuffix = ".uTMP";
// A replaced file while the swap is under way: given back if the swap fails.
inline constexpr const char* kBackupSuffix = ".uOLD";
// The record of a swap, in the program's folder; not matched by "*.uTMP".
inline constexpr const char* kJournalName = "update.uJNL";
// Held by every running helper: while it exists a swap may be under way, and
// a record found beside the program is not a swap that was cut short.
inline constexpr const char* kHelperAtWorkName = "Local\\QuorvaneMelkrinUpdHelper";
// A second helper started while one holds it ends at once with this code.
inline constexpr int kSecondHelperExitCode = 3;

// The restart argument the program understands, and the method digits.
inline constexpr const char* kRestartArgument = "/afterupgrade";
inline constexpr char kSelfUpgradeDigit = '0';
inline constexpr char kExternalSetupDigit = '1';
inline constexpr char kRepairDigit = '2';

// The helper's command line: quoted helper path, the unquoted program path,
// " +" and the argument (restart argument and method digit).
std::string helperCommandLine(const std::string& helperPath, const std::string& programPath,
                              const std::string& argument);

// The arguments after the helper's own path, read back.
struct HelperCommand {
    std::string programPath;
    std::string restartArgument;
    bool external = false;  // the last character is kExternalSetupDigit
    bool repair = false;    // the last character is kRepairDigit
    std::string folder;     // programPath up to and including its last "\"
};
HelperCommand parseCommand(const std::string& text);

}  // namespace melkrin::updhelper
