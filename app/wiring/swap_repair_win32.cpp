#include "app/wiring/swap_repair_win32.h"

#include <windows.h>

#include <optional>

#include "common/dialogs.h"
#include "common/errors.h"
#include "common/debug_log.h"
#include "update/upgrade_platform_win32.h"
#include "update_helper/swap_journal.h"

namespace melkrin {
namespace {

std::string recordPath(const std::string& programFolder) { return programFolder + updhelper::kJournalName; }

// The record is a few lines; a file that cannot be opened counts as none.
std::optional<std::string> readRecord(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (bytes.size() < (1u << 20) && ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

}  // namespace

SwapRepairStart beginSwapRepair(const std::string& programFolder, const std::string& programPath, bool afterUpgrade,
                                bool scripted) {
    SwapRepairStart start;
    start.leftovers = update::checkSwapLeftovers(readRecord(recordPath(programFolder)), afterUpgrade, scripted);
    if (start.leftovers.step != update::LeftoverStep::HandOver) return start;
    // A helper at work (this start came in the middle of an update) is left to finish.
    if (HANDLE atWork = OpenMutexA(SYNCHRONIZE, FALSE, updhelper::kHelperAtWorkName)) {
        CloseHandle(atWork);
        start.leftovers = update::SwapLeftovers{};
        return start;
    }
    // The helper replaces this very program file, so it waits for this process to end, as after a download.
    // The same hand-over as after a download: a fresh administrators-only folder, the helper checked before it starts.
    update::Win32HelperLauncher launcher(nullptr);
    const update::HandOverResult handOver = launcher.handOver(programPath, update::kRepairArgument);
    if (handOver.started()) {
        start.endNow = true;
        return start;
    }
    const std::string helperPath = handOver.helperPath.empty() ? std::string(update::kHelperFileName) : handOver.helperPath;
    start.leftovers.step = update::LeftoverStep::Unrepaired;
    start.leftovers.logLines.push_back("Update repair: the update helper " + helperPath + " could not be started (" +
                                       handOver.problem + ")");
    start.leftovers.message = formatWith(update::kRepairNotStartedText, helperPath);
    return start;
}

void finishSwapRepair(const std::string& programFolder, const update::SwapLeftovers& leftovers, DebugLog& log,
                      Dialogs& dialogs) {
    if (leftovers.step == update::LeftoverStep::Report || leftovers.step == update::LeftoverStep::Unreadable)
    {
        DeleteFileA(recordPath(programFolder).c_str());
        // Left only when the helper was cut off while it wrote the record.
        DeleteFileA((recordPath(programFolder) + ".new").c_str());
    }
    if (!leftovers.logLines.empty()) {
        for (const std::string& line : leftovers.logLines) log.add(line);
        try {
            log.save();
        } catch (const std::exception&) {
            // The log is written again with the next run; the user still hears of it below.
        }
    }
    if (!leftovers.message.empty()) dialogs.showMessage(leftovers.message);
}

}  // namespace melkrin
