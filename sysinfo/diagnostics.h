#pragma once
// The DirectX diagnostic step: runs the diagnostic tool hidden, picks the
// graphics memory, the driver version and the first sound device out of its
// text report and keeps them in the settings (the diagnostic cache).
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/file_system.h"
#include "common/process_runner.h"
#include "settings/settings_store.h"

namespace melkrin {

inline constexpr const char* kIndeterminable = "indeterminable";
inline constexpr const char* kReportFileName = "dxinfo.txt";

struct Diagnostics {
    std::string displayMemory;
    std::string driverVersion;
    std::string soundSystem;
};

// What the report yielded; a label that was not found gives none.
struct DiagnosticReport {
    std::optional<std::string> displayMemory;
    std::optional<std::string> driverVersion;
    std::optional<std::string> soundSystem;
};

// Finds "Display Memory:", then "Driver Version:", then "Description:",
// each search starting at the line where the previous one stopped, and takes
// the values by position. A label missing before the end ends the scan.
DiagnosticReport parseDiagnosticReport(std::string_view text);

// The values to use: "indeterminable" for each one the report did not give.
Diagnostics diagnosticsFrom(const DiagnosticReport& report);

// Owns the diagnostic tool's run for the main window: dxrun's end handler is
// dxrunTerminate.
class DiagnosticCollector {
public:
    using Continuation = std::function<void(const Diagnostics&)>;
    // Runs a handler and shows what it raised: the application-wide error display.
    using Guard = std::function<void(const std::function<void()>&)>;

    // systemFolder without and programFolder with a trailing backslash.
    DiagnosticCollector(ProcessRunner& dxrun, FileSystem& files, SettingsStore& settings, std::string systemFolder,
                        std::string programFolder);
    DiagnosticCollector(const DiagnosticCollector&) = delete;
    DiagnosticCollector& operator=(const DiagnosticCollector&) = delete;

    // Starts the tool and returns; the continuation follows from
    // dxrunTerminate. Without the tool the values are "indeterminable" and
    // the continuation is called at once. A refused start raises OsError.
    void collectDiagnostics(Continuation continuation);
    // Reads and deletes the report, caches what it found and calls the
    // continuation. The cache only saves later runs the tool's time, so a
    // value that cannot be stored is left out; nothing here stops the run.
    void dxrunTerminate(ProcessRunner& sender, std::uint32_t exitCode);
    // The tool's end goes through guard, as every other handler of the window.
    void setGuard(Guard guard) { guard_ = std::move(guard); }

    const Diagnostics& values() const { return values_; }
    std::string toolPath() const;
    std::string reportPath() const;

private:
    void cache(const char* name, const std::optional<std::string>& value);

    ProcessRunner& dxrun_;
    FileSystem& files_;
    SettingsStore& settings_;
    std::string systemFolder_;
    std::string programFolder_;
    Continuation continuation_;
    Guard guard_;
    Diagnostics values_;
};

}  // namespace melkrin
