#pragma once
// The history page's chart of one resolution: one line per set of comparable
// runs (same demo, settings, machine and game build) over the date they ran,
// as an inline SVG. A bar shows each 95 % confidence interval, a diamond on a
// line marks where the video driver changed between two of its runs, and
// about six dates stand under the axis however many runs there are.
#include <optional>
#include <string>
#include <vector>

namespace melkrin {

class HtmlWriter;

struct ChartPoint {
    std::string run;     // the result file's name
    std::string tip;     // the point's title
    long long time = 0;  // when the run started, seconds since 1970
    std::string driver;  // the video driver's version; "" when unknown
    double mean = 0;
    std::optional<double> ci95Low, ci95High;  // both or neither
};

struct ChartLine {
    int set = 0;         // the set of comparable runs: its colour, the same in every chart
    std::string legend;  // what sets this line apart from the chart's others
    std::vector<ChartPoint> points;  // oldest first
};

// The heading, the chart and, for more than one line, its legend. Dates
// under the axis are shown at labelOffset seconds from UTC.
void historyChart(HtmlWriter& page, const std::string& resolution, const std::vector<ChartLine>& lines,
                  long long labelOffset);

// A figure with a fixed number of decimals. Halves round up, as the page's
// script rounds, so a figure reads the same in the table, the chart and the
// comparison.
std::string fixedFigure(double value, int decimals);

}  // namespace melkrin
