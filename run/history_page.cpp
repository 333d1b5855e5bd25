#include "run/history_page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "common/errors.h"
#include "common/file_system.h"
#include "common/text.h"

namespace melkrin {
namespace {

using Json = nlohmann::json;

// The shape of a file was not what we write; the text says where.
struct Malformed {
    std::string what;
};

// The JSON reader recurses per nesting level: a file of a million "[" must be
// refused before it is parsed, not overflow the stack. Ours nest four deep.
bool nestsTooDeep(std::string_view text, int limit) {
    int depth = 0;
    bool inString = false, escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) escaped = false;
            else if (c == '\\') escaped = true;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

const Json* member(const Json& object, const char* name) {
    const auto it = object.find(name);
    return it == object.end() ? nullptr : &*it;
}

// A text member: missing or null reads as "", any other type is malformed.
std::string text(const Json& object, const char* name, const std::string& where) {
    const Json* value = member(object, name);
    if (!value || value->is_null()) return {};
    if (!value->is_string()) throw Malformed{where + name + " is not a text"};
    return value->get<std::string>();
}

std::string requiredText(const Json& object, const char* name, const std::string& where) {
    const Json* value = member(object, name);
    if (!value || !value->is_string()) throw Malformed{where + name + " is missing or not a text"};
    return value->get<std::string>();
}

std::optional<double> number(const Json& object, const char* name, const std::string& where) {
    const Json* value = member(object, name);
    if (!value || value->is_null()) return std::nullopt;
    if (!value->is_number()) throw Malformed{where + name + " is not a number"};
    const double figure = value->get<double>();
    if (!std::isfinite(figure)) throw Malformed{where + name + " is not a finite number"};
    return figure;
}

double requiredNumber(const Json& object, const char* name, const std::string& where) {
    const auto value = number(object, name, where);
    if (!value) throw Malformed{where + name + " is missing"};
    return *value;
}

bool flag(const Json& object, const char* name, const std::string& where) {
    const Json* value = member(object, name);
    if (!value || value->is_null()) return false;
    if (!value->is_boolean()) throw Malformed{where + name + " is not true or false"};
    return value->get<bool>();
}

HistoryStatistics readStatistics(const Json& json, const std::string& where) {
    if (!json.is_object()) throw Malformed{where + "statistics is not an object"};
    HistoryStatistics s;
    const double count = requiredNumber(json, "count", where);
    if (count < 1 || count > 1000 || count != std::floor(count)) throw Malformed{where + "count is out of range"};
    s.count = static_cast<int>(count);
    s.mean = requiredNumber(json, "mean", where);
    s.min = requiredNumber(json, "min", where);
    s.max = requiredNumber(json, "max", where);
    s.stdDev = number(json, "stdDev", where);
    s.stdDevPercent = number(json, "stdDevPercent", where);
    s.ci95Low = number(json, "ci95Low", where);
    s.ci95High = number(json, "ci95High", where);
    if (s.mean < 0 || s.min < 0 || s.max < 0) throw Malformed{where + "a figure is below zero"};
    // No game runs at ten million frames a second; the chart's scale needs a sane top.
    for (const auto& figure : {std::optional<double>(s.mean), std::optional<double>(s.max), s.ci95High})
        if (figure && *figure > 1e7) throw Malformed{where + "a figure is out of range"};
    // An interval is only of use whole.
    if (s.ci95Low.has_value() != s.ci95High.has_value() || (s.ci95Low && *s.ci95Low > *s.ci95High))
        throw Malformed{where + "the confidence interval is incomplete"};
    return s;
}

HistoryResolution readResolution(const Json& json, std::size_t index) {
    const std::string where = "resolutions[" + std::to_string(index) + "].";
    if (!json.is_object()) throw Malformed{"resolutions[" + std::to_string(index) + "] is not an object"};
    HistoryResolution r;
    r.resolution = requiredText(json, "resolution", where);
    const Json* passes = member(json, "passes");
    if (passes && !passes->is_null()) {
        if (!passes->is_array()) throw Malformed{where + "passes is not a list"};
        for (std::size_t i = 0; i < passes->size(); ++i) {
            const Json& pass = (*passes)[i];
            const std::string at = where + "passes[" + std::to_string(i) + "].";
            if (!pass.is_object()) throw Malformed{where + "passes[" + std::to_string(i) + "] is not an object"};
            r.passes.push_back({number(pass, "fps", at), text(pass, "reason", at)});
        }
    }
    r.stopped = flag(json, "stopped", where);
    const Json* statistics = member(json, "statistics");
    if (statistics && !statistics->is_null()) r.statistics = readStatistics(*statistics, where + "statistics.");
    return r;
}

std::string demoText(const Json& options) {
    const Json* demo = member(options, "demo");
    if (!demo || demo->is_null()) return {};
    if (demo->is_number_integer()) return "built-in demo " + std::to_string(demo->get<long long>());
    if (demo->is_string()) return demo->get<std::string>();
    throw Malformed{"options.demo is neither a number nor a text"};
}

std::string passesText(const Json& options) {
    const Json* passes = member(options, "passes");
    if (!passes || passes->is_null()) return "1";
    if (passes->is_number_integer()) return std::to_string(passes->get<long long>());
    if (passes->is_string()) return passes->get<std::string>();
    throw Malformed{"options.passes is neither a number nor a text"};
}

HistoryRun readRun(const Json& json) {
    HistoryRun run;
    run.version = text(json, "version", "");
    run.startedAt = requiredText(json, "startedAt", "");
    run.endedAt = text(json, "endedAt", "");
    run.report = text(json, "report", "");
    run.note = text(json, "note", "");
    if (const Json* machine = member(json, "machine"); machine && !machine->is_null()) {
        if (!machine->is_object()) throw Malformed{"machine is not an object"};
        const std::string at = "machine.";
        run.operatingSystem = text(*machine, "operatingSystem", at);
        run.processor = text(*machine, "processor", at);
        run.clock = text(*machine, "clock", at);
        run.memory = text(*machine, "memory", at);
        run.videoCard = text(*machine, "videoCard", at);
        run.driverVersion = text(*machine, "driverVersion", at);
        run.displayMemory = text(*machine, "displayMemory", at);
        run.soundSystem = text(*machine, "soundSystem", at);
        if (const Json* facts = member(*machine, "facts"); facts && !facts->is_null()) {
            if (!facts->is_array()) throw Malformed{"machine.facts is not a list"};
            for (const Json& fact : *facts) {
                if (!fact.is_object()) throw Malformed{"machine.facts holds something other than an object"};
                run.facts.push_back({text(fact, "label", "machine.facts."), text(fact, "value", "machine.facts.")});
            }
        }
    }
    if (const Json* options = member(json, "options"); options && !options->is_null()) {
        if (!options->is_object()) throw Malformed{"options is not an object"};
        const std::string at = "options.";
        run.demo = demoText(*options);
        run.antialiasing = text(*options, "antialiasing", at);
        run.filtering = text(*options, "filtering", at);
        run.renderer = text(*options, "renderer", at);
        run.hdr = flag(*options, "hdr", at);
        run.warmUp = flag(*options, "warmUp", at);
        run.passes = passesText(*options);
        const double limit = number(*options, "timeLimit", at).value_or(0);
        // Checked before the conversion: a double out of the integer's range has no value there.
        if (limit < 0 || limit > 1e9) throw Malformed{"options.timeLimit is out of range"};
        run.timeLimit = static_cast<long long>(limit);
    }
    const Json* resolutions = member(json, "resolutions");
    if (!resolutions || !resolutions->is_array()) throw Malformed{"resolutions is missing or not a list"};
    for (std::size_t i = 0; i < resolutions->size(); ++i) run.resolutions.push_back(readResolution((*resolutions)[i], i));
    return run;
}

// ---------------------------------------------------------------- page

// Halves round up, as the page's script rounds, so a figure reads the same in
// the table and in the comparison.
std::string fixed(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, std::round(value * scale) / scale);
    return buffer;
}

std::string when(const std::string& isoTime) {
    std::string shown = isoTime;
    if (shown.size() > 10 && shown[10] == 'T') shown[10] = ' ';
    return shown;
}

std::string passesWord(int count) { return count == 1 ? "1 pass" : std::to_string(count) + " passes"; }

std::string settingsText(const HistoryRun& run) {
    std::vector<std::string> parts;
    if (!run.antialiasing.empty()) parts.push_back("antialiasing " + run.antialiasing);
    if (!run.filtering.empty()) parts.push_back("filtering " + run.filtering);
    parts.push_back(run.hdr ? "HDR on" : "HDR off");
    if (!run.renderer.empty()) parts.push_back(run.renderer);
    if (run.passes == "until stable") parts.push_back("passes until stable");
    else parts.push_back(run.passes == "1" ? "1 pass" : run.passes + " passes");
    if (run.warmUp) parts.push_back("warm-up");
    if (run.timeLimit > 0) parts.push_back("time limit " + std::to_string(run.timeLimit) + " s");
    return joinLines(parts, ", ");
}

std::string resultText(const HistoryResolution& r) {
    if (!r.statistics) return r.stopped ? "stopped, no figure" : "no figure";
    const HistoryStatistics& s = *r.statistics;
    std::string shown = fixed(s.mean, 1) + " FPS";
    if (s.stdDevPercent) shown += " \xC2\xB1 " + fixed(*s.stdDevPercent, 1) + " %";
    if (s.count > 1) shown += " (" + passesWord(s.count) + ")";
    if (r.stopped) shown += ", stopped";
    return shown;
}

void runRow(std::string& page, const HistoryRun& run) {
    const std::string id = htmlEscape(run.file);
    page += "<tr data-run=\"" + id + "\">";
    page += "<td class=\"pick\"><label title=\"Compare as run A\">A <input type=\"radio\" name=\"a\" value=\"" + id +
            "\"></label> <label title=\"Compare as run B\">B <input type=\"radio\" name=\"b\" value=\"" + id +
            "\"></label></td>";
    page += "<td class=\"date\">" + htmlEscape(when(run.startedAt)) + "</td>";
    page += "<td>" + htmlEscape(run.note) + "</td>";
    page += "<td>" + htmlEscape(run.demo) + "</td>";
    page += "<td>" + htmlEscape(settingsText(run)) + "</td>";
    std::string factsTip;
    for (const auto& fact : run.facts) factsTip += fact.label + " " + fact.value + "\n";
    page += "<td class=\"machine\" title=\"" + htmlEscape(factsTip) + "\">";
    std::vector<std::string> machine;
    if (!run.processor.empty()) machine.push_back(run.processor + (run.clock.empty() ? "" : " (" + run.clock + ")"));
    if (!run.videoCard.empty())
        machine.push_back(run.videoCard + (run.driverVersion.empty() ? "" : ", driver " + run.driverVersion));
    if (!run.memory.empty()) machine.push_back(run.memory);
    if (!run.operatingSystem.empty()) machine.push_back(run.operatingSystem);
    for (std::size_t i = 0; i < machine.size(); ++i) page += (i ? "<br>" : "") + htmlEscape(machine[i]);
    page += "</td><td class=\"results\">";
    for (std::size_t i = 0; i < run.resolutions.size(); ++i)
        page += (i ? "<br>" : "") + htmlEscape(run.resolutions[i].resolution) + ": " +
                htmlEscape(resultText(run.resolutions[i]));
    page += "</td><td>";
    // Only a bare file name becomes a link: the report lies beside the JSON.
    if (!run.report.empty() && run.report.find_first_of("\\/:") == std::string::npos)
        page += "<a href=\"" + htmlEscape(run.report) + "\">report</a>";
    page += "</td></tr>\n";
}

// Steps of 1, 2 or 5 times a power of ten, about five to the top.
double tickStep(double top) {
    const double raw = top / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * magnitude >= raw) return factor * magnitude;
    return 10 * magnitude;
}

