#pragma once
// Which runs of a results folder measured the same thing. Two runs are
// comparable when they played the same demo with the same settings on the
// same machine and game build; only then can a difference in their figures be
// put down to what the user changed (a driver, a clock, a tweak outside the
// game). The video driver is therefore not part of it.
#include <optional>
#include <string>
#include <vector>

#include "run/result_reader.h"

namespace melkrin {

// One thing two runs must share, as the page shows and compares it.
struct KeyPart {
    std::string label;  // "HDR", "demo", ...
    std::string shown;  // "on", "built-in demo 1"; "" when the file does not say
    // A stronger identity (a SHA-256), compared instead of shown when both runs have one.
    std::string exact;
    // A fact of the machine or the game that older files may lack: not knowing
    // it is not a difference. Settings are always written, so "" is a value there.
    bool mayBeUnknown = false;
};

// The parts in the order the page lists differences: demo, settings, passes,
// warm-up, machine, game build. The resolution is not among them: results
// are matched by resolution within two runs.
std::vector<KeyPart> comparisonKey(const HistoryRun& run);

bool partsDiffer(const KeyPart& a, const KeyPart& b);

// The labels of the parts in which the two runs differ; none: comparable.
std::vector<std::string> keyDifferences(const HistoryRun& a, const HistoryRun& b);

// The runs grouped into sets of comparable ones. Runs are taken oldest first
// (in the order given); a run joins the newest set whose every known part it
// shares, so a run that does not record its game build joins the set of its
// settings. Returns each run's set number; sets are numbered in the order
// they begin.
std::vector<int> comparableSets(const std::vector<HistoryRun>& oldestFirst);

// startedAt as seconds since 1970 in UTC when the file gives its UTC offset,
// else as if the local time were UTC (close enough to order and chart runs of
// one machine). None when startedAt or the offset is not a time we wrote.
std::optional<long long> startedAtSeconds(const HistoryRun& run);

// The offset "+01:00" in seconds; none when it is not of that form.
std::optional<long long> utcOffsetSeconds(const std::string& offset);

// Seconds since 1970 as "2026-12-09" or, with minutes, "2026-12-09 09:30".
std::string dateText(long long seconds, bool withTime);

}  // namespace melkrin
