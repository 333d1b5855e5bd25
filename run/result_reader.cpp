#include "run/result_reader.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

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
            r.passes.push_back({number(pass, "fps", at), text(pass, "reason", at), text(pass, "startedAt", at),
                                number(pass, "durationSeconds", at)});
            if (r.passes.back().durationSeconds && *r.passes.back().durationSeconds < 0)
                throw Malformed{at + "durationSeconds is below zero"};
        }
    }
    r.stopped = flag(json, "stopped", where);
    const Json* statistics = member(json, "statistics");
    if (statistics && !statistics->is_null()) r.statistics = readStatistics(*statistics, where + "statistics.");
    return r;
}

// A hash is compared with another file's: case must not make two alike differ.
std::string hashText(const Json& object, const char* name, const std::string& where) {
    return toLower(text(object, name, where));
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
    run.runId = text(json, "runId", "");
    run.utcOffset = text(json, "utcOffset", "");
    run.programSha256 = hashText(json, "programSha256", "");
    run.configurationSha256 = hashText(json, "configurationSha256", "");
    if (const Json* game = member(json, "game"); game && !game->is_null()) {
        if (!game->is_object()) throw Malformed{"game is not an object"};
        run.gameFileVersion = text(*game, "fileVersion", "game.");
        run.gameSha256 = hashText(*game, "sha256", "game.");
    }
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
        run.demoSha256 = hashText(*options, "demoSha256", at);
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

HistoryRun parseResultFile(std::string_view text) {
    if (nestsTooDeep(text, 64)) throw ResultFileRefused("not a result file: nested too deeply");
    const Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded()) throw ResultFileRefused("not valid JSON");
    if (!json.is_object()) throw ResultFileRefused("not a Melkrin result file");
    const Json* format = member(json, "format");
    if (!format || !format->is_string() || format->get<std::string>() != kResultFormat)
        throw ResultFileRefused("not a Melkrin result file");
    const Json* version = member(json, "formatVersion");
    if (!version || !version->is_number_integer() || version->get<long long>() < 1)
        throw ResultFileRefused("no valid format version");
    if (version->get<long long>() > kResultFormatVersion)
        throw ResultFileRefused("written in a newer format (version " + std::to_string(version->get<long long>()) +
                                "): update Melkrin to read it");
    try {
        return readRun(json);
    } catch (const Malformed& malformed) {
        throw ResultFileRefused("malformed: " + malformed.what);
    }
}

ResultFolder readResultFolder(FileSystem& files, const std::string& resultsFolder) {
    std::string folder = resultsFolder;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder.push_back('\\');
    ResultFolder read;
    for (const auto& name : files.listFiles(resultsFolder, "result_*.json")) {
        if (!isResultFileName(name)) continue;
        const std::string shownName = validUtf8(name);
        std::string bytes;
        try {
            bytes = files.readFile(folder + name);
        } catch (const OsError& e) {
            read.skipped.push_back({shownName, "cannot be read: " + validUtf8(e.what())});
            continue;
        }
        // Ours are a few kilobytes; a huge file is not one of them.
        if (bytes.size() > 16 * 1024 * 1024) {
            read.skipped.push_back({shownName, "too large for a result file"});
            continue;
        }
        try {
            HistoryRun run = parseResultFile(bytes);
            run.file = shownName;
            read.runs.push_back(std::move(run));
        } catch (const ResultFileRefused& refused) {
            read.skipped.push_back({shownName, refused.what()});
        }
    }
    std::sort(read.skipped.begin(), read.skipped.end(),
              [](const SkippedResultFile& a, const SkippedResultFile& b) { return a.file < b.file; });
    return read;
}

}  // namespace melkrin