struct ChartPoint {
    const HistoryRun* run;
    const HistoryStatistics* statistics;
};

void chart(std::string& page, const std::string& resolution, const std::vector<ChartPoint>& points) {
    constexpr double width = 720, height = 260, left = 56, right = 44, top = 16, bottom = 44;
    const double plotWidth = width - left - right, plotHeight = height - top - bottom;
    double highest = 0;
    for (const auto& p : points) highest = std::max({highest, p.statistics->mean, p.statistics->ci95High.value_or(0)});
    // Below a thousandth of a frame a second the scale of 0 to 5 serves.
    const bool scaled = highest >= 1e-3;
    const double step = scaled ? tickStep(highest * 1.05) : 1;
    const double axisTop = scaled ? step * std::ceil(highest * 1.05 / step) : 5;
    const auto y = [&](double fps) { return top + plotHeight * (1 - fps / axisTop); };
    const auto x = [&](std::size_t i) {
        return points.size() == 1 ? left + plotWidth / 2 : left + plotWidth * double(i) / double(points.size() - 1);
    };

    const std::string name = htmlEscape(resolution);
    page += "<h3>" + name + "</h3>\n";
    page += "<svg class=\"chart\" data-resolution=\"" + name + "\" width=\"" + fixed(width, 0) + "\" height=\"" +
            fixed(height, 0) + "\" viewBox=\"0 0 " + fixed(width, 0) + " " + fixed(height, 0) +
            "\" role=\"img\" aria-label=\"Results at " + name + " over time\" xmlns=\"http://www.w3.org/2000/svg\">\n";
    for (double tick = 0; tick <= axisTop + step / 2; tick += step) {
        const std::string ty = fixed(y(tick), 1);
        page += "<line class=\"grid\" x1=\"" + fixed(left, 0) + "\" x2=\"" + fixed(width - right, 0) + "\" y1=\"" + ty +
                "\" y2=\"" + ty + "\"/><text class=\"tick\" x=\"" + fixed(left - 6, 0) + "\" y=\"" + ty +
                "\" dy=\"4\" text-anchor=\"end\">" + fixed(tick, step < 1 ? 1 : 0) + "</text>\n";
    }
    page += "<text class=\"axis\" x=\"12\" y=\"" + fixed(top + plotHeight / 2, 0) +
            "\" transform=\"rotate(-90 12 " + fixed(top + plotHeight / 2, 0) + ")\" text-anchor=\"middle\">FPS</text>\n";
    if (points.size() > 1) {
        page += "<polyline class=\"trend\" points=\"";
        for (std::size_t i = 0; i < points.size(); ++i)
            page += (i ? " " : "") + fixed(x(i), 1) + "," + fixed(y(points[i].statistics->mean), 1);
        page += "\"/>\n";
    }
    // About six dates under the axis, however many runs there are.
    const std::size_t every = std::max<std::size_t>(1, (points.size() + 5) / 6);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const HistoryStatistics& s = *points[i].statistics;
        const std::string px = fixed(x(i), 1);
        std::string tip = when(points[i].run->startedAt);
        if (!points[i].run->note.empty()) tip += " \xE2\x80\x94 " + points[i].run->note;
        tip += "\n" + fixed(s.mean, 1) + " FPS";
        if (s.ci95Low) tip += ", 95 % interval " + fixed(*s.ci95Low, 1) + " to " + fixed(*s.ci95High, 1);
        tip += " (" + passesWord(s.count) + ")";
        page += "<g class=\"point\" data-run=\"" + htmlEscape(points[i].run->file) + "\"><title>" + htmlEscape(tip) +
                "</title>";
        if (s.ci95Low) {
            const std::string lo = fixed(y(std::max(0.0, *s.ci95Low)), 1), hi = fixed(y(*s.ci95High), 1);
            const std::string a = fixed(x(i) - 4, 1), b = fixed(x(i) + 4, 1);
            page += "<line class=\"ci\" x1=\"" + px + "\" x2=\"" + px + "\" y1=\"" + lo + "\" y2=\"" + hi + "\"/>";
            page += "<line class=\"ci\" x1=\"" + a + "\" x2=\"" + b + "\" y1=\"" + lo + "\" y2=\"" + lo + "\"/>";
            page += "<line class=\"ci\" x1=\"" + a + "\" x2=\"" + b + "\" y1=\"" + hi + "\" y2=\"" + hi + "\"/>";
        }
        page += "<circle cx=\"" + px + "\" cy=\"" + fixed(y(s.mean), 1) + "\" r=\"4\"/></g>";
        if (i % every == 0 || i + 1 == points.size())
            page += "<text class=\"date\" x=\"" + px + "\" y=\"" + fixed(height - bottom + 18, 0) +
                    "\" text-anchor=\"middle\">" + htmlEscape(points[i].run->startedAt.substr(0, 10)) + "</text>";
        page += "\n";
    }
    page += "</svg>\n";
}

