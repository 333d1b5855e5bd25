// The DirectX diagnostic tool's text report "dxinfo.txt", as any bytes.
#include "fuzz_support.h"
#include "sysinfo/diagnostics.h"

using namespace melkrin;

namespace {
bool oneLine(const std::optional<std::string>& value) {
    return !value || value->find_first_of("\r\n") == std::string::npos;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::bytesOf(data, size);
    const DiagnosticReport report = parseDiagnosticReport(text);
    // Each value is taken from one line of the report and is never longer than it.
    fuzz::require(oneLine(report.displayMemory) && oneLine(report.driverVersion) && oneLine(report.soundSystem),
                  "a value spans lines");
    for (const auto* value : {&report.displayMemory, &report.driverVersion, &report.soundSystem})
        fuzz::require(!*value || (*value)->size() <= text.size(), "a value is longer than the report");
    // A later label is only looked for once the earlier ones were found.
    fuzz::require(report.displayMemory || (!report.driverVersion && !report.soundSystem), "scan order broken");
    fuzz::require(report.driverVersion || !report.soundSystem, "scan order broken");
    const Diagnostics values = diagnosticsFrom(report);
    fuzz::require(report.displayMemory || values.displayMemory == kIndeterminable, "missing value not marked");
    return 0;
}
