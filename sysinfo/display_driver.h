#pragma once
// The display driver as the adapter records see it: private escapes on a
// device context made for the one call, and the display device list. The
// Win32 adapter is in display_driver_win32.h; tests answer with a double.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace melkrin {

struct DisplayDevice {
    std::string name;         // DeviceName, "\\.\DISPLAY1"
    std::string description;  // DeviceString
    std::string id;           // DeviceID, "PCI\VEN_1002&DEV_..."
};

class DisplayDriver {
public:
    // The device context an escape goes to.
    enum class Target {
        FirstDisplay,   // the device "\\.\DISPLAY1"
        DriverName,  // the driver "DISPLAY"
    };

    struct EscapeResult {
        bool created = false;   // the device context could be made
        int returned = 0;       // what the escape call returned
        bool released = false;  // the device context was released without error
    };

    virtual ~DisplayDriver() = default;
    // Makes the device context, passes the escape with both blocks and
    // releases the context.
    virtual EscapeResult escape(Target target, int escapeCode, std::vector<std::uint8_t>& input,
                                std::vector<std::uint8_t>& output) = 0;
    // The display device at the index (EnumDisplayDevicesA without a device
    // name, flags 0); none when the call fails.
    virtual std::optional<DisplayDevice> displayDevice(std::uint32_t index) = 0;
};

}  // namespace melkrin
