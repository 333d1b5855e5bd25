#include "gameconfig/game_config_file.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "common/errors.h"
#include "common/file_system.h"
#include "common/kill_points.h"
#include "common/shell_file_op.h"
#include "common/text.h"
#include "gameconfig/quality_settings.h"
#include "common/debug_log.h"
#include "gameconfig/game_interface.h"

namespace melkrin {
namespace {

bool sameLine(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// A text as a sentence of its own: system messages come with or without the full stop.
std::string sentence(std::string text) {
    if (!text.empty() && text.back() != '.') text.push_back('.');
    return text;
}

// The lines that the quality choices edit (1-based): "prf_bShowFPS",
// "gfx_iAPI", "tex_iAnisotropy", "gfx_iAntiAliasing", "gfx_bHDRRendering".
constexpr std::size_t kEditedLines[] = {28, 29, 40, 50, 51};

}  // namespace

bool isBenchmarkFile(const std::string& bytes) {
    const std::vector<std::string> lines = splitLines(bytes);
    const ConfigLines& model = benchmarkTemplate();
    if (lines.size() != model.size()) return false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (std::find(std::begin(kEditedLines), std::end(kEditedLines), i + 1) != std::end(kEditedLines)) continue;
        if (lines[i] != model[i]) return false;
    }
    return true;
}

GameConfigFile::GameConfigFile(FileSystem& files, ShellFileOperation& fileOp, DebugLog& log)
    : files_(files), fileOp_(fileOp), log_(log), workingCopy_(benchmarkTemplate()) {}

bool GameConfigFile::replaceLine(const std::string& oldLine, const std::string& newLine) {
    const auto it = std::find_if(workingCopy_.begin(), workingCopy_.end(),
                                 [&](const std::string& line) { return sameLine(line, oldLine); });
    if (it == workingCopy_.end()) return false;
    *it = newLine;
    return true;
}

bool GameConfigFile::contains(const std::string& line) const {
    return std::any_of(workingCopy_.begin(), workingCopy_.end(),
                       [&](const std::string& held) { return sameLine(held, line); });
}

void GameConfigFile::prepare(const GameInstall& game, const QualityChoices& choices, QualityLabels& labels) {
    const std::string config = game.configFile();
    const std::string backup = game.configBackup();
    changes_ = {};
    if (files_.fileExists(config)) {
        if (files_.fileExists(backup) && holdsBenchmarkFile(config, backup)) {
            // An interrupted run's benchmark file over the user's backup: the
            // backup is the user's file, and this run gives it back.
            changes_.backedUp = true;
        } else {
            fileOp_.move(config, backup);
            // The shell reports a failed move in its own window; writing now would
            // destroy the only copy of the user's file.
            if (files_.fileExists(config) || !files_.fileExists(backup))
                throw MelkrinError("The game's configuration file \"" + config +
                                   "\" could not be backed up. The benchmark cannot go on.");
            changes_.backedUp = true;
            killPoint("backup");
        }
    }
    applyQualitySettings(*this, choices, log_, labels);
    changes_.written = true;
    write(config, workingCopy_,
          changes_.backedUp ? " Your own configuration is kept as \"" + backup +
                                  "\"; the next start of the program offers to put it back."
                            : std::string());
}

void GameConfigFile::restore(const GameInstall& game) {
    const ConfigChanges changes = std::exchange(changes_, ConfigChanges{});
    if (!changes.any()) return;
    const std::string config = game.configFile();
    const std::string backup = game.configBackup();
    if (!changes.backedUp || !files_.fileExists(backup)) {
        write(config, defaultTemplate(), std::string());
        return;
    }
    log_.add("Settings restoring...");
    killPoint("restore");
    fileOp_.move(backup, config);
    if (files_.fileExists(backup))
        throw MelkrinError("The game's configuration file \"" + config +
                           "\" could not be restored. Your own configuration is kept as \"" + backup +
                           "\"; the next start of the program offers to put it back.");
}

bool GameConfigFile::holdsBenchmarkFile(const std::string& path, const std::string& backup) const {
    try {
        return isBenchmarkFile(files_.readFile(path));
    } catch (const OsError& error) {
        // Which of the two files is the user's cannot be told: touch neither.
        throw MelkrinError("The game's configuration file \"" + path + "\" could not be read. " +
                           sentence(error.what()) + " The benchmark cannot go on; \"" + backup +
                           "\" is left as it is.");
    }
}

void GameConfigFile::write(const std::string& path, const ConfigLines& lines, const std::string& afterwards) {
    try {
        files_.writeFile(path, toCrLfFile(lines));
    } catch (const OsError& error) {
        throw MelkrinError("The game's configuration file could not be written. " + sentence(error.what()) +
                           afterwards);
    }
}

}  // namespace melkrin
