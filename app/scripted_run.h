#pragma once
// A "/run" from the command line: checks what it was given against the
// started window before anything of the game is touched, presses the run
// button with the command line's options laid over the window's, and when
// the run has ended writes the JSON file and hands back the exit code.
#include <functional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/main_view.h"
#include "common/dialogs.h"
#include "run/run_controller.h"

namespace melkrin {

class DebugLog;
class FileSystem;

// Passes messages on to the real boxes, or, quiet, shows none: what would
// have been said is kept for the exit code's reason and the debug log. A
// quiet question is answered No, so nothing changes without the user's word.
class RecordingDialogs final : public Dialogs {
public:
    explicit RecordingDialogs(Dialogs& boxes) : boxes_(boxes) {}
    void showMessage(const std::string& text) override;
    void showError(const std::string& text) override;
    bool confirm(const std::string& text) override;

    bool quiet = false;
    std::vector<std::string> said;    // messages and errors, in order
    std::vector<std::string> errors;  // errors alone
private:
    Dialogs& boxes_;
};

using ToUtf8 = std::function<std::string(const std::string&)>;

int exitCodeOf(const RunSummary& summary);
// The results as JSON (UTF-8): the result file's format (whether or not the
// run wrote one), with the result, exit code, paths of the files written and
// the errors.
std::string runJson(const std::string& version, const RunRequest& request, const RunSummary& summary, int exitCode,
                    const ToUtf8& toUtf8);
// The JSON of a refused run: its reason.
std::string refusalJson(const std::string& version, const std::string& reason, const ToUtf8& toUtf8);
// The JSON of a run the program's crash cut short: the crash report and the failure.
std::string crashJson(const std::string& version, const std::string& reportPath, const std::string& failure,
                      const ToUtf8& toUtf8);
// The console's line for one resolution: "800x600: 57.3 fps", or why there is no figure.
std::string resolutionLine(const SlotOutcome& slot);

struct ScriptedRunServices {
    MainView& window;
    const RunOptions& options;
    // The window's options at the moment the run starts.
    std::function<RunRequest()> windowRequest;
    RunController& controller;
    FileSystem& files;
    DebugLog& debugLog;
    RecordingDialogs& dialogs;
    ToUtf8 toUtf8;
    std::function<void(int exitCode)> finish;  // called once
    // Bytes for the console of the script that started the program, as they
    // are (lines end in CR LF); does nothing without one.
    std::function<void(const std::string& bytes)> console;
};

class ScriptedRun {
public:
    explicit ScriptedRun(ScriptedRunServices services) : s_(std::move(services)) {}
    // After start-up: refuses, or starts the run.
    void start();
    // From the crash handler: the JSON file says "crashed" when it can still be written.
    void crashed(const std::string& reportPath, const std::string& failure);

private:
    std::string check() const;
    void refuse(const std::string& reason);
    void ended(const RunSummary& summary);
    bool writeJson(const std::string& text);
    void say(const std::string& line);
    std::string version() const;

    ScriptedRunServices s_;
    RunRequest request_;  // what the run was given
    std::string version_;  // the window's version text, read at the start
    bool crashed_ = false;
};

}  // namespace melkrin
