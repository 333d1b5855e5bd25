#include "app/command_line.h"

#include <algorithm>
#include <map>

#include "common/text.h"
#include "run/pass_statistics.h"
#include "run/resolution_slot.h"
#include "settings/resolutions.h"

namespace melkrin {
namespace {

constexpr unsigned kLongestTimeLimit = kLongestGameTimeLimit;
constexpr int kSmallestSide = 16;
constexpr int kLargestSide = 16384;

struct Refusal {
    std::string reason;
};

std::vector<std::string> splitOn(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

bool allDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A side of a size: decimal digits without a leading zero, in a range a game can show.
std::optional<std::string> side(const std::string& text) {
    if (!allDigits(text) || text.size() > 5 || text[0] == '0') return std::nullopt;
    const int value = std::stoi(text);
    if (value < kSmallestSide || value > kLargestSide) return std::nullopt;
    return text;
}

void takeResolutions(const std::string& value, RunOptions& run) {
    std::vector<int> fixed;
    for (const std::string& raw : splitOn(value, ',')) {
        const std::string item = toLower(trim(raw));
        const auto x = item.find('x');
        const auto width = x == std::string::npos ? std::nullopt : side(trim(item.substr(0, x)));
        const auto height = x == std::string::npos ? std::nullopt : side(trim(item.substr(x + 1)));
        if (!width || !height)
            throw Refusal{"\"" + trim(raw) + "\" is no resolution: write it as width x height, for example 800x600."};
        const auto known = std::find_if(kFixedResolutions.begin(), kFixedResolutions.end(), [&](const auto& r) {
            return *width == r.width && *height == r.height;
        });
        if (known != kFixedResolutions.end()) {
            const int slot = static_cast<int>(known - kFixedResolutions.begin());
            if (std::find(fixed.begin(), fixed.end(), slot) != fixed.end())
                throw Refusal{"The resolution " + item + " is given twice."};
            fixed.push_back(slot);
        } else if (run.customSize) {
            throw Refusal{"Only one resolution besides the nine fixed ones can be run: " + run.customSize->first + "x" +
                          run.customSize->second + " and " + item + "."};
        } else {
            run.customSize = std::make_pair(*width, *height);
        }
    }
    std::sort(fixed.begin(), fixed.end());
    run.fixedSlots = fixed;
}

template <class T>
T named(const std::string& option, const std::string& value, const std::map<std::string, T>& names) {
    const auto it = names.find(toLower(value));
    if (it != names.end()) return it->second;
    std::string known;
    for (const auto& [name, unused] : names) known += (known.empty() ? "" : ", ") + name;
    throw Refusal{"/" + option + " takes one of " + known + ", not \"" + value + "\"."};
}

void takeOption(const std::string& name, const std::string& value, RunOptions& run) {
    if (name == "res") return takeResolutions(value, run);
    if (name == "demo") {
        if (allDigits(value)) {
            if (value.size() != 1 || value[0] < '1' || value[0] > '3')
                throw Refusal{"/demo takes a built-in demo 1, 2 or 3, or a demo file, not \"" + value + "\"."};
            run.demoNumber = value[0] - '0';
        } else {
            run.demoFile = value;
        }
        return;
    }
    if (name == "aa") {
        run.aaLevel = named<int>(name, value, {{"off", 0}, {"low", 1}, {"medium", 2}, {"high", 3}});
        return;
    }
    if (name == "af") {
        run.afLevel = named<int>(name, value, {{"off", 0}, {"2x", 1}, {"4x", 2}, {"8x", 3}, {"16x", 4}});
        return;
    }
    if (name == "hdr") {
        run.hdr = named<bool>(name, value, {{"on", true}, {"off", false}});
        return;
    }
    if (name == "renderer") {
        run.renderer = named<Renderer>(name, value, {{"opengl", Renderer::OpenGL}, {"direct3d", Renderer::Direct3D}});
        return;
    }
    if (name == "results") {
        // A folder always ends in its separator, as the window keeps it.
        run.resultsFolder = endsWith(value, "\\") || endsWith(value, "/") ? value : value + "\\";
        return;
    }
    if (name == "note") {
        if (value.size() > kNoteLimit)
            throw Refusal{"The note has " + std::to_string(value.size()) + " characters; at most " +
                          std::to_string(kNoteLimit) + " fit."};
        run.note = value;
        return;
    }
    if (name == "json") {
        run.jsonPath = value;
        return;
    }
    if (name == "timelimit") {
        if (!allDigits(value) || value.size() > 9 || std::stoul(value) > kLongestTimeLimit)
            throw Refusal{"/timelimit takes seconds from 0 (no limit) to " + std::to_string(kLongestTimeLimit) +
                          ", not \"" + value + "\"."};
        run.gameTimeLimit = static_cast<unsigned>(std::stoul(value));
        return;
    }
    if (name == "passes") {
        if (toLower(trim(value)) == "stable") {
            run.passes = kUntilStable;
            return;
        }
        if (!allDigits(value) || value.size() > 2 || value[0] == '0' || std::stoi(value) > PassPlan::kMostPasses)
            throw Refusal{"/passes takes 1 to " + std::to_string(PassPlan::kMostPasses) + " or stable, not \"" +
                          value + "\"."};
        run.passes = value;
        return;
    }
    if (name == "warmup") {
        run.warmUp = named<bool>(name, value, {{"on", true}, {"off", false}});
        return;
    }
    throw Refusal{"Unknown option /" + name + "."};
}

// Options that take a value; an empty value means nothing for any of them
// except the note, which may be emptied for one run.
bool takesValue(const std::string& name) {
    static const char* const names[] = {"res",  "demo", "aa",        "af",     "hdr",   "renderer",
                                        "results", "note", "json", "timelimit", "passes", "warmup"};
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    // The update's restart argument (with or without its method digit) opens
    // the window whatever else follows: the restarted program must come up.
    for (const auto& arg : args)
        if (startsWith(toLower(arg), "/afterupgrade")) {
            line.afterUpgrade = true;
            return line;
        }
    // Known before anything else is looked at: "/?" and a refusal show no box either.
    for (const auto& arg : args)
        if (toLower(arg) == "/quiet" || toLower(arg) == "-quiet") line.quiet = true;
    for (const auto& arg : args)
        if (arg == "/?" || arg == "-?" || toLower(arg) == "/help") {
            line.action = CommandLine::Action::Usage;
            return line;
        }
    try {
        bool run = false;
        bool anyOption = false;
        std::vector<std::string> seen;
        for (const auto& arg : args) {
            if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-'))
                throw Refusal{"\"" + arg + "\" is no option; options begin with \"/\"."};
            const auto colon = arg.find(':');
            const std::string name = toLower(arg.substr(1, colon == std::string::npos ? std::string::npos : colon - 1));
            const std::string value = colon == std::string::npos ? std::string() : arg.substr(colon + 1);
            if (std::find(seen.begin(), seen.end(), name) != seen.end())
                throw Refusal{"/" + name + " is given twice."};
            seen.push_back(name);
            if (name == "run" || name == "quiet") {
                if (colon != std::string::npos) throw Refusal{"/" + name + " takes no value."};
                (name == "run" ? run : line.quiet) = true;
                continue;
            }
            if (!takesValue(name)) throw Refusal{"Unknown option /" + name + "."};
            if (name == "warmup" && colon == std::string::npos) {
                line.run.warmUp = true;  // "/warmup" alone switches it on
                anyOption = true;
                continue;
            }
            if (trim(value).empty() && name != "note")
                throw Refusal{"/" + name + " needs a value: /" + name + ":..."};
            takeOption(name, value, line.run);
            anyOption = true;
        }
        if (!run && (anyOption || line.quiet)) throw Refusal{"The options are for a benchmark run: add /run."};
        line.action = run ? CommandLine::Action::Run : CommandLine::Action::Window;
    } catch (const Refusal& refusal) {
        line.action = CommandLine::Action::Refused;
        line.error = refusal.reason;
        line.run = RunOptions{};
    }
    return line;
}

std::string usageText() {
    return "melkrin.exe                opens the window\r\n"
           "melkrin.exe /run [options] benchmarks at once and ends\r\n"
           "\r\n"
           "/res:640x480,800x600,...   the resolutions; a size that is none of the nine\r\n"
           "                           fixed ones is the custom size (one at most)\r\n"
           "/demo:1|2|3|FILE           a built-in demo or a demo file\r\n"
           "/aa:off|low|medium|high    antialiasing\r\n"
           "/af:off|2x|4x|8x|16x       anisotropic filtering\r\n"
           "/hdr:on|off                HDR rendering\r\n"
           "/renderer:opengl|direct3d  the renderer\r\n"
           "/results:FOLDER            where the report goes (an existing folder)\r\n"
           "/note:TEXT                 the report's comment (at most 50 characters)\r\n"
           "/json:FILE                 also write the results as JSON; /json:- writes\r\n"
           "                           them to the console (standard output)\r\n"
           "/timelimit:SECONDS         the longest a game may run (0: no limit)\r\n"
           "/passes:1..10|stable       passes per resolution; stable: 3 to 10, until\r\n"
           "                           the mean is known to within \xB1" "1 %\r\n"
           "/warmup[:on|off]           one pass first at each resolution that does\r\n"
           "                           not count\r\n"
           "/quiet                     no report opened, no window that waits for a\r\n"
           "                           click; messages go to the console\r\n"
           "\r\n"
           "Options left out take the stored ones; none given is stored.\r\n"
           "Exit codes: 0 done, 1 error, 2 refused, 3 a resolution gave no figure,\r\n"
           "4 cancelled, 5 crashed.";
}

// ---------------------------------------------------------------- the run's request

RunRequest commandLineRunRequest(RunRequest request, const RunOptions& options) {
    if (options.fixedSlots) {
        bool checked[kCustomSlot + 1] = {};
        for (int slot : *options.fixedSlots)
            if (slot >= 0 && slot < kCustomSlot) checked[slot] = true;
        checked[kCustomSlot] = options.customSize.has_value();
        request.slots = options.customSize ? chosenSlots(checked, options.customSize->first, options.customSize->second)
                                           : chosenSlots(checked, {}, {});
    }
    if (options.resultsFolder) request.resultsFolder = *options.resultsFolder;
    if (options.note) request.note = *options.note;
    if (options.demoNumber)
        request.demoNumber = options.demoNumber;
    else if (options.demoFile)
        request.demoNumber = 4;  // the user-defined demo
    if (options.demoFile) request.demoFile = *options.demoFile;
    if (options.aaLevel) request.quality.aaLevel = options.aaLevel;
    if (options.afLevel) request.quality.afLevel = options.afLevel;
    if (options.hdr) request.quality.hdr = *options.hdr;
    if (options.renderer) request.quality.renderer = *options.renderer;
    if (options.gameTimeLimit) request.timeLimit = std::min(*options.gameTimeLimit, kLongestGameTimeLimit);
    if (options.passes) {
        const PassPlan given = PassPlan::fromStored(*options.passes, "");
        request.passes.count = given.count;
        request.passes.untilStable = given.untilStable;
    }
    if (options.warmUp) request.passes.warmUp = *options.warmUp;
    return request;
}

}  // namespace melkrin
