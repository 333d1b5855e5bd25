#pragma once
// Two runs' figures of one resolution compared: Welch's test on the natural
// logarithms of the passes' figures, so that the difference is a ratio (B / A)
// and a run's spread counts in per cent of its own level.
#include <optional>
#include <string>
#include <vector>

namespace melkrin {

enum class ComparisonVerdict {
    Faster,      // the 95 % interval of B / A lies above 0 %
    Slower,      // ... below 0 %
    Equivalent,  // the 90 % interval lies inside ±2 % (two one-sided tests at 5 %)
    NoDifferenceShown,
    CannotTell,  // a run has fewer than two figures
};

struct RunComparison {
    ComparisonVerdict verdict = ComparisonVerdict::CannotTell;
    double ratioPercent = 0;  // B / A - 1 of the geometric means, in %
    // With two or more figures in each run: the 95 % interval of the ratio
    // in %, the 90 % interval behind "equivalent" and Welch's degrees of freedom.
    std::optional<double> low95, high95, low90, high90, degreesOfFreedom;
};

// The margin inside which B and A count as equivalent, in %.
inline constexpr double kEquivalenceMarginPercent = 2.0;

// Figures must be positive (result files only hold positive ones); an empty
// run compares as CannotTell with a ratio of 0.
RunComparison compareRuns(const std::vector<double>& a, const std::vector<double>& b);

// "B is faster", "B is slower", "equivalent within ±2 %" (UTF-8), "no difference
// shown" or the one-pass text.
std::string verdictText(ComparisonVerdict verdict);

// The regularised incomplete beta function I_x(a, b), a and b > 0, x in [0, 1].
double incompleteBeta(double a, double b, double x);

// Student's t quantile t(p, df) for p in (0.5, 1) and any df > 0, fractional
// too (Welch's degrees of freedom are).
double studentTQuantile(double p, double df);

}  // namespace melkrin
