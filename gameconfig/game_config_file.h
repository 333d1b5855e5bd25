#pragma once
// The game's "Sam2.ini" around a benchmark run: the user's file is moved to
// "Sam2_old.ini", the benchmark configuration is written in its place, and at
// the end of the run the user's file is moved back.
#include <string>

#include "gameconfig/config_templates.h"

namespace melkrin {

class DebugLog;
class FileSystem;
class ShellFileOperation;
struct GameInstall;
struct QualityChoices;
struct QualityLabels;

// What the current run did to the game's files, recorded step by step so that
// the end of the run puts back exactly that, even after a failure half-way.
struct ConfigChanges {
    bool backedUp = false;  // "Sam2_old.ini" holds the file the user had when this run started
    bool written = false;   // "Sam2.ini" may hold the benchmark configuration
    bool any() const { return backedUp || written; }
};

// Whether a file's bytes are a benchmark configuration this program wrote:
// the benchmark template, apart from the lines the quality choices edit.
bool isBenchmarkFile(const std::string& bytes);

class GameConfigFile {
public:
    // workingCopy starts as the benchmark template and keeps every later edit:
    // the object lives as long as the main window.
    GameConfigFile(FileSystem& files, ShellFileOperation& fileOp, DebugLog& log);

    // Backs "Sam2.ini" up, applies the quality choices (which also writes the
    // in-game-settings lines of the log and sets labels) and writes the
    // working copy as "Sam2.ini". A backup beside a "Sam2.ini" that is still
    // the benchmark file of an interrupted run holds the user's file and is
    // kept; beside any other "Sam2.ini" it is replaced by that file. Throws
    // MelkrinError when "Sam2.ini" cannot be backed up or written; the backup
    // stays in place and changes() tells how far it got.
    void prepare(const GameInstall& game, const QualityChoices& choices, QualityLabels& labels);
    // Puts back what the last prepare changed: moves its backup back over
    // "Sam2.ini", or writes the default template when the user had no file.
    // Nothing when prepare changed nothing. Once per prepare. Throws
    // MelkrinError when that fails; the backup then stays for the start-up
    // recovery.
    void restore(const GameInstall& game);
    const ConfigChanges& changes() const { return changes_; }
    // A crash handler that put the files back itself: the run's own end,
    // which may still come on another thread, must not do it again.
    void forgetChanges() { changes_ = ConfigChanges{}; }

    // The first line equal to oldLine, letter case ignored, becomes newLine.
    bool replaceLine(const std::string& oldLine, const std::string& newLine);
    bool contains(const std::string& line) const;

    const ConfigLines& workingCopy() const { return workingCopy_; }

private:
    bool holdsBenchmarkFile(const std::string& path, const std::string& backup) const;
    void write(const std::string& path, const ConfigLines& lines, const std::string& afterwards);

    FileSystem& files_;
    ShellFileOperation& fileOp_;
    DebugLog& log_;
    ConfigLines workingCopy_;
    ConfigChanges changes_;
};

}  // namespace melkrin