// What the comparison script needs, per run and resolution. "<" is written
// as \u003c so that no text of a file can end the script element.
std::string comparisonData(const std::vector<HistoryRun>& runs) {
    Json list = Json::array();
    for (const auto& run : runs) {
        Json entry;
        entry["id"] = run.file;
        entry["label"] = when(run.startedAt) + (run.note.empty() ? "" : " \xE2\x80\x94 " + run.note);
        Json results = Json::array();
        for (const auto& r : run.resolutions) {
            Json result;
            result["resolution"] = r.resolution;
            if (r.statistics) {
                result["n"] = r.statistics->count;
                result["mean"] = r.statistics->mean;
                if (r.statistics->ci95Low) {
                    result["low"] = *r.statistics->ci95Low;
                    result["high"] = *r.statistics->ci95High;
                }
            }
            results.push_back(result);
        }
        entry["results"] = results;
        list.push_back(entry);
    }
    Json data;
    data["runs"] = list;
    return replaceAll(data.dump(-1, ' ', true, Json::error_handler_t::replace), "<", "\\u003c");
}

const char* const kStyle = R"(<style>
body { font-family: Tahoma, Verdana, Arial, sans-serif; font-size: 13px; color: #1b1b1b; background: #f4f4f4; margin: 16px 24px; }
h1 { font-size: 20px; color: #8a1010; margin: 0 0 4px; }
h2 { font-size: 16px; color: #8a1010; border-bottom: 1px solid #c8c8c8; padding-bottom: 2px; margin-top: 24px; }
h3 { font-size: 14px; margin: 14px 0 4px; }
table { border-collapse: collapse; background: #fff; }
th, td { border: 1px solid #c8c8c8; padding: 4px 8px; text-align: left; vertical-align: top; }
th { background: #e4e4e4; }
td.pick { white-space: nowrap; }
td.date { white-space: nowrap; }
td.machine, td.results { font-size: 12px; }
tr.chosen-a td { background: #eef4ff; }
tr.chosen-b td { background: #fff4e8; }
svg.chart { background: #fff; border: 1px solid #c8c8c8; display: block; }
svg .grid { stroke: #e2e2e2; stroke-width: 1; }
svg .tick, svg .date, svg .axis { font-size: 11px; fill: #555; }
svg .trend { fill: none; stroke: #b02020; stroke-width: 1.5; }
svg .ci { stroke: #404040; stroke-width: 1.2; }
svg circle { fill: #b02020; stroke: #fff; stroke-width: 1; }
td.noise { color: #555; }
td.faster { color: #106010; font-weight: bold; }
td.slower { color: #a01010; font-weight: bold; }
p.hint { color: #555; }
</style>
)";

// Comparison of the two runs chosen in the table (radio buttons A and B);
// "#compare=A,B" in the address chooses them when the page opens.
const char* const kScript = R"(<script>
(function () {
  var data = JSON.parse(document.getElementById('history-data').textContent);
  var byId = {};
  data.runs.forEach(function (run) { byId[run.id] = run; });
  function chosen(name) {
    var box = document.querySelector('input[name="' + name + '"]:checked');
    return box ? byId[box.value] : null;
  }
  function choose(name, id) {
    var boxes = document.getElementsByName(name);
    for (var i = 0; i < boxes.length; i++) if (boxes[i].value === id) boxes[i].checked = true;
  }
  function add(row, text, kind, cls) {
    var cell = document.createElement(kind || 'td');
    cell.textContent = text;
    if (cls) cell.className = cls;
    row.appendChild(cell);
    return cell;
  }
  function figure(r) {
    if (!r) return 'not run';
    if (r.mean === undefined) return 'no figure';
    var shown = r.mean.toFixed(1) + ' FPS';
    if (r.low !== undefined) shown += ' (95 % interval ' + r.low.toFixed(1) + ' to ' + r.high.toFixed(1) + ', ' + r.n + ' passes)';
    else shown += ' (' + r.n + (r.n === 1 ? ' pass' : ' passes') + ', no interval)';
    return shown;
  }
  function find(run, resolution) {
    for (var i = 0; i < run.results.length; i++) if (run.results[i].resolution === resolution) return run.results[i];
    return null;
  }
  function show() {
    var a = chosen('a'), b = chosen('b');
    var rows = document.querySelectorAll('#runs tbody tr');
    for (var i = 0; i < rows.length; i++) {
      var id = rows[i].getAttribute('data-run');
      rows[i].className = (a && a.id === id ? 'chosen-a' : '') + (b && b.id === id ? ' chosen-b' : '');
    }
    var out = document.getElementById('comparison');
    out.textContent = '';
    if (!a || !b) {
      add(out, 'Choose two runs in the table: one as A, the other as B.', 'p', 'hint');
      return;
    }
    add(out, 'A: ' + a.label, 'p');
    add(out, 'B: ' + b.label, 'p');
    var table = document.createElement('table');
    table.id = 'comparison-table';
    var head = document.createElement('tr');
    ['Resolution', 'A', 'B', 'B against A', 'Verdict'].forEach(function (t) { add(head, t, 'th'); });
    var thead = document.createElement('thead');
    thead.appendChild(head);
    table.appendChild(thead);
    var body = document.createElement('tbody');
    var names = [];
    a.results.concat(b.results).forEach(function (r) { if (names.indexOf(r.resolution) < 0) names.push(r.resolution); });
    names.forEach(function (name) {
      var ra = find(a, name), rb = find(b, name);
      var row = document.createElement('tr');
      row.setAttribute('data-resolution', name);
      add(row, name);
      add(row, figure(ra));
      add(row, figure(rb));
      if (ra && rb && ra.mean !== undefined && rb.mean !== undefined && ra.mean > 0) {
        var change = (rb.mean - ra.mean) / ra.mean * 100;
        add(row, (change >= 0 ? '+' : '\u2212') + Math.abs(change).toFixed(1) + ' %', 'td', 'change');
        if (ra.low === undefined || rb.low === undefined) {
          add(row, 'no interval: a run of one pass cannot tell noise from a difference', 'td', 'noise');
        } else if (ra.low <= rb.high && rb.low <= ra.high) {
          add(row, 'within noise', 'td', 'noise');
        } else {
          add(row, change >= 0 ? 'B is faster' : 'B is slower', 'td', change >= 0 ? 'faster' : 'slower');
        }
      } else {
        add(row, '');
        add(row, 'no figure to compare', 'td', 'noise');
      }
      body.appendChild(row);
    });
    table.appendChild(body);
    out.appendChild(table);
    if (window.history && history.replaceState) {
      try { history.replaceState(null, '', '#compare=' + encodeURIComponent(a.id) + ',' + encodeURIComponent(b.id)); } catch (e) {}
    }
  }
  var wanted = /^#compare=([^,]*),(.*)$/.exec(location.hash);
  if (wanted) {
    choose('a', decodeURIComponent(wanted[1]));
    choose('b', decodeURIComponent(wanted[2]));
  } else if (data.runs.length >= 2) {
    choose('b', data.runs[0].id);
    choose('a', data.runs[1].id);
  }
  var boxes = document.querySelectorAll('#runs input[type=radio]');
  for (var i = 0; i < boxes.length; i++) boxes[i].addEventListener('change', show);
  show();
})();
</script>
)";

std::string validUtf8(const std::string& text) {
    // File names are 8-bit; the page is UTF-8. Bytes that do not form UTF-8
    // are read as Latin-1 so the name stays visible and the page valid.
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool ok = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; ok && k < length; ++k) ok = (static_cast<unsigned char>(text[i + k]) >> 6) == 2;
        if (ok) {
            out.append(text, i, length);
            i += length;
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
            ++i;
        }
    }
    return out;
}

bool isResultFileName(const std::string& name) {
    const std::string lower = toLower(name);
    return startsWith(lower, "result_") && endsWith(lower, ".json");
}

}  // namespace

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::optional<HistoryRun> parseResultFile(std::string_view text, std::string* whyNot) {
    const auto refuse = [&](std::string reason) -> std::optional<HistoryRun> {
        if (whyNot) *whyNot = std::move(reason);
        return std::nullopt;
    };
    if (nestsTooDeep(text, 64)) return refuse("not a result file: nested too deeply");
    const Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded()) return refuse("not valid JSON");
    if (!json.is_object()) return refuse("not a Melkrin result file");
    const Json* format = member(json, "format");
    if (!format || !format->is_string() || format->get<std::string>() != kResultFormat)
        return refuse("not a Melkrin result file");
    const Json* version = member(json, "formatVersion");
    if (!version || !version->is_number_integer() || version->get<long long>() < 1)
        return refuse("no valid format version");
    if (version->get<long long>() > kResultFormatVersion)
        return refuse("written in a newer format (version " + std::to_string(version->get<long long>()) +
                      "): update Melkrin to read it");
    try {
        return readRun(json);
    } catch (const Malformed& malformed) {
        return refuse("malformed: " + malformed.what);
    }
}

std::string historyPage(std::vector<HistoryRun> runs, const std::vector<SkippedResultFile>& skipped) {
    // Newest first; the file name breaks ties so the order never depends on the listing.
    std::sort(runs.begin(), runs.end(), [](const HistoryRun& a, const HistoryRun& b) {
        return a.startedAt != b.startedAt ? a.startedAt > b.startedAt : a.file > b.file;
    });
    std::string page;
    page.reserve(4096 + runs.size() * 2048);
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>Melkrin benchmark history</title>\n";
    page += kStyle;
    page += "</head>\n<body>\n<h1>Melkrin benchmark history</h1>\n";
    page += "<p class=\"hint\">" + std::to_string(runs.size()) + (runs.size() == 1 ? " run" : " runs") +
            " in this folder, newest first. Choose one run as A and another as B to compare them.</p>\n";

    page += "<h2>Runs</h2>\n";
    if (runs.empty()) {
        page += "<p id=\"no-runs\">No results in this folder yet: run a benchmark first.</p>\n";
    }
    page += "<table id=\"runs\">\n<thead><tr><th>Compare</th><th>Date</th><th>Note</th><th>Demo</th><th>Settings</th>"
            "<th>Machine</th><th>Results</th><th>Report</th></tr></thead>\n<tbody>\n";
    for (const auto& run : runs) runRow(page, run);
    page += "</tbody>\n</table>\n";

    page += "<h2>Comparison</h2>\n<div id=\"comparison\"><p class=\"hint\">Choose two runs in the table: one as A, the "
            "other as B.</p></div>\n";

    page += "<h2>Results over time</h2>\n<div id=\"charts\">\n";
    page += "<p class=\"hint\">Per resolution, the mean of every run from the oldest to the newest; a bar shows the "
            "95 % confidence interval of a run with more than one pass.</p>\n";
    // Resolutions in the order they first appear, oldest run first.
    std::vector<std::string> order;
    std::map<std::string, std::vector<ChartPoint>> byResolution;
    for (auto it = runs.rbegin(); it != runs.rend(); ++it)
        for (const auto& r : it->resolutions) {
            if (!r.statistics) continue;
            auto& points = byResolution[r.resolution];
            if (points.empty()) order.push_back(r.resolution);
            points.push_back({&*it, &*r.statistics});
        }
    if (order.empty()) page += "<p>No figures to chart yet.</p>\n";
    for (const auto& resolution : order) chart(page, resolution, byResolution[resolution]);
    page += "</div>\n";

    if (!skipped.empty()) {
        page += "<h2>Files left out</h2>\n<ul id=\"skipped\">\n";
        for (const auto& file : skipped)
            page += "<li><b>" + htmlEscape(file.file) + "</b>: " + htmlEscape(file.reason) + "</li>\n";
        page += "</ul>\n";
    }

    page += "<script type=\"application/json\" id=\"history-data\">" + comparisonData(runs) + "</script>\n";
    page += kScript;
    page += "</body>\n</html>\n";
    return page;
}

std::string historyFilePath(const std::string& resultsFolder) {
    std::string folder = resultsFolder;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder.push_back('\\');
    return folder + kHistoryFileName;
}

bool rebuildHistory(FileSystem& files, const std::string& resultsFolder, std::string* error, HistoryCounts* counts) {
    std::string folder = resultsFolder;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder.push_back('\\');
    std::vector<std::string> names;
    try {
        names = files.listFiles(resultsFolder, "result_*.json");
    } catch (const OsError& e) {
        if (error) *error = e.what();
        return false;
    }
    std::vector<HistoryRun> runs;
    std::vector<SkippedResultFile> skipped;
    for (const auto& name : names) {
        if (!isResultFileName(name)) continue;
        const std::string shownName = validUtf8(name);
        std::string bytes;
        try {
            bytes = files.readFile(folder + name);
        } catch (const OsError& e) {
            skipped.push_back({shownName, "cannot be read: " + validUtf8(e.what())});
            continue;
        }
        // Ours are a few kilobytes; a huge file is not one of them.
        if (bytes.size() > 16 * 1024 * 1024) {
            skipped.push_back({shownName, "too large for a result file"});
            continue;
        }
        std::string whyNot;
        auto run = parseResultFile(bytes, &whyNot);
        if (!run) {
            skipped.push_back({shownName, whyNot});
            continue;
        }
        run->file = shownName;
        runs.push_back(std::move(*run));
    }
    std::sort(skipped.begin(), skipped.end(),
              [](const SkippedResultFile& a, const SkippedResultFile& b) { return a.file < b.file; });
    if (counts) *counts = {static_cast<int>(runs.size()), static_cast<int>(skipped.size())};
    try {
        files.writeFile(historyFilePath(resultsFolder), historyPage(std::move(runs), skipped));
    } catch (const OsError& e) {
        if (error) *error = e.what();
        return false;
    }
    return true;
}

}  // namespace melkrin
