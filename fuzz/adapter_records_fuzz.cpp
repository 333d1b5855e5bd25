// The display driver's answers and the adapter keys of the registry: clock
// blocks, display device names and ids, and registry values of any type.
#include "fake_display_driver.h"
#include "fuzz_support.h"
#include "memory_key_store.h"
#include "settings/settings_store.h"
#include "sysinfo/adapter_info.h"

using namespace melkrin;
using namespace melkrin::testing;

namespace {

void setValue(FuzzedDataProvider& in, MemoryKeyStore& keys, const char* key, const char* name) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: return;
        case 1: keys.addKey(key); return;
        case 2: keys.set(key, name, in.ConsumeRandomLengthString(80)); return;
        default: keys.setOtherType(key, name); return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    FakeDisplayDriver driver;
    driver.deviceContexts = in.ConsumeBool();
    for (std::uint32_t command : {ati::kClockQuery, ati::kAdapterQuery}) {
        if (!in.ConsumeBool()) continue;
        FakeDisplayDriver::AtiAnswer answer;
        answer.returned = in.ConsumeIntegral<int>();
        const int count = in.ConsumeIntegralInRange<int>(0, 4);
        // Offsets inside the smaller of the two blocks the driver fills.
        for (int i = 0; i < count; ++i)
            answer.values[in.ConsumeIntegralInRange<std::size_t>(0, ati::kAdapterBlockSize - 4)] =
                in.ConsumeIntegral<std::uint32_t>();
        driver.ati[command] = answer;
    }
    for (std::uint32_t level = 0; level < displayclass::kLevels; ++level) {
        if (!in.ConsumeBool()) continue;
        FakeDisplayDriver::LevelAnswer answer;
        answer.gpuHz = in.ConsumeIntegral<std::uint32_t>();
        answer.memoryHz = in.ConsumeIntegral<std::uint32_t>();
        answer.returned = in.ConsumeIntegral<int>();
        answer.released = in.ConsumeBool();
        answer.status = in.ConsumeBool() ? 0 : in.ConsumeIntegral<std::uint32_t>();
        driver.levels[level] = answer;
    }
    const int devices = in.ConsumeIntegralInRange<int>(0, 4);
    for (int i = 0; i < devices; ++i) {
        DisplayDevice device;
        device.name = in.ConsumeBool() ? "\\\\.\\DISPLAY1" : in.ConsumeRandomLengthString(20);
        device.description = in.ConsumeRandomLengthString(80);
        device.id = in.ConsumeRandomLengthString(40);
        driver.devices.push_back(device);
    }
    MemoryKeyStore keys;
    setValue(in, keys, ati::kAsicKey, "Bus Type");
    setValue(in, keys, ati::kMemoryKey, "Type");
    setValue(in, keys, displayclass::kKey, "DriverDesc");
    SettingsStore settings(keys);
    const char separator = in.ConsumeBool() ? ',' : '.';

    const AtiAdapterInfo atiInfo = readAtiAdapter(driver, settings, separator);
    fuzz::require(atiInfo.busType.find('(') == std::string::npos && atiInfo.memoryType.find('(') == std::string::npos,
                  "a bracket survived the cut");
    const DisplayClassAdapterInfo classInfo = readDisplayClassAdapter(driver, settings);
    fuzz::require(!classInfo.present || (classInfo.gpuClock != "0 MHz" && classInfo.memoryClock != "0 MHz"),
                  "an adapter without clocks counts as present");
    return 0;
}
