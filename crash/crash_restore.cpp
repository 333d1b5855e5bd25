#include "crash/crash_restore.h"

#include <exception>

#include "common/file_system.h"
#include "common/text.h"
#include "gameconfig/config_templates.h"
#include "gameconfig/game_interface.h"
#include "settings/settings_names.h"
#include "settings/settings_store.h"

namespace melkrin::crash {
namespace {

bool clearMarker(SettingsStore& settings) {
    try {
        settings.open(names::kSettingsKey, true);
        settings.writeString(names::kRunMarker, "0");
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

ConfigOutcome restoreAfterCrash(FileSystem& files, SettingsStore& settings, const GameInstall& game,
                                bool backupIsThisRuns, bool benchmarkWritten) {
    try {
        const std::string config = game.configFile();
        const std::string backup = game.configBackup();
        if (!files.fileExists(backup)) {
            ConfigOutcome outcome = ConfigOutcome::NothingToDo;
            if (benchmarkWritten) {
                try {
                    files.writeFile(config, toCrLfFile(defaultTemplate()));
                    outcome = ConfigOutcome::DefaultWritten;
                } catch (const std::exception&) {
                    outcome = ConfigOutcome::DefaultFailed;
                }
            }
            // No backup is away: the marker would only ask a question that
            // start-up cannot answer.
            clearMarker(settings);
            return outcome;
        }
        if (!backupIsThisRuns) return ConfigOutcome::KeptForStartup;
        // A plain rename: no shell window may come up in a dying program.
        if (!files.moveFile(backup, config) || files.fileExists(backup) || !files.fileExists(config))
            return ConfigOutcome::RestoreFailed;
        // With the marker left at "1" the next start would ask about a backup that is gone.
        return clearMarker(settings) ? ConfigOutcome::Restored : ConfigOutcome::RestoreFailed;
    } catch (const std::exception&) {
        return ConfigOutcome::RestoreFailed;
    }
}

}  // namespace melkrin::crash
