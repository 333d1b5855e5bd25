#include "sysinfo/adapter_info.h"

#include <algorithm>
#include <vector>

#include "common/errors.h"
#include "sysinfo/number_text.h"

namespace melkrin {
namespace {

using Block = std::vector<std::uint8_t>;

// Driver blocks are little-endian 32-bit values.
void put32(Block& block, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) block[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t get32(const Block& block, std::size_t offset) {
    if (block.size() < offset + 4) return 0;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(block[offset + i]) << (8 * i);
    return value;
}

// A string value, "" when it is missing or not a string.
std::string readText(SettingsStore& settings, const char* name) {
    try {
        return settings.readString(name);
    } catch (const MelkrinError&) {
        return {};
    }
}

struct LevelClocks {
    std::uint32_t gpuHz = 0;
    std::uint32_t memoryHz = 0;
};

// The clock escape for one performance level; zeros when the driver does not
// answer.
LevelClocks queryLevel(DisplayDriver& driver, std::uint32_t level) {
    Block levels(16, 0);
    put32(levels, 0, level);
    Block input(32, 0);
    put32(input, 8, displayclass::kClockCommand);
    // The fifth value is the level buffer's address; a 64-bit address also
    // fills the sixth, which a 32-bit one leaves 0.
    const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(levels.data()));
    put32(input, 16, static_cast<std::uint32_t>(address));
    put32(input, 20, static_cast<std::uint32_t>(address >> 32));
    put32(input, 24, static_cast<std::uint32_t>(levels.size()));
    Block output(32, 0);
    const auto result = driver.escape(DisplayDriver::Target::DriverName, displayclass::kEscape, input, output);
    if (!result.created || result.returned == 0 || !result.released || get32(output, 28) != 0) return {};
    return {get32(levels, 8), get32(levels, 12)};
}

// Whole MHz of every level that gives a non-zero clock, in level order.
std::vector<std::int64_t> levelClocks(DisplayDriver& driver, bool memory) {
    std::vector<std::int64_t> clocks;
    for (int level = 0; level < displayclass::kLevels; ++level) {
        const LevelClocks hz = queryLevel(driver, static_cast<std::uint32_t>(level));
        const std::int64_t mhz = roundHalfEven((memory ? hz.memoryHz : hz.gpuHz) / 1000000.0);
        if (mhz != 0) clocks.push_back(mhz);
    }
    return clocks;
}

// The largest of the neighbouring pairs from index `first` on; the GPU list
// starts at 1, so its first level never counts.
std::int64_t highestOfPairs(const std::vector<std::int64_t>& clocks, std::size_t first) {
    std::int64_t best = 0;
    for (std::size_t k = first; k < clocks.size(); ++k) {
        if (k + 1 < clocks.size()) best = std::max(best, std::max(clocks[k], clocks[k + 1]));
    }
    return best;
}

}  // namespace

bool RadeonInfo::queryClocks() {
    Block input(16, 0);
    put32(input, 0, 16);
    put32(input, 4, ati::kClockQuery);
    Block output(ati::kClockBlockSize, 0);
    put32(output, 0, static_cast<std::uint32_t>(output.size()));
    const auto result = driver_.escape(DisplayDriver::Target::FirstDisplay, ati::kEscape, input, output);
    if (!result.created || result.returned != 0) return false;
    // The driver counts in units of 10 kHz.
    engineClockMHz = get32(output, 44) / 100.0;
    memoryClockMHz = get32(output, 12) / 100.0;
    return true;
}

bool RadeonInfo::queryAdapter() {
    Block input(16, 0);
    put32(input, 0, 16);
    put32(input, 4, ati::kAdapterQuery);
    Block output(ati::kAdapterBlockSize, 0);
    put32(output, 0, static_cast<std::uint32_t>(output.size()));
    const auto result = driver_.escape(DisplayDriver::Target::FirstDisplay, ati::kEscape, input, output);
    return result.created && result.returned == 0;
}

bool RadeonInfo::vendorIsAti() {
    std::string lastId;
    for (std::uint32_t index = 0;; ++index) {
        const auto device = driver_.displayDevice(index);
        if (!device) break;
        lastId = device->id;
        if (device->name == "\\\\.\\DISPLAY1") {
            adapterName = device->description;
            break;
        }
    }
    // Characters 9 to 12 of "PCI\VEN_xxxx&DEV_..." are the vendor number.
    return lastId.size() > 8 && lastId.substr(8, 4) == ati::kVendorId;
}

bool RadeonInfo::isAvailable() { return queryClocks() && queryAdapter() && vendorIsAti(); }

std::string cutBeforeBracket(const std::string& text) { return text.substr(0, text.find('(')); }

AtiAdapterInfo readAtiAdapter(DisplayDriver& driver, SettingsStore& settings, char decimalSeparator) {
    AtiAdapterInfo info;
    RadeonInfo radeon(driver);
    if (!radeon.isAvailable()) return info;
    info.present = true;
    info.cardName = radeon.adapterName;
    info.coreClock = megahertzText(radeon.engineClockMHz, decimalSeparator);
    info.memoryClock = megahertzText(radeon.memoryClockMHz, decimalSeparator);
    if (!settings.open(ati::kAsicKey, false)) return info;
    info.busType = cutBeforeBracket(readText(settings, "Bus Type"));
    if (settings.open(ati::kMemoryKey, false)) info.memoryType = cutBeforeBracket(readText(settings, "Type"));
    return info;
}

DisplayClassAdapterInfo readDisplayClassAdapter(DisplayDriver& driver, SettingsStore& settings) {
    DisplayClassAdapterInfo info;
    if (!settings.open(displayclass::kKey, false)) return info;
    info.present = true;
    info.driverDesc = readText(settings, "DriverDesc");
    info.gpuClock = std::to_string(highestOfPairs(levelClocks(driver, false), 1)) + " MHz";
    info.memoryClock = std::to_string(highestOfPairs(levelClocks(driver, true), 0)) + " MHz";
    if (info.memoryClock == "0 MHz" || info.gpuClock == "0 MHz") info.present = false;
    return info;
}

}  // namespace melkrin
