#pragma once
// Repeated passes of a demo at one resolution: how many to play, the
// statistics of their figures and the rule that ends "until stable".
#include <optional>
#include <string>
#include <vector>

namespace melkrin {

// The stored, listed and written spelling of the open-ended pass count.
inline constexpr const char* kUntilStable = "until stable";

// The stored "Passes" option: 1 to 10 passes, or "until stable".
struct PassPlan {
    static constexpr int kMostPasses = 10;
    static constexpr int kLeastStablePasses = 3;
    // "Until stable" ends when the mean is known to within this, in % of it.
    static constexpr double kStablePercent = 1.0;

    int count = 1;             // fixed passes; with untilStable the most there may be
    bool untilStable = false;
    bool warmUp = false;       // one game first that does not count

    // Today's run: one pass, no warm-up.
    bool single() const { return count == 1 && !untilStable && !warmUp; }
    bool multiple() const { return count > 1 || untilStable; }
    // "1".."10" or "until stable"; anything else reads as 1 pass.
    static PassPlan fromStored(const std::string& passes, const std::string& warmUp);
    // The window's passes list: items 0 to 9 are 1 to 10 passes, the last
    // (kUntilStableItem) "until stable"; none chosen reads as 1 pass.
    static constexpr int kUntilStableItem = kMostPasses;
    static PassPlan fromListItem(int item, bool warmUp);
    // "3" or "until stable", as the option is stored.
    std::string passesText() const;
};

struct PassStatistics {
    int count = 0;  // passes with a figure
    double mean = 0;
    std::optional<double> stdDev;         // sample standard deviation; none for one figure
    std::optional<double> stdDevPercent;  // of the mean
    std::optional<double> ci95Low, ci95High;
    double min = 0, max = 0;
};

// None when there is no figure at all.
std::optional<PassStatistics> passStatistics(const std::vector<double>& figures);

// Student's t for a two-sided 95 % interval, t(0.975, df); df from 1.
double studentT975(int df);

// The half-width, in % of the mean, of the interval that "until stable"
// stops on: the 95 % interval with the standard deviation replaced by its
// upper 75 % confidence bound, s * sqrt((n - 1) / chi2(0.25, n - 1)). The
// bound is the correction for stopping on a lucky sample: the plain interval
// stops whenever a few passes happen to lie close, and then holds the true
// mean far less often than 95 % (see docs/benchmarks.md for the figures).
// None for fewer than kLeastStablePasses figures.
std::optional<double> stableHalfWidthPercent(const std::vector<double>& figures);

// Why "until stable" ended its passes.
enum class StableStop {
    IntervalReached,  // the interval above is within kStablePercent
    MostPasses,       // kMostPasses games without reaching it
    TooFewFigures,    // games without a figure: three figures could not come together
    EndedEarly,       // the passes ended otherwise (the time limit stopped a game)
};
StableStop stableStop(int played, const std::vector<double>& figures);

// Whether another counted pass is played after `played` game starts of
// counted passes that gave `figures`. A fixed count plays exactly that many
// games. "Until stable" plays at most kMostPasses games: it stops as soon as
// at least three figures give an interval (stableHalfWidthPercent) within
// ±1 % of their mean, and also when so few games are left that three figures
// can no longer come together, so a game that never gives a figure ends the
// passes early.
bool anotherPassWanted(const PassPlan& plan, int played, const std::vector<double>& figures);

// The game's figure text as a number: "61.25" (a comma counts as the decimal
// point). None when it is no plain positive number.
std::optional<double> figureValue(const std::string& figure);

// Two decimals, as the game writes its figures.
std::string formatFigure(double value);

}  // namespace melkrin
