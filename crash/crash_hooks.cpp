#include "crash/crash_hooks.h"

#include <utility>

namespace melkrin::crash {
namespace {

struct Hooks {
    std::function<ConfigOutcome()> restore;
    std::string programVersion;
    std::string debugLogPath;
};

Hooks& hooks() {
    static Hooks instance;
    return instance;
}

}  // namespace

void setConfigRestore(std::function<ConfigOutcome()> restore) { hooks().restore = std::move(restore); }
void clearConfigRestore() { hooks().restore = nullptr; }

ConfigOutcome runConfigRestore() {
    // Taken out first: a second crash inside the hook must not run it again.
    std::function<ConfigOutcome()> restore = std::move(hooks().restore);
    hooks().restore = nullptr;
    return restore ? restore() : ConfigOutcome::NoRun;
}

void setProgramVersion(const std::string& version) { hooks().programVersion = version; }
const std::string& programVersion() { return hooks().programVersion; }

void setDebugLogPath(const std::string& path) { hooks().debugLogPath = path; }
const std::string& debugLogPath() { return hooks().debugLogPath; }

}  // namespace melkrin::crash
