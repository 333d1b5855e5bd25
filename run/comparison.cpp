#include "run/comparison.h"

#include <cmath>
#include <limits>

namespace melkrin {
namespace {

// The continued fraction of I_x(a, b), evaluated by the modified Lentz
// method; it converges quickly for x below (a + 1) / (a + b + 2).
double betaFraction(double a, double b, double x) {
    constexpr double tiny = 1e-300;
    constexpr double epsilon = 1e-15;
    const auto guard = [](double v) { return std::fabs(v) < tiny ? tiny : v; };
    double c = 1;
    double d = 1 / guard(1 - (a + b) * x / (a + 1));
    double h = d;
    for (int m = 1; m <= 1000; ++m) {
        const double m2 = 2.0 * m;
        double step = m * (b - m) * x / ((a + m2 - 1) * (a + m2));
        d = 1 / guard(1 + step * d);
        c = guard(1 + step / c);
        h *= d * c;
        step = -(a + m) * (a + b + m) * x / ((a + m2) * (a + m2 + 1));
        d = 1 / guard(1 + step * d);
        c = guard(1 + step / c);
        const double change = d * c;
        h *= change;
        if (std::fabs(change - 1) < epsilon) break;
    }
    return h;
}

// P(T > t) for t >= 0.
double studentTUpperTail(double t, double df) { return 0.5 * incompleteBeta(df / 2, 0.5, df / (df + t * t)); }

double mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) sum += v;
    return sum / static_cast<double>(values.size());
}

double sampleVariance(const std::vector<double>& values, double centre) {
    double squares = 0;
    for (double v : values) squares += (v - centre) * (v - centre);
    return squares / static_cast<double>(values.size() - 1);
}

std::vector<double> logarithms(const std::vector<double>& figures) {
    std::vector<double> logs;
    logs.reserve(figures.size());
    for (double f : figures) logs.push_back(std::log(f));
    return logs;
}

double percentOf(double logRatio) { return 100 * std::expm1(logRatio); }

}  // namespace

double incompleteBeta(double a, double b, double x) {
    if (x <= 0) return 0;
    if (x >= 1) return 1;
    const double front =
        std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) + a * std::log(x) + b * std::log1p(-x));
    if (x < (a + 1) / (a + b + 2)) return front * betaFraction(a, b, x) / a;
    return 1 - front * betaFraction(b, a, 1 - x) / b;
}

double studentTQuantile(double p, double df) {
    if (!(p > 0.5 && p < 1) || !(df > 0)) return std::numeric_limits<double>::quiet_NaN();
    const double tail = 1 - p;
    double low = 0, high = 1;
    while (studentTUpperTail(high, df) > tail && high < 1e12) high *= 2;
    // Bisection: the tail falls monotonically, and 200 halvings reach the
    // last bit of a double long before they run out.
    for (int i = 0; i < 200 && high - low > 1e-13 * high; ++i) {
        const double middle = (low + high) / 2;
        (studentTUpperTail(middle, df) > tail ? low : high) = middle;
    }
    return (low + high) / 2;
}

RunComparison compareRuns(const std::vector<double>& a, const std::vector<double>& b) {
    RunComparison result;
    if (a.empty() || b.empty()) return result;
    const std::vector<double> logA = logarithms(a), logB = logarithms(b);
    const double meanA = mean(logA), meanB = mean(logB);
    const double difference = meanB - meanA;
    result.ratioPercent = percentOf(difference);
    if (a.size() < 2 || b.size() < 2) return result;

    const double shareA = sampleVariance(logA, meanA) / static_cast<double>(a.size());
    const double shareB = sampleVariance(logB, meanB) / static_cast<double>(b.size());
    const double standardError = std::sqrt(shareA + shareB);
    double t95 = 0, t90 = 0;
    if (standardError > 0) {
        // Welch-Satterthwaite; a run whose figures are all alike adds nothing.
        const double df = (shareA + shareB) * (shareA + shareB) /
                          (shareA * shareA / static_cast<double>(a.size() - 1) +
                           shareB * shareB / static_cast<double>(b.size() - 1));
        result.degreesOfFreedom = df;
        t95 = studentTQuantile(0.975, df);
        t90 = studentTQuantile(0.95, df);
    }
    result.low95 = percentOf(difference - t95 * standardError);
    result.high95 = percentOf(difference + t95 * standardError);
    result.low90 = percentOf(difference - t90 * standardError);
    result.high90 = percentOf(difference + t90 * standardError);

    // A shown difference is named even when it is small: the equivalence
    // only speaks where no direction is shown.
    if (*result.low95 > 0) {
        result.verdict = ComparisonVerdict::Faster;
    } else if (*result.high95 < 0) {
        result.verdict = ComparisonVerdict::Slower;
    } else if (*result.low90 >= -kEquivalenceMarginPercent && *result.high90 <= kEquivalenceMarginPercent) {
        result.verdict = ComparisonVerdict::Equivalent;
    } else {
        result.verdict = ComparisonVerdict::NoDifferenceShown;
    }
    return result;
}

std::string verdictText(ComparisonVerdict verdict) {
    switch (verdict) {
    case ComparisonVerdict::Faster: return "B is faster";
    case ComparisonVerdict::Slower: return "B is slower";
    case ComparisonVerdict::Equivalent: return "equivalent within \xC2\xB1" "2 %";
    case ComparisonVerdict::NoDifferenceShown: return "no difference shown";
    case ComparisonVerdict::CannotTell: break;
    }
    return "no interval: a run of one pass cannot tell noise from a difference";
}

}  // namespace melkrin
