#include "sysinfo/system_info_win32.h"

namespace melkrin {

SystemInfo collectSystemInfo(const Diagnostics& diagnostics, SettingsStore& settings) {
    Win32SystemInfoSources sources;
    return collectSystemInfo(diagnostics, sources.with(settings));
}

}  // namespace melkrin
