#include "crash/crash_hooks.h"

#include <utility>

namespace melkrin::crash {
namespace {

struct Hooks {
    std::function<ConfigOutcome()> restore;
    std::function<void(const CrashRecord&)> record;
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

void setCrashRecord(std::function<void(const CrashRecord&)> record) { hooks().record = std::move(record); }

void runCrashRecord(const CrashRecord& record) {
    std::function<void(const CrashRecord&)> hook = std::move(hooks().record);
    hooks().record = nullptr;
    if (hook) hook(record);
}

void setProgramVersion(const std::string& version) { hooks().programVersion = version; }
const std::string& programVersion() { return hooks().programVersion; }

void setDebugLogPath(const std::string& path) { hooks().debugLogPath = path; }
const std::string& debugLogPath() { return hooks().debugLogPath; }

}  // namespace melkrin::crash
