#pragma once
// The description of the machine a benchmark ran on, collected anew for every
// run after the diagnostic values are known.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "sysinfo/adapter_info.h"
#include "sysinfo/diagnostics.h"
#include "sysinfo/display_driver.h"
#include "sysinfo/machine.h"

namespace melkrin {

struct SystemInfo {
    std::string operatingSystem;
    std::optional<std::string> systemMemory;  // none: the report leaves out its memory line
    std::string cpuName;
    std::uint32_t cpuSpeed = 0;  // MHz, 0 when it cannot be measured
    std::string soundSystem;
    std::string displayMemory;
    std::string driverVersion;
    AtiAdapterInfo atiAdapter;
    DisplayClassAdapterInfo classAdapter;
};

// Where the description comes from. The settings store also reads the
// driver keys below HKEY_LOCAL_MACHINE, so the settings key is no longer the
// current one afterwards.
struct SystemInfoSources {
    MachineFacts& machine;
    Cpuid& cpu;
    ClockHardware& clock;
    DisplayDriver& display;
    SettingsStore& settings;
};

// Operating system, memory, processor name and measured clock, then the ATI
// and the display-class adapter records. Cannot fail: a source that does
// not answer leaves its field empty, none or 0.
SystemInfo collectSystemInfo(const Diagnostics& diagnostics, SystemInfoSources sources);

// The clock text of the report and the log.
std::string cpuSpeedText(std::uint32_t megahertz);

// One line of the machine description as the report and the debug log both
// print it: a label and its value.
struct MachineFact {
    std::string label;
    std::string value;
    bool operator==(const MachineFact&) const = default;
};

// The machine description with the conditions of its optional lines decided
// once. The operating system stands in the report only.
struct MachineDescription {
    std::vector<MachineFact> system;                 // memory (when known), processor, clock, sound
    std::vector<std::vector<MachineFact>> adapters;  // the ATI record's block, then the display-class one's
};
MachineDescription describeMachine(const SystemInfo& info);

}  // namespace melkrin
