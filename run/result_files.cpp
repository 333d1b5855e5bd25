#include "run/result_files.h"

#include <cstdio>
#include <string_view>

#include "run/result_json.h"

namespace melkrin {
namespace {

using Json = nlohmann::ordered_json;

const char* const kAa[] = {"off", "low", "medium", "high"};
const char* const kAf[] = {"off", "2x", "4x", "8x", "16x"};

std::string folderWithSlash(const std::string& folder) {
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') return folder + "\\";
    return folder;
}

Json optionalNumber(const std::optional<double>& value) { return value ? Json(*value) : Json(); }

std::string videoCard(const SystemInfo& info) {
    if (info.atiAdapter.present) return info.atiAdapter.cardName;
    if (info.classAdapter.present) return info.classAdapter.driverDesc;
    return {};
}

const char* aaName(const QualityChoices& q) {
    return q.aaLevel && *q.aaLevel >= 0 && *q.aaLevel <= 3 ? kAa[*q.aaLevel] : nullptr;
}
const char* afName(const QualityChoices& q) {
    return q.afLevel && *q.afLevel >= 0 && *q.afLevel <= 4 ? kAf[*q.afLevel] : nullptr;
}

std::string number(const std::optional<double>& value) {
    if (!value) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", *value);
    return text;
}

Json optionalText(const std::optional<std::string>& value) { return value ? Json(*value) : Json(); }

// A table row's cell: a text (neutralised when a spreadsheet would take it for
// a formula) or a number this program formatted, which stays as it is.
struct Cell {
    std::string text;
    bool number = false;
};

Cell text(std::string value) { return {std::move(value), false}; }
Cell numeric(std::string value) { return {std::move(value), true}; }

std::string quoted(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// The header's first line as written, without a byte-order mark.
std::string firstLineOf(const std::string& content) {
    std::string line = content.substr(0, content.find_first_of("\r\n"));
    if (line.rfind(kUtf8Bom, 0) == 0) line.erase(0, 3);
    return line;
}

bool takesOurRows(const std::optional<std::string>& content) {
    if (!content || content->empty()) return true;
    const std::string header = resultsCsvHeader();
    return firstLineOf(*content) == header.substr(0, header.size() - 2);
}

}  // namespace

std::string latin1ToUtf8(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string resultJsonPath(const std::string& resultsFolder, const std::string& stamp) {
    return folderWithSlash(resultsFolder) + "result_" + stamp + ".json";
}

std::string resultsCsvPath(const std::string& resultsFolder) {
    return folderWithSlash(resultsFolder) + kResultsCsvName;
}

std::string versionedResultsCsvPath(const std::string& resultsFolder) {
    return folderWithSlash(resultsFolder) + "results-" + std::to_string(kResultFormatVersion) + "." +
           std::to_string(kResultFormatMinorVersion) + ".csv";
}

std::string resultJson(const ResultRecord& record, const TextToUtf8& toUtf8) {
    return resultJsonObject(record, toUtf8).dump(2) + "\r\n";
}

Json resultJsonObject(const ResultRecord& r, const TextToUtf8& toUtf8) {
    const TextToUtf8 utf8 = toUtf8 ? toUtf8 : TextToUtf8(latin1ToUtf8);
    Json json;
    json["format"] = kResultFormat;
    json["formatVersion"] = kResultFormatVersion;
    json["formatMinorVersion"] = kResultFormatMinorVersion;
    const RunProvenance& p = r.provenance;
    json["runId"] = p.runId.empty() ? Json() : Json(p.runId);
    json["program"] = "Melkrin";
    json["version"] = utf8(r.version);
    json["programSha256"] = optionalText(p.programSha256);
    json["game"] = Json{{"fileVersion", p.gameFileVersion ? Json(utf8(*p.gameFileVersion)) : Json()},
                        {"sha256", optionalText(p.gameSha256)}};
    json["startedAt"] = r.startedAt;
    json["utcOffset"] = p.utcOffset.empty() ? Json() : Json(p.utcOffset);
    json["endedAt"] = r.endedAt;
    json["report"] = r.reportFile.empty() ? Json() : Json(utf8(r.reportFile));
    json["note"] = utf8(r.note);
    json["configurationSha256"] = optionalText(p.configurationSha256);

    Json machine;
    machine["operatingSystem"] = utf8(r.machine.operatingSystem);
    machine["processor"] = utf8(r.machine.cpuName);
    machine["clock"] = r.machine.cpuSpeed ? utf8(cpuSpeedText(r.machine.cpuSpeed)) : std::string();
    machine["memory"] = r.machine.systemMemory ? Json(utf8(*r.machine.systemMemory)) : Json();
    machine["videoCard"] = utf8(videoCard(r.machine));
    machine["driverVersion"] = utf8(r.machine.driverVersion);
    machine["displayMemory"] = utf8(r.machine.displayMemory);
    machine["soundSystem"] = utf8(r.machine.soundSystem);
    Json facts = Json::array();
    const MachineDescription description = describeMachine(r.machine);
    const auto addFacts = [&](const std::vector<MachineFact>& list) {
        for (const auto& fact : list) facts.push_back(Json{{"label", utf8(fact.label)}, {"value", utf8(fact.value)}});
    };
    addFacts(description.system);
    for (const auto& block : description.adapters) addFacts(block);
    machine["facts"] = facts;
    json["machine"] = machine;

    Json options;
    Json sizes = Json::array();
    for (const auto& size : r.resolutions) sizes.push_back(utf8(size));
    options["resolutions"] = sizes;
    options["demo"] = r.demoNumber ? Json(*r.demoNumber) : Json(utf8(r.demoFile));
    options["demoSha256"] = optionalText(p.demoSha256);
    options["antialiasing"] = aaName(r.quality) ? Json(aaName(r.quality)) : Json();
    options["filtering"] = afName(r.quality) ? Json(afName(r.quality)) : Json();
    options["hdr"] = r.quality.hdr;
    options["renderer"] = r.quality.renderer == Renderer::OpenGL ? "OpenGL" : "Direct3D";
    options["passes"] = passesOptionJson(r.plan);
    options["warmUp"] = r.plan.warmUp;
    options["timeLimit"] = r.timeLimit;
    json["options"] = options;

    Json slots = Json::array();
    for (const SlotOutcome& slot : r.slots) {
        Json entry;
        entry["resolution"] = utf8(slot.size);
        entry["passes"] = passesJson(slot.passes, utf8);
        entry["stopped"] = slot.stopped;
        entry["statistics"] = statisticsJson(slot.statistics);
        slots.push_back(entry);
    }
    json["resolutions"] = slots;
    return json;
}

Json passesJson(const std::vector<PassOutcome>& passes, const TextToUtf8& utf8) {
    Json list = Json::array();
    for (const PassOutcome& pass : passes) {
        Json entry;
        entry["fps"] = optionalNumber(pass.fps);
        if (!pass.fps) entry["reason"] = utf8(pass.reason);
        entry["startedAt"] = pass.startedAt.empty() ? Json() : Json(pass.startedAt);
        entry["durationSeconds"] = optionalNumber(pass.durationSeconds);
        list.push_back(entry);
    }
    return list;
}

Json statisticsJson(const std::optional<PassStatistics>& statistics) {
    if (!statistics) return Json();
    const PassStatistics& s = *statistics;
    Json json;
    json["count"] = s.count;
    json["mean"] = s.mean;
    json["stdDev"] = optionalNumber(s.stdDev);
    json["stdDevPercent"] = optionalNumber(s.stdDevPercent);
    json["ci95Low"] = optionalNumber(s.ci95Low);
    json["ci95High"] = optionalNumber(s.ci95High);
    json["min"] = s.min;
    json["max"] = s.max;
    return json;
}

Json passesOptionJson(const PassPlan& plan) { return plan.untilStable ? Json(kUntilStable) : Json(plan.count); }

std::string csvTextField(const std::string& utf8Text) {
    const bool formulaLike = !utf8Text.empty() && std::string_view("=+-@\t\r").find(utf8Text.front()) != std::string_view::npos;
    return quoted(formulaLike ? "'" + utf8Text : utf8Text);
}

CsvTarget chooseResultsCsv(const std::optional<std::string>& mainFirstLine,
                           const std::optional<std::string>& versionedFirstLine) {
    if (takesOurRows(mainFirstLine)) return CsvTarget::Main;
    if (takesOurRows(versionedFirstLine)) return CsvTarget::Versioned;
    return CsvTarget::Neither;
}

// Columns only ever go to the end of a new layout, which also gets a new
// versioned file name: a spreadsheet's formulas over an older file keep working.
std::string resultsCsvHeader() {
    std::string header =
        "started,note,demo,resolution,antialiasing,filtering,hdr,renderer,passesRule,warmUp,timeLimit,passes,"
        "counted,mean,stdDev,stdDevPercent,ci95Low,ci95High,min,max,stopped";
    for (int i = 1; i <= PassPlan::kMostPasses; ++i) header += ",pass" + std::to_string(i);
    return header + ",version,system,processor,memory,videoCard,driverVersion,gameVersion,runId\r\n";
}

std::string resultsCsvRows(const ResultRecord& r, const TextToUtf8& toUtf8) {
    const TextToUtf8 utf8 = toUtf8 ? toUtf8 : TextToUtf8(latin1ToUtf8);
    std::string rows;
    const std::string demo = r.demoNumber ? std::to_string(*r.demoNumber) : r.demoFile;
    const char* aa = aaName(r.quality);
    const char* af = afName(r.quality);
    const RunProvenance& p = r.provenance;
    // The start with its zone when known: unambiguous, and no spreadsheet takes it for a formula.
    const std::string started = r.startedAt + p.utcOffset;
    for (const SlotOutcome& slot : r.slots) {
        const auto& s = slot.statistics;
        std::vector<Cell> cells = {
            text(started),
            text(utf8(r.note)),
            r.demoNumber ? numeric(demo) : text(utf8(demo)),
            text(slot.size),
            text(aa ? aa : ""),
            text(af ? af : ""),
            text(r.quality.hdr ? "on" : "off"),
            text(r.quality.renderer == Renderer::OpenGL ? "OpenGL" : "Direct3D"),
            r.plan.untilStable ? text(kUntilStable) : numeric(std::to_string(r.plan.count)),
            text(r.plan.warmUp ? "yes" : "no"),
            numeric(std::to_string(r.timeLimit)),
            numeric(std::to_string(slot.passes.size())),
            numeric(std::to_string(s ? s->count : 0)),
            numeric(s ? number(s->mean) : ""),
            numeric(s ? number(s->stdDev) : ""),
            numeric(s ? number(s->stdDevPercent) : ""),
            numeric(s ? number(s->ci95Low) : ""),
            numeric(s ? number(s->ci95High) : ""),
            numeric(s ? number(s->min) : ""),
            numeric(s ? number(s->max) : ""),
            text(slot.stopped ? "yes" : "no"),
        };
        for (std::size_t i = 0; i < static_cast<std::size_t>(PassPlan::kMostPasses); ++i)
            cells.push_back(numeric(i < slot.passes.size() ? number(slot.passes[i].fps) : ""));
        for (const std::string& fact :
             {r.version, r.machine.operatingSystem, r.machine.cpuName, r.machine.systemMemory.value_or(""),
              videoCard(r.machine), r.machine.driverVersion, p.gameFileVersion.value_or("")})
            cells.push_back(text(utf8(fact)));
        cells.push_back(text(p.runId));
        for (std::size_t i = 0; i < cells.size(); ++i)
            rows += (i ? "," : "") + (cells[i].number ? cells[i].text : csvTextField(cells[i].text));
        rows += "\r\n";
    }
    return rows;
}

}  // namespace melkrin
