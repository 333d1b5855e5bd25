#pragma once
// The history page's chart of one resolution: the mean of every run from the
// oldest to the newest as an inline SVG, with a bar for each 95 % confidence
// interval and about six dates under the axis however many runs there are.
#include <optional>
#include <string>
#include <vector>

namespace melkrin {

class HtmlWriter;

struct ChartPoint {
    std::string run;   // the result file's name
    std::string date;  // shown under the axis
    std::string tip;   // the point's title
    double mean = 0;
    std::optional<double> ci95Low, ci95High;  // both or neither
};

// The heading and the chart, points from the oldest run to the newest.
void historyChart(HtmlWriter& page, const std::string& resolution, const std::vector<ChartPoint>& points);

// A figure with a fixed number of decimals. Halves round up, as the page's
// script rounds, so a figure reads the same in the table, the chart and the
// comparison.
std::string fixedFigure(double value, int decimals);

}  // namespace melkrin
