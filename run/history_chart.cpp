#include "run/history_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "run/html_writer.h"
#include "run/run_comparison.h"

namespace melkrin {
namespace {

// Steps of 1, 2 or 5 times a power of ten, about five to the top.
double tickStep(double top) {
    const double raw = top / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * magnitude >= raw) return factor * magnitude;
    return 10 * magnitude;
}

// The style sheet colours the lines c0 to c7; more sets than that repeat them.
std::string colourClass(int set) {
    std::string name = "c";
    name += std::to_string(((set % 8) + 8) % 8);
    return name;
}

}  // namespace

std::string fixedFigure(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, std::round(value * scale) / scale);
    return buffer;
}

void historyChart(HtmlWriter& page, const std::string& resolution, const std::vector<ChartLine>& lines,
                  long long labelOffset) {
    constexpr double width = 720, height = 260, left = 56, right = 44, top = 16, bottom = 44;
    const double plotWidth = width - left - right, plotHeight = height - top - bottom;
    double highest = 0;
    long long first = 0, last = 0;
    bool anyPoint = false;
    for (const auto& line : lines)
        for (const auto& p : line.points) {
            highest = std::max({highest, p.mean, p.ci95High.value_or(0)});
            first = anyPoint ? std::min(first, p.time) : p.time;
            last = anyPoint ? std::max(last, p.time) : p.time;
            anyPoint = true;
        }
    // Below a thousandth of a frame a second the scale of 0 to 5 serves.
    const bool scaled = highest >= 1e-3;
    const double step = scaled ? tickStep(highest * 1.05) : 1;
    const double axisTop = scaled ? step * std::ceil(highest * 1.05 / step) : 5;
    const double span = static_cast<double>(last - first);
    const auto y = [&](double fps) { return top + plotHeight * (1 - fps / axisTop); };
    const auto x = [&](long long time) {
        return span <= 0 ? left + plotWidth / 2 : left + plotWidth * static_cast<double>(time - first) / span;
    };
    // Every figure below is a number of our own: markup, not text.
    const auto f = fixedFigure;

    page.markup("<h3>").text(resolution).markup("</h3>\n");
    page.markup("<svg class=\"chart\" data-resolution=\"").text(resolution);
    page.markup("\" width=\"" + f(width, 0) + "\" height=\"" + f(height, 0) + "\" viewBox=\"0 0 " + f(width, 0) + " " +
                f(height, 0) + "\" role=\"img\" aria-label=\"Results at ");
    page.text(resolution).markup(" over time\" xmlns=\"http://www.w3.org/2000/svg\">\n");
    for (double tick = 0; tick <= axisTop + step / 2; tick += step) {
        const std::string ty = f(y(tick), 1);
        page.markup("<line class=\"grid\" x1=\"" + f(left, 0) + "\" x2=\"" + f(width - right, 0) + "\" y1=\"" + ty +
                    "\" y2=\"" + ty + "\"/><text class=\"tick\" x=\"" + f(left - 6, 0) + "\" y=\"" + ty +
                    "\" dy=\"4\" text-anchor=\"end\">" + f(tick, step < 1 ? 1 : 0) + "</text>\n");
    }
    page.markup("<text class=\"axis\" x=\"12\" y=\"" + f(top + plotHeight / 2, 0) + "\" transform=\"rotate(-90 12 " +
                f(top + plotHeight / 2, 0) + ")\" text-anchor=\"middle\">FPS</text>\n");

    // Dates at even steps of time, not at the runs: runs come in bursts.
    if (anyPoint) {
        const bool withTime = span < 3 * 86400.0;
        const int dates = span <= 0 ? 1 : 6;
        for (int i = 0; i < dates; ++i) {
            const long long time = span <= 0 ? first : first + static_cast<long long>(std::llround(span * i / 5));
            page.markup("<text class=\"date\" x=\"" + f(x(time), 1) + "\" y=\"" + f(height - bottom + 18, 0) +
                        "\" text-anchor=\"middle\">" + dateText(time + labelOffset, withTime) + "</text>\n");
        }
    }

    for (const auto& line : lines) {
        const auto& points = line.points;
        page.markup("<g class=\"line " + colourClass(line.set) + "\" data-set=\"" + std::to_string(line.set) + "\">\n");
        if (points.size() > 1) {
            page.markup("<polyline class=\"trend\" points=\"");
            for (std::size_t i = 0; i < points.size(); ++i)
                page.markup(i ? " " : "").markup(f(x(points[i].time), 1) + "," + f(y(points[i].mean), 1));
            page.markup("\"/>\n");
        }
        for (std::size_t i = 0; i < points.size(); ++i) {
            const ChartPoint& p = points[i];
            const std::string px = f(x(p.time), 1);
            page.markup("<g class=\"point\" data-run=\"").text(p.run).markup("\"><title>").text(p.tip).markup("</title>");
            if (p.ci95Low && p.ci95High) {
                const std::string lo = f(y(std::max(0.0, *p.ci95Low)), 1), hi = f(y(*p.ci95High), 1);
                const std::string a = f(x(p.time) - 4, 1), b = f(x(p.time) + 4, 1);
                page.markup("<line class=\"ci\" x1=\"" + px + "\" x2=\"" + px + "\" y1=\"" + lo + "\" y2=\"" + hi + "\"/>");
                page.markup("<line class=\"ci\" x1=\"" + a + "\" x2=\"" + b + "\" y1=\"" + lo + "\" y2=\"" + lo + "\"/>");
                page.markup("<line class=\"ci\" x1=\"" + a + "\" x2=\"" + b + "\" y1=\"" + hi + "\" y2=\"" + hi + "\"/>");
            }
            page.markup("<circle cx=\"" + px + "\" cy=\"" + f(y(p.mean), 1) + "\" r=\"4\"/></g>\n");
        }
        // A driver change is not a reason to start a new line (that is what a
        // user compares), but a step in the line may well be its doing.
        for (std::size_t i = 1; i < points.size(); ++i) {
            const ChartPoint &before = points[i - 1], &after = points[i];
            if (before.driver.empty() || after.driver.empty() || before.driver == after.driver) continue;
            const double mx = (x(before.time) + x(after.time)) / 2, my = (y(before.mean) + y(after.mean)) / 2;
            page.markup("<g class=\"driver-change\" data-run=\"").text(after.run).markup("\"><title>");
            page.text("Video driver changed: " + before.driver + " \xE2\x86\x92 " + after.driver).markup("</title>");
            page.markup("<path class=\"driver\" d=\"M" + f(mx, 1) + "," + f(my - 6, 1) + " l6,6 l-6,6 l-6,-6 z\"/></g>\n");
        }
        page.markup("</g>\n");
    }
    page.markup("</svg>\n");
    if (lines.size() > 1) {
        page.markup("<ul class=\"legend\" data-resolution=\"").text(resolution).markup("\">\n");
        for (const auto& line : lines)
            page.markup("<li class=\"" + colourClass(line.set) + "\"><span class=\"swatch\"></span>")
                .text(line.legend)
                .markup("</li>\n");
        page.markup("</ul>\n");
    }
}

}  // namespace melkrin
