#include "run/result_files.h"

#include <cstdio>

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

// Quoted when it holds a separator, a quote or a line break; quotes doubled.
std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
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

std::string resultJson(const ResultRecord& r, const TextToUtf8& toUtf8) {
    const TextToUtf8 utf8 = toUtf8 ? toUtf8 : TextToUtf8(latin1ToUtf8);
    Json json;
    json["format"] = kResultFormat;
    json["formatVersion"] = kResultFormatVersion;
    json["program"] = "Melkrin";
    json["version"] = utf8(r.version);
    json["startedAt"] = r.startedAt;
    json["endedAt"] = r.endedAt;
    json["report"] = r.reportFile.empty() ? Json() : Json(utf8(r.reportFile));
    json["note"] = utf8(r.note);

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
    return json.dump(2) + "\r\n";
}

Json passesJson(const std::vector<PassOutcome>& passes, const TextToUtf8& utf8) {
    Json list = Json::array();
    for (const PassOutcome& pass : passes) {
        Json entry;
        entry["fps"] = optionalNumber(pass.fps);
        if (!pass.fps) entry["reason"] = utf8(pass.reason);
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

std::string resultsCsvHeader() {
    return "started,note,demo,resolution,antialiasing,filtering,hdr,renderer,passes,counted,mean,stdDev,"
           "stdDevPercent,ci95Low,ci95High,min,max,stopped,version,processor,videoCard\r\n";
}

std::string resultsCsvRows(const ResultRecord& r) {
    std::string rows;
    const std::string demo = r.demoNumber ? std::to_string(*r.demoNumber) : r.demoFile;
    const char* aa = aaName(r.quality);
    const char* af = afName(r.quality);
    for (const SlotOutcome& slot : r.slots) {
        const auto& s = slot.statistics;
        const std::vector<std::string> fields = {
            r.startedAt,
            r.note,
            demo,
            slot.size,
            aa ? aa : "",
            af ? af : "",
            r.quality.hdr ? "on" : "off",
            r.quality.renderer == Renderer::OpenGL ? "OpenGL" : "Direct3D",
            std::to_string(slot.passes.size()),
            std::to_string(s ? s->count : 0),
            s ? number(s->mean) : "",
            s ? number(s->stdDev) : "",
            s ? number(s->stdDevPercent) : "",
            s ? number(s->ci95Low) : "",
            s ? number(s->ci95High) : "",
            s ? number(s->min) : "",
            s ? number(s->max) : "",
            slot.stopped ? "yes" : "no",
            r.version,
            r.machine.cpuName,
            videoCard(r.machine),
        };
        for (std::size_t i = 0; i < fields.size(); ++i) rows += (i ? "," : "") + csvField(fields[i]);
        rows += "\r\n";
    }
    return rows;
}

}  // namespace melkrin
