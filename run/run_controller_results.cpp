// The files a run leaves beside its report: result_<stamp>.json, its rows in
// results.csv and the history page rebuilt from the folder's result files.
#include <exception>
#include <string>

#include "common/debug_log.h"
#include "common/errors.h"
#include "common/file_system.h"
#include "gameconfig/demo_preparation.h"
#include "run/history_page.h"
#include "run/result_files.h"
#include "run/run_clock.h"
#include "run/run_controller.h"

namespace melkrin {

ResultRecord RunController::resultRecord(const std::string& reportPath) {
    ResultRecord record;
    record.version = programVersion_;
    record.startedAt = startedAtIso_;
    record.endedAt = s_.clock.isoDateTime();
    record.reportFile = reportPath.substr(reportPath.find_last_of("\\/") + 1);
    record.note = request_.note;
    record.machine = run_.systemInfo;
    for (const ResolutionSlot& slot : request_.slots) record.resolutions.push_back(slot.width + "x" + slot.height);
    const auto demo = request_.demoNumber;
    if (demo && *demo >= 1 && *demo <= 3)
        record.demoNumber = *demo;
    else
        record.demoFile = s_.demo.demoFileName();
    record.quality = request_.quality;
    record.plan = request_.passes;
    record.timeLimit = request_.timeLimit;
    record.slots = tally_.outcomes;
    return record;
}

// A results folder that is gone has already been reported by the report's
// save (or is, by the next run's refusal): no second message for the same cause.
void RunController::writeResultFiles(const std::string& reportPath) {
    const std::string& folder = request_.resultsFolder;
    if (!s_.files.folderExists(folder)) {
        s_.debugLog.add("Result files not written: the folder \"" + folder + "\" does not exist");
        return;
    }
    const ResultRecord record = resultRecord(reportPath);
    try {
        s_.files.writeFile(resultJsonPath(folder, run_.stamp), resultJson(record, s_.toUtf8));
    } catch (const std::exception& error) {
        noteError(error.what());
    }
    try {
        s_.files.appendFile(resultsCsvPath(folder), resultsCsvRows(record), resultsCsvHeader());
    } catch (const std::exception& error) {
        noteError("The results of this run could not be added to the table of results:\r\n" +
                  std::string(error.what()) +
                  "\r\nIf a spreadsheet program has the table open, close it. The results of this run are in \"" +
                  resultJsonPath(folder, run_.stamp) + "\" all the same.");
    }
    // The run's own results are safe by now, so a page that cannot be written
    // is only logged.
    try {
        (void)rebuildHistory(s_.files, folder);
    } catch (const OsError& error) {
        s_.debugLog.add(std::string("History page not rebuilt: ") + error.what());
    } catch (const std::exception& error) {
        noteError(error.what());
    }
}

}  // namespace melkrin
