#pragma once
// The machine description from the real machine.
#include "settings/settings_store.h"
#include "sysinfo/display_driver_win32.h"
#include "sysinfo/machine_win32.h"
#include "sysinfo/system_info.h"

namespace melkrin {

// The Win32 sources behind one collection.
struct Win32SystemInfoSources {
    Win32MachineFacts machine;
    Win32Cpuid cpu;
    Win32ClockHardware clock;
    Win32DisplayDriver display;

    SystemInfoSources with(SettingsStore& settings) { return {machine, cpu, clock, display, settings}; }
};

SystemInfo collectSystemInfo(const Diagnostics& diagnostics, SettingsStore& settings);

}  // namespace melkrin
