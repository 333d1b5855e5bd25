// The files a run leaves beside its report: result_<stamp>.json, its rows in
// results.csv and the history page rebuilt from the folder's result files.
#include <exception>
#include <string>

#include "common/debug_log.h"
#include "common/errors.h"
#include "common/file_system.h"
#include "gameconfig/demo_preparation.h"
#include "run/history_page.h"
#include "common/sha256.h"
#include "gameconfig/game_interface.h"
#include "run/result_files.h"
#include "run/run_clock.h"
#include "run/run_facts.h"
#include "run/run_controller.h"

namespace melkrin {

ResultRecord RunController::resultRecord(const std::string& reportPath) const {
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
    record.provenance = provenance_;
    return record;
}

std::optional<std::string> RunController::fileSha256(const std::string& path) const {
    try {
        Sha256 hash;
        hash.add(s_.files.readFile(path));
        const auto digest = hash.finish();
        return toHex(digest.data(), digest.size());
    } catch (const std::exception& error) {
        s_.debugLog.add("No SHA-256 of \"" + path + "\": " + error.what());
        return std::nullopt;
    }
}

// Before the first game, so that none of it weighs on a measured pass; each
// file is read once per run (the program's own file once per session).
void RunController::recordProvenance() {
    RunProvenance& p = provenance_;
    if (!s_.facts) return;
    p.utcOffset = utcOffsetText(s_.facts->utcOffsetMinutes());
    try {
        p.runId = uuidFromRandomBytes(s_.facts->randomBytes(16));
    } catch (const std::exception& error) {
        s_.debugLog.add(std::string("No run identity: ") + error.what());
    }
    if (!programHashed_) {
        programHashed_ = true;
        try {
            programSha256_ = fileSha256(s_.facts->programPath());
        } catch (const std::exception& error) {
            s_.debugLog.add(std::string("No SHA-256 of the program: ") + error.what());
        }
    }
    p.programSha256 = programSha256_;
    const std::string gameProgram = game_.binFolder + game::kExecutable;
    p.gameFileVersion = s_.facts->fileVersion(gameProgram);
    p.gameSha256 = fileSha256(gameProgram);
    p.demoSha256 = fileSha256(game_.demosFolder + s_.demo.demoFileName());
    p.configurationSha256 = fileSha256(game_.configFile());
}

// A table whose header is not today's (an older layout, or edited by hand)
// is left as it is: its rows would no longer line up under its columns.
void RunController::appendResultsCsv(const ResultRecord& record) {
    const std::string& folder = request_.resultsFolder;
    const auto contentOf = [this](const std::string& path) -> std::optional<std::string> {
        if (!s_.files.fileExists(path)) return std::nullopt;
        return s_.files.readFile(path);
    };
    const std::string main = resultsCsvPath(folder);
    const std::string versioned = versionedResultsCsvPath(folder);
    const auto mainContent = contentOf(main);
    const CsvTarget target =
        chooseResultsCsv(mainContent, mainContent && !mainContent->empty() ? contentOf(versioned) : std::nullopt);
    if (target == CsvTarget::Neither) {
        s_.debugLog.add("Table of results not written: \"" + main + "\" and \"" + versioned +
                        "\" have headers of another layout");
        return;
    }
    const std::string& path = target == CsvTarget::Main ? main : versioned;
    if (target == CsvTarget::Versioned)
        s_.debugLog.add("\"" + main + "\" has the header of another layout and is left as it is; the rows go to \"" +
                        versioned + "\"");
    s_.files.appendFile(path, resultsCsvRows(record, s_.toUtf8), std::string(kUtf8Bom) + resultsCsvHeader());
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
        resultFile_ = resultJsonPath(folder, run_.stamp);
    } catch (const std::exception& error) {
        noteError(error.what());
    }
    try {
        appendResultsCsv(record);
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
