#include "run/pass_statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/text.h"

namespace melkrin {

PassPlan PassPlan::fromStored(const std::string& passes, const std::string& warmUp) {
    PassPlan plan;
    const std::string text = trim(passes);
    if (toLower(text) == kUntilStable) {
        plan.untilStable = true;
        plan.count = kMostPasses;
    } else if (!text.empty() && text.size() <= 2 &&
               std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const int count = std::stoi(text);
        if (count >= 1 && count <= kMostPasses) plan.count = count;
    }
    plan.warmUp = trim(warmUp) == "1";
    return plan;
}

PassPlan PassPlan::fromListItem(int item, bool warmUp) {
    PassPlan plan;
    if (item == kUntilStableItem) {
        plan.untilStable = true;
        plan.count = kMostPasses;
    } else if (item >= 0 && item < kMostPasses) {
        plan.count = item + 1;
    }
    plan.warmUp = warmUp;
    return plan;
}

std::string PassPlan::passesText() const { return untilStable ? kUntilStable : std::to_string(count); }

double studentT975(int df) {
    // t(0.975, df) for df 1 to 30; above, the normal distribution's 1.96 is
    // close enough (passes never come near it).
    static const double table[] = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262, 2.228,
                                   2.201,  2.179, 2.160, 2.145, 2.131, 2.120, 2.110, 2.101, 2.093, 2.086,
                                   2.080,  2.074, 2.069, 2.064, 2.060, 2.056, 2.052, 2.048, 2.045, 2.042};
    if (df < 1) return 0;
    if (df <= 30) return table[df - 1];
    return 1.960;
}

std::optional<PassStatistics> passStatistics(const std::vector<double>& figures) {
    if (figures.empty()) return std::nullopt;
    PassStatistics s;
    s.count = static_cast<int>(figures.size());
    double sum = 0;
    for (double f : figures) sum += f;
    s.mean = sum / s.count;
    s.min = *std::min_element(figures.begin(), figures.end());
    s.max = *std::max_element(figures.begin(), figures.end());
    if (s.count < 2) return s;
    double squares = 0;
    for (double f : figures) squares += (f - s.mean) * (f - s.mean);
    const double sd = std::sqrt(squares / (s.count - 1));
    s.stdDev = sd;
    if (s.mean > 0) s.stdDevPercent = 100.0 * sd / s.mean;
    const double half = studentT975(s.count - 1) * sd / std::sqrt(static_cast<double>(s.count));
    s.ci95Low = s.mean - half;
    s.ci95High = s.mean + half;
    return s;
}

std::optional<double> stableHalfWidthPercent(const std::vector<double>& figures) {
    const int count = static_cast<int>(figures.size());
    if (count < PassPlan::kLeastStablePasses) return std::nullopt;
    const auto s = passStatistics(figures);
    if (!s || !s->stdDev || s->mean <= 0) return std::nullopt;
    // chi2(0.25, df), the lower quartile of the chi-square distribution, for
    // df 1 to 9 (as in printed tables; checked with mpmath).
    static const double chiSquareLowerQuartile[] = {0.101531, 0.575364, 1.212533, 1.922558, 2.674603,
                                                    3.454599, 4.254852, 5.070640, 5.898826};
    const int df = count - 1;
    // Beyond the table (more figures than "until stable" ever plays) the bound
    // is left out: the correction matters for few passes only.
    const double bound = df <= 9 ? std::sqrt(df / chiSquareLowerQuartile[df - 1]) : 1.0;
    return 100 * studentT975(df) * *s->stdDev * bound / std::sqrt(static_cast<double>(count)) / s->mean;
}

namespace {

bool intervalReached(const std::vector<double>& figures) {
    const auto half = stableHalfWidthPercent(figures);
    // A hair of tolerance: 1.00 % computed as 1.0000000001 % is still 1 %.
    return half && *half <= PassPlan::kStablePercent + 1e-9;
}

// Three figures can no longer come together in the games that are left.
bool tooFewToCome(int played, const std::vector<double>& figures) {
    return static_cast<int>(figures.size()) + (PassPlan::kMostPasses - played) < PassPlan::kLeastStablePasses;
}

}  // namespace

StableStop stableStop(int played, const std::vector<double>& figures) {
    if (intervalReached(figures)) return StableStop::IntervalReached;
    if (played >= PassPlan::kMostPasses) return StableStop::MostPasses;
    if (tooFewToCome(played, figures)) return StableStop::TooFewFigures;
    return StableStop::EndedEarly;
}

bool anotherPassWanted(const PassPlan& plan, int played, const std::vector<double>& figures) {
    if (!plan.untilStable) return played < std::clamp(plan.count, 1, PassPlan::kMostPasses);
    if (played >= PassPlan::kMostPasses || tooFewToCome(played, figures)) return false;
    return !intervalReached(figures);
}

std::optional<double> figureValue(const std::string& figure) {
    std::string text = trim(figure);
    if (text.empty() || text.size() > 32) return std::nullopt;
    bool point = false;
    for (char& c : text) {
        if (c == ',') c = '.';
        if (c == '.') {
            if (point) return std::nullopt;
            point = true;
        } else if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    if (text == ".") return std::nullopt;
    // Read by hand: strtod would follow the C runtime's locale.
    double value = 0, scale = 1;
    bool fraction = false;
    for (char c : text) {
        if (c == '.') {
            fraction = true;
        } else if (fraction) {
            scale /= 10;
            value += (c - '0') * scale;
        } else {
            value = value * 10 + (c - '0');
        }
    }
    if (!std::isfinite(value) || value <= 0) return std::nullopt;
    return value;
}

std::string formatFigure(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace melkrin
