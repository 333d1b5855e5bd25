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

class GameConfigFile {
public:
    // workingCopy starts as the benchmark template and keeps every later edit:
    // the object lives as long as the main window.
    GameConfigFile(FileSystem& files, ShellFileOperation& fileOp, DebugLog& log);

    // Backs "Sam2.ini" up, applies the quality choices (which also writes the
    // in-game-settings lines of the log and sets labels) and writes the
    // working copy as "Sam2.ini". An existing backup is never replaced: it
    // holds the user's file of an interrupted run. Throws MelkrinError when
    // "Sam2.ini" cannot be backed up or written; the backup stays in place.
    void prepare(const GameInstall& game, const QualityChoices& choices, QualityLabels& labels);
    // Moves the backup back over "Sam2.ini", or writes the default template
    // when there is none. Throws MelkrinError when that fails; the backup then
    // stays for the start-up recovery.
    void restore(const GameInstall& game);

    // The first line equal to oldLine, letter case ignored, becomes newLine.
    bool replaceLine(const std::string& oldLine, const std::string& newLine);
    bool contains(const std::string& line) const;

    const ConfigLines& workingCopy() const { return workingCopy_; }
    // True from the moment this object moved the user's file to the backup
    // until it moved it back: a crash in between knows the backup is ours.
    bool madeBackup() const { return madeBackup_; }

private:
    void write(const std::string& path, const ConfigLines& lines, const std::string& afterwards);

    FileSystem& files_;
    ShellFileOperation& fileOp_;
    DebugLog& log_;
    ConfigLines workingCopy_;
    bool madeBackup_ = false;
};

}  // namespace melkrin
