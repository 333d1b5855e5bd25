#include "sysinfo/display_driver_win32.h"

#include <windows.h>

namespace melkrin {

DisplayDriver::EscapeResult Win32DisplayDriver::escape(Target target, int escapeCode,
                                                       std::vector<std::uint8_t>& input,
                                                       std::vector<std::uint8_t>& output) {
    EscapeResult result;
    HDC dc = target == Target::FirstDisplay ? CreateDCA(nullptr, "\\\\.\\DISPLAY1", nullptr, nullptr)
                                            : CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (!dc) return result;
    result.created = true;
    result.returned = ExtEscape(dc, escapeCode, static_cast<int>(input.size()),
                                reinterpret_cast<LPCSTR>(input.data()), static_cast<int>(output.size()),
                                reinterpret_cast<LPSTR>(output.data()));
    result.released = DeleteDC(dc) != 0;
    return result;
}

// The record the enumeration fills is the 424-byte "A" form.
static_assert(sizeof(DISPLAY_DEVICEA) == 424);

std::optional<DisplayDevice> Win32DisplayDriver::displayDevice(std::uint32_t index) {
    DISPLAY_DEVICEA device{};
    device.cb = sizeof device;
    if (!EnumDisplayDevicesA(nullptr, index, &device, 0)) return std::nullopt;
    return DisplayDevice{device.DeviceName, device.DeviceString, device.DeviceID};
}

}  // namespace melkrin
