#pragma once
// The display driver on Windows: CreateDCA, ExtEscape and DeleteDC per
// query, EnumDisplayDevicesA for the device list.
#include "sysinfo/display_driver.h"

namespace melkrin {

class Win32DisplayDriver final : public DisplayDriver {
public:
    EscapeResult escape(Target target, int escapeCode, std::vector<std::uint8_t>& input,
                        std::vector<std::uint8_t>& output) override;
    std::optional<DisplayDevice> displayDevice(std::uint32_t index) override;
};

}  // namespace melkrin
