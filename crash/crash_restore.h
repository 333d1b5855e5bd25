#pragma once
// What a crash during a benchmark run owes the user before the program ends:
// the game's own configuration back and the run marker cleared, but only for
// what this run did itself.
#include "crash/crash_report.h"

namespace melkrin {

class FileSystem;
class SettingsStore;
struct GameInstall;

namespace crash {

// backupIsThisRuns: the run moved "Sam2.ini" to "Sam2_old.ini" itself. A
// backup it found already there is the user's file of an earlier interrupted
// run: it stays, with the marker, for the start-up question. Never throws; a
// failure is reported in the outcome.
ConfigOutcome restoreAfterCrash(FileSystem& files, SettingsStore& settings, const GameInstall& game,
                                bool backupIsThisRuns);

}  // namespace crash
}  // namespace melkrin
