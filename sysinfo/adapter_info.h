#pragma once
// The two graphics adapter records of the machine description: the ATI
// reader (RadeonInfo and the ATI registry keys) and the first adapter of the
// display device class with the clocks of its performance levels.
#include <cstdint>
#include <string>

#include "settings/settings_store.h"
#include "sysinfo/display_driver.h"

namespace melkrin {

struct AtiAdapterInfo {
    bool present = false;
    std::string cardName;
    std::string coreClock;    // "%f MHz"
    std::string memoryClock;  // "%f MHz"
    std::string busType;      // cut before the first "("
    std::string memoryType;   // cut the same way; decides whether busType is shown
};

struct DisplayClassAdapterInfo {
    bool present = false;
    std::string driverDesc;
    std::string gpuClock;     // whole MHz, "400 MHz"
    std::string memoryClock;  // the same form
};

namespace ati {
inline constexpr int kEscape = 0x7306;
inline constexpr std::uint32_t kClockQuery = 0x110013;
inline constexpr std::uint32_t kAdapterQuery = 0x400103;
inline constexpr std::size_t kClockBlockSize = 80;
inline constexpr std::size_t kAdapterBlockSize = 64;
inline constexpr const char* kAsicKey = "\\SOFTWARE\\ATI Technologies\\CDS\\0000\\0\\ASIC";
inline constexpr const char* kMemoryKey = "\\SOFTWARE\\ATI Technologies\\CDS\\0000\\0\\Memory";
inline constexpr const char* kVendorId = "1002";
}  // namespace ati

namespace displayclass {
inline constexpr int kEscape = 0x7037;
inline constexpr std::uint32_t kClockCommand = 494;
inline constexpr int kLevels = 6;
inline constexpr const char* kKey =
    "\\SYSTEM\\ControlSet001\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000";
}  // namespace displayclass

// Asks an ATI display driver for its clocks.
class RadeonInfo {
public:
    explicit RadeonInfo(DisplayDriver& driver) : driver_(driver) {}

    // The clock query, the adapter query and the vendor check, in this order,
    // up to the first that fails; true when all three succeed.
    bool isAvailable();

    std::string adapterName;
    double engineClockMHz = 0;
    double memoryClockMHz = 0;

private:
    bool queryClocks();
    bool queryAdapter();
    bool vendorIsAti();

    DisplayDriver& driver_;
};

// The text in front of the first "(" (a blank before it stays), else all.
std::string cutBeforeBracket(const std::string& text);

AtiAdapterInfo readAtiAdapter(DisplayDriver& driver, SettingsStore& settings, char decimalSeparator);
DisplayClassAdapterInfo readDisplayClassAdapter(DisplayDriver& driver, SettingsStore& settings);

}  // namespace melkrin
