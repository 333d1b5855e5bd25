#include "sysinfo/diagnostics.h"

#include <utility>
#include <vector>

#include "common/errors.h"
#include "common/text.h"
#include "settings/settings_names.h"

namespace melkrin {
namespace {

constexpr std::string_view kMemoryLabel = "Display Memory:";
constexpr std::string_view kDriverLabel = "Driver Version:";
constexpr std::string_view kSoundLabel = "Description:";

// The text after the first "=", else the line without its first character.
std::string prepared(const std::string& line) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) return line.substr(equals + 1);
    return line.empty() ? std::string() : line.substr(1);
}

std::string withoutLeadingBlanks(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size() && static_cast<unsigned char>(text[start]) <= ' ') ++start;
    return text.substr(start);
}

std::string from(const std::string& text, std::size_t position) {
    return position < text.size() ? text.substr(position) : std::string();
}

std::string eraseFirst(std::string text, char c) {
    const auto at = text.find(c);
    if (at != std::string::npos) text.erase(at, 1);
    return text;
}

class ReportScan {
public:
    explicit ReportScan(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    // The current line's prepared text once it contains the label; none when
    // the lines ran out first. The line found stays current.
    std::optional<std::string> find(std::string_view label) {
        if (current_ >= lines_.size()) return std::nullopt;
        const std::string wanted = toLower(std::string(label));
        std::string text = prepared(lines_[current_]);
        while (!contains(toLower(text), wanted)) {
            if (++current_ >= lines_.size()) return std::nullopt;
            text = withoutLeadingBlanks(prepared(lines_[current_]));
        }
        return text;
    }

private:
    std::vector<std::string> lines_;
    std::size_t current_ = 0;
};

}  // namespace

DiagnosticReport parseDiagnosticReport(std::string_view text) {
    ReportScan scan(splitLines(text));
    DiagnosticReport report;
    if (const auto line = scan.find(kMemoryLabel)) report.displayMemory = from(*line, kMemoryLabel.size());
    if (const auto line = scan.find(kDriverLabel)) report.driverVersion = from(*line, kDriverLabel.size());
    if (const auto line = scan.find(kSoundLabel))
        report.soundSystem = eraseFirst(eraseFirst(from(*line, kSoundLabel.size() - 1), ':'), ' ');
    return report;
}

Diagnostics diagnosticsFrom(const DiagnosticReport& report) {
    return {report.displayMemory.value_or(kIndeterminable), report.driverVersion.value_or(kIndeterminable),
            report.soundSystem.value_or(kIndeterminable)};
}

DiagnosticCollector::DiagnosticCollector(ProcessRunner& dxrun, FileSystem& files, SettingsStore& settings,
                                         std::string systemFolder, std::string programFolder)
    : dxrun_(dxrun),
      files_(files),
      settings_(settings),
      systemFolder_(std::move(systemFolder)),
      programFolder_(std::move(programFolder)) {
    dxrun_.onTerminate = [this](ProcessRunner& sender, std::uint32_t exitCode) {
        if (guard_)
            guard_([&] { dxrunTerminate(sender, exitCode); });
        else
            dxrunTerminate(sender, exitCode);
    };
}

std::string DiagnosticCollector::toolPath() const { return systemFolder_ + "\\dxdiag.exe"; }

std::string DiagnosticCollector::reportPath() const { return programFolder_ + kReportFileName; }

void DiagnosticCollector::collectDiagnostics(Continuation continuation) {
    continuation_ = std::move(continuation);
    if (!files_.fileExists(toolPath())) {
        values_ = {kIndeterminable, kIndeterminable, kIndeterminable};
        if (continuation_) continuation_(values_);
        return;
    }
    // The report path goes in unquoted, as the tool expects it.
    dxrun_.commandLine = toolPath() + " /whql:on /t " + reportPath();
    dxrun_.currentDirectory = systemFolder_;
    dxrun_.start();
}

void DiagnosticCollector::dxrunTerminate(ProcessRunner&, std::uint32_t) {
    DiagnosticReport report;
    const bool exists = files_.fileExists(reportPath());
    if (exists) {
        try {
            report = parseDiagnosticReport(files_.readFile(reportPath()));
        } catch (const std::exception&) {
            // An unreadable report yields nothing, like a missing one.
        }
    }
    values_ = diagnosticsFrom(report);
    if (settings_.open(names::kSettingsKey, false)) {
        cache(names::kDisplayMemory, report.displayMemory);
        cache(names::kDriverVersion, report.driverVersion);
        cache(names::kSound, report.soundSystem);
    }
    if (exists) (void)files_.deleteFile(reportPath());
    if (continuation_) continuation_(values_);
}

void DiagnosticCollector::cache(const char* name, const std::optional<std::string>& value) {
    if (!value || value->empty()) return;
    try {
        settings_.writeString(name, *value);
    } catch (const std::exception&) {
        // Not cached: the next run asks the tool again.
    }
}

}  // namespace melkrin
