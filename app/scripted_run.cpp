#include "app/scripted_run.h"

#include <nlohmann/json.hpp>

#include "run/result_json.h"

#include "common/file_system.h"
#include "common/text.h"
#include "common/debug_log.h"
#include "run/resolution_slot.h"
#include "settings/resolutions.h"

namespace melkrin {
namespace {

using Json = nlohmann::ordered_json;

const char* resultName(RunSummary::Result result) {
    switch (result) {
        case RunSummary::Result::Done: return "done";
        case RunSummary::Result::NoFigure: return "no figure";
        case RunSummary::Result::Cancelled: return "cancelled";
        case RunSummary::Result::Error: return "error";
    }
    return "error";
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

Json header(const std::string& version, const ToUtf8& utf8) {
    Json json;
    json["program"] = "Melkrin";
    json["version"] = utf8(version);
    return json;
}

}  // namespace

// ---------------------------------------------------------------- dialogs

void RecordingDialogs::showMessage(const std::string& text) {
    said.push_back(text);
    if (!quiet) boxes_.showMessage(text);
}

void RecordingDialogs::showError(const std::string& text) {
    said.push_back(text);
    errors.push_back(text);
    if (!quiet) boxes_.showError(text);
}

bool RecordingDialogs::confirm(const std::string& text) {
    if (!quiet) return boxes_.confirm(text);
    said.push_back("Answered No: " + text);
    return false;
}

// ---------------------------------------------------------------- JSON

int exitCodeOf(const RunSummary& summary) {
    switch (summary.result) {
        case RunSummary::Result::Done: return kExitDone;
        case RunSummary::Result::NoFigure: return kExitNoFigure;
        case RunSummary::Result::Cancelled: return kExitCancelled;
        case RunSummary::Result::Error: return kExitError;
    }
    return kExitError;
}

// The result file's object with the scripted run's own keys. The keys this
// file had before it took the result format stay for one version beside
// them: options.results, options.note, and per resolution figure and reason.
std::string runJson(const std::string& version, const RunRequest& request, const RunSummary& summary, int exitCode,
                    const ToUtf8& toUtf8) {
    const ToUtf8 utf8 = toUtf8 ? toUtf8 : ToUtf8(latin1ToUtf8);
    Json json = resultJsonObject(summary.record, utf8);
    json["version"] = utf8(version);
    json["result"] = resultName(summary.result);
    json["exitCode"] = exitCode;
    json["resultFile"] = summary.resultFile.empty() ? Json() : Json(utf8(summary.resultFile));
    json["reportPath"] = summary.reportPath.empty() ? Json() : Json(utf8(summary.reportPath));
    Json errors = Json::array();
    for (const auto& error : summary.errors) errors.push_back(utf8(error));
    json["errors"] = errors;

    json["options"]["results"] = utf8(request.resultsFolder);
    json["options"]["note"] = utf8(request.note);
    Json& slots = json["resolutions"];
    for (std::size_t i = 0; i < slots.size() && i < summary.slots.size(); ++i) {
        const SlotOutcome& slot = summary.slots[i];
        const auto& statistics = slot.statistics;
        slots[i]["figure"] = statistics ? Json(statistics->mean) : Json();
        if (!statistics) {
            const std::string why = slot.reason.empty() && !slot.passes.empty() ? slot.passes.back().reason : slot.reason;
            slots[i]["reason"] = utf8(why);
        }
    }
    return json.dump(2) + "\r\n";
}

std::string crashJson(const std::string& version, const std::string& reportPath, const std::string& failure,
                      const ToUtf8& utf8) {
    Json json = header(version, utf8);
    json["result"] = "crashed";
    json["exitCode"] = kExitCrashed;
    Json errors = Json::array({utf8(failure)});
    if (!reportPath.empty()) errors.push_back(utf8("Crash report: " + reportPath));
    json["errors"] = errors;
    return json.dump(2) + "\r\n";
}

std::string resolutionLine(const SlotOutcome& slot) {
    if (!slot.figure.empty()) return slot.size + ": " + slot.figure + " fps";
    return slot.size + ": no figure" + (slot.reason.empty() ? std::string() : " (" + slot.reason + ")");
}

std::string refusalJson(const std::string& version, const std::string& reason, const ToUtf8& utf8) {
    Json json = header(version, utf8);
    json["result"] = "refused";
    json["exitCode"] = kExitRefused;
    json["reason"] = utf8(reason);
    return json.dump(2) + "\r\n";
}

// ---------------------------------------------------------------- the run

std::string ScriptedRun::version() const { return version_; }

std::string ScriptedRun::check() const {
    // Start-up refused the run button (no settings key, no game) or failed.
    if (!s_.dialogs.errors.empty()) return s_.dialogs.errors.front();
    if (!s_.window.enabled(ControlId::BenchButton)) {
        // Start-up said why ("Please install the Serious Sam 2!").
        if (!s_.dialogs.said.empty()) return s_.dialogs.said.back();
        const std::string hint = s_.window.hint(ControlId::BenchButton);
        return hint.empty() ? "The benchmark cannot run." : hint;
    }
    const RunOptions& options = s_.options;
    if (options.fixedSlots)
        for (int slot : *options.fixedSlots)
            if (!s_.window.enabled(kResolutionItems[slot]))
                return std::string("The display offers no ") + kFixedResolutions[slot].width + "x" +
                       kFixedResolutions[slot].height + ".";
    if (options.demoFile && !s_.files.fileExists(*options.demoFile))
        return "The demo file \"" + *options.demoFile + "\" does not exist.";
    if (options.resultsFolder && !s_.files.folderExists(*options.resultsFolder))
        return "The results folder \"" + *options.resultsFolder + "\" does not exist.";
    const std::string jsonFolder = folderOf(options.jsonPath);
    if (!jsonFolder.empty() && !s_.files.folderExists(jsonFolder))
        return "The folder of the JSON file \"" + options.jsonPath + "\" does not exist.";
    return {};
}

void ScriptedRun::start() {
    // Read now: the crash handler's thread must not wait on the window's.
    version_ = s_.window.text(ControlId::VersionText);
    const std::string reason = check();
    if (!reason.empty()) return refuse(reason);
    s_.controller.onRunEnded = [this](const RunSummary& summary) { ended(summary); };
    s_.controller.openReportAtEnd = !s_.dialogs.quiet;
    const std::size_t before = s_.dialogs.said.size();
    try {
        request_ = commandLineRunRequest(s_.windowRequest(), s_.options);
        s_.controller.start(request_);
    } catch (const std::exception& error) {
        s_.debugLog.add("ERROR: " + std::string(error.what()));
        try {
            s_.debugLog.save();
        } catch (...) {
        }
        return s_.finish(kExitError);
    }
    // The run's own checks (the game, a resolution, a usable demo) said no.
    if (!s_.controller.inProgress())
        refuse(s_.dialogs.said.size() > before ? s_.dialogs.said.back() : "The benchmark did not start.");
}

void ScriptedRun::say(const std::string& line) {
    if (s_.console) s_.console(line + "\r\n");
}

void ScriptedRun::refuse(const std::string& reason) {
    say("Refused: " + reason);
    s_.debugLog.add("Command line refused: " + reason);
    try {
        s_.debugLog.save();
    } catch (...) {
        // The exit code still tells.
    }
    if (!s_.options.jsonPath.empty()) writeJson(refusalJson(version(), reason, s_.toUtf8));
    s_.finish(kExitRefused);
}

void ScriptedRun::ended(const RunSummary& summary) {
    // The window's thread may go on after a crash; the crash's word stands.
    if (crashed_) return;
    for (const SlotOutcome& slot : summary.slots) say(resolutionLine(slot));
    int code = exitCodeOf(summary);
    // Results that were asked for and could not be written are an error of the run.
    if (!s_.options.jsonPath.empty() && !writeJson(runJson(version(), request_, summary, code, s_.toUtf8)))
        code = kExitError;
    s_.finish(code);
}

void ScriptedRun::crashed(const std::string& reportPath, const std::string& failure) {
    crashed_ = true;
    if (!s_.options.jsonPath.empty()) writeJson(crashJson(version(), reportPath, failure, s_.toUtf8));
}

bool ScriptedRun::writeJson(const std::string& text) {
    if (s_.options.jsonPath == kJsonToStandardOutput) {
        if (s_.console) s_.console(text);
        return true;
    }
    try {
        s_.files.writeFile(s_.options.jsonPath, text);
        return true;
    } catch (const std::exception& error) {
        s_.debugLog.add("ERROR: " + std::string(error.what()));
        try {
            s_.debugLog.save();
        } catch (...) {
        }
        return false;
    }
}

}  // namespace melkrin
