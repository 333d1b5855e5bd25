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

// backupIsThisRuns: "Sam2_old.ini" holds the file the user had when this run
// started; any other backup stays, with the marker, for the start-up
// question. benchmarkWritten: the run may have written its configuration as
// "Sam2.ini"; without a backup the user had no file of their own, and the
// game's default one takes the benchmark's place, as at a run's normal end.
// Never throws; a failure is reported in the outcome.
ConfigOutcome restoreAfterCrash(FileSystem& files, SettingsStore& settings, const GameInstall& game,
                                bool backupIsThisRuns, bool benchmarkWritten);

}  // namespace crash
}  // namespace melkrin
