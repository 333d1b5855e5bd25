// Two runs compared: Welch's test on the logarithms of the passes' figures.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "normal_samples.h"
#include "run/comparison.h"
#include "run/pass_statistics.h"

namespace melkrin {
namespace {

// The reference values were worked out apart from this code, with mpmath at
// 30 digits: tests/tools/comparison_reference.py wrote the fixture (its
// "source" says so). The browser test checks the page's script against the
// same file.
nlohmann::json referenceCases() {
    std::ifstream in(std::string(MELKRIN_FIXTURES_DIR) + "/comparison_cases.json");
    std::stringstream text;
    text << in.rdbuf();
    return nlohmann::json::parse(text.str());
}

ComparisonVerdict verdictNamed(const std::string& name) {
    if (name == "faster") return ComparisonVerdict::Faster;
    if (name == "slower") return ComparisonVerdict::Slower;
    if (name == "equivalent") return ComparisonVerdict::Equivalent;
    if (name == "no difference") return ComparisonVerdict::NoDifferenceShown;
    return ComparisonVerdict::CannotTell;
}

TEST(ComparisonTest, MatchesTheReferenceCases) {
    const auto cases = referenceCases();
    ASSERT_GE(cases["comparisons"].size(), 8u);
    for (const auto& c : cases["comparisons"]) {
        SCOPED_TRACE(c["what"].get<std::string>());
        const auto result = compareRuns(c["a"].get<std::vector<double>>(), c["b"].get<std::vector<double>>());
        EXPECT_EQ(result.verdict, verdictNamed(c["verdict"]));
        EXPECT_NEAR(result.ratioPercent, c["ratio"].get<double>(), 1e-9);
        if (!c.contains("df")) {
            EXPECT_FALSE(result.low95);
            EXPECT_FALSE(result.degreesOfFreedom);
            continue;
        }
        ASSERT_TRUE(result.low95 && result.high95 && result.low90 && result.high90 && result.degreesOfFreedom);
        EXPECT_NEAR(*result.degreesOfFreedom, c["df"].get<double>(), 1e-9);
        EXPECT_NEAR(*result.low95, c["low95"].get<double>(), 1e-8);
        EXPECT_NEAR(*result.high95, c["high95"].get<double>(), 1e-8);
        EXPECT_NEAR(*result.low90, c["low90"].get<double>(), 1e-8);
        EXPECT_NEAR(*result.high90, c["high90"].get<double>(), 1e-8);
    }
}

TEST(ComparisonTest, StudentTQuantilesForFractionalDegreesOfFreedom) {
    const auto cases = referenceCases();
    for (const auto& c : cases["tQuantiles"]) {
        const double p = c["p"], df = c["df"];
        EXPECT_NEAR(studentTQuantile(p, df), c["t"].get<double>(), 1e-9) << "p " << p << ", df " << df;
    }
    // The integer table of the passes' intervals agrees to its three decimals.
    for (int df = 1; df <= 30; ++df) EXPECT_NEAR(studentTQuantile(0.975, df), studentT975(df), 5e-4) << df;
    EXPECT_TRUE(std::isnan(studentTQuantile(0.5, 3)));
    EXPECT_TRUE(std::isnan(studentTQuantile(0.975, 0)));
}

TEST(ComparisonTest, IncompleteBetaAtKnownPoints) {
    // I_x(1, 1) = x; I_x(a, 1) = x^a; I_x(1, b) = 1 - (1 - x)^b; I_0.5(a, a) = 1/2.
    EXPECT_NEAR(incompleteBeta(1, 1, 0.3), 0.3, 1e-14);
    EXPECT_NEAR(incompleteBeta(2.5, 1, 0.7), std::pow(0.7, 2.5), 1e-14);
    EXPECT_NEAR(incompleteBeta(1, 3.5, 0.2), 1 - std::pow(0.8, 3.5), 1e-14);
    EXPECT_NEAR(incompleteBeta(7.25, 7.25, 0.5), 0.5, 1e-14);
    EXPECT_EQ(incompleteBeta(2, 3, 0), 0);
    EXPECT_EQ(incompleteBeta(2, 3, 1), 1);
}

TEST(ComparisonTest, RunsWithoutSpreadOrWithoutFigures) {
    // Figures all alike leave no uncertainty: the ratio itself decides.
    const struct Case {
        std::vector<double> a, b;
        ComparisonVerdict verdict;
        double ratio;
    } cases[] = {
        {{60, 60}, {60, 60, 60}, ComparisonVerdict::Equivalent, 0},
        {{60, 60}, {61.2, 61.2}, ComparisonVerdict::Faster, 2},
        {{60, 60}, {57, 57}, ComparisonVerdict::Slower, -5},
        {{}, {60, 61}, ComparisonVerdict::CannotTell, 0},
        {{60, 61}, {}, ComparisonVerdict::CannotTell, 0},
        {{50}, {50}, ComparisonVerdict::CannotTell, 0},
    };
    for (const auto& c : cases) {
        const auto result = compareRuns(c.a, c.b);
        EXPECT_EQ(result.verdict, c.verdict) << c.ratio;
        EXPECT_NEAR(result.ratioPercent, c.ratio, 1e-9);
    }
    // One run spread, the other not: Welch's df is the spread run's n - 1.
    const auto half = compareRuns({60, 60, 60}, {59, 60, 61});
    ASSERT_TRUE(half.degreesOfFreedom);
    EXPECT_NEAR(*half.degreesOfFreedom, 2.0, 1e-12);
}

TEST(ComparisonTest, VerdictTexts) {
    EXPECT_EQ(verdictText(ComparisonVerdict::Faster), "B is faster");
    EXPECT_EQ(verdictText(ComparisonVerdict::Slower), "B is slower");
    EXPECT_EQ(verdictText(ComparisonVerdict::Equivalent), "equivalent within \xC2\xB1" "2 %");
    EXPECT_EQ(verdictText(ComparisonVerdict::NoDifferenceShown), "no difference shown");
    EXPECT_EQ(verdictText(ComparisonVerdict::CannotTell),
              "no interval: a run of one pass cannot tell noise from a difference");
}

// Runs of one machine compared with each other: a test at 5 % may call
// about one pair in twenty faster or slower, and not many more.
TEST(ComparisonTest, AlikeRunsAreRarelyCalledDifferent) {
    testing::NormalSamples samples(20261211);
    int different = 0, equivalent = 0;
    constexpr int kPairs = 1000;
    for (int pair = 0; pair < kPairs; ++pair) {
        std::vector<double> a, b;
        for (int pass = 0; pass < 5; ++pass) {
            a.push_back(samples.next(100, 3));
            b.push_back(samples.next(100, 3));
        }
        const auto verdict = compareRuns(a, b).verdict;
        different += verdict == ComparisonVerdict::Faster || verdict == ComparisonVerdict::Slower;
        equivalent += verdict == ComparisonVerdict::Equivalent;
    }
    EXPECT_LE(different, kPairs * 6 / 100);
    EXPECT_GE(different, kPairs * 2 / 100) << "a test that never finds a difference finds no real one either";
    // At 3 % spread five passes cannot pin the ratio to ±2 %: equivalence is rare.
    EXPECT_LE(equivalent, kPairs * 5 / 100);
    std::printf("A/A pairs at 3 %% spread, 5 passes: %d of %d faster or slower, %d equivalent\n", different, kPairs,
                equivalent);
}

// A real difference of 5 % at 2 % spread and three passes: the case
// of the overlapping intervals, which found it in 14 % of runs.
TEST(ComparisonTest, FindsARealDifferenceMostOfTheTimeItCan) {
    testing::NormalSamples samples(7);
    int faster = 0, slower = 0;
    constexpr int kPairs = 1000;
    for (int pair = 0; pair < kPairs; ++pair) {
        std::vector<double> a, b;
        for (int pass = 0; pass < 3; ++pass) {
            a.push_back(samples.next(100, 2));
            b.push_back(samples.next(105, 2.1));
        }
        const auto verdict = compareRuns(a, b).verdict;
        faster += verdict == ComparisonVerdict::Faster;
        slower += verdict == ComparisonVerdict::Slower;
    }
    EXPECT_GE(faster, kPairs * 40 / 100);
    EXPECT_EQ(slower, 0);
    std::printf("+5 %% at 2 %% spread, 3 passes: %d of %d faster\n", faster, kPairs);
}

}  // namespace
}  // namespace melkrin
