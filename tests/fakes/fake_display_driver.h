#pragma once
// A display driver double: answers the ATI escape per command, the clock
// escape per performance level (writing into the level buffer the input block
// points to, as the driver does) and lists set display devices.
#include <cstring>
#include <map>
#include <vector>

#include "sysinfo/display_driver.h"

namespace melkrin::testing {

class FakeDisplayDriver : public DisplayDriver {
public:
    struct Call {
        Target target;
        int code;
        std::vector<std::uint8_t> input;
        std::vector<std::uint8_t> outputBefore;
    };
    // ATI escape: what the call returns and the 32-bit values it writes.
    struct AtiAnswer {
        int returned = 0;
        std::map<std::size_t, std::uint32_t> values;  // by byte offset
    };
    // Clock escape of one level; a level without an answer returns 0.
    struct LevelAnswer {
        std::uint32_t gpuHz = 0;
        std::uint32_t memoryHz = 0;
        int returned = 1;
        bool released = true;
        std::uint32_t status = 0;  // the output block's last value
    };

    static std::uint32_t value32(const std::vector<std::uint8_t>& block, std::size_t offset) {
        std::uint32_t v = 0;
        std::memcpy(&v, block.data() + offset, 4);
        return v;
    }

    EscapeResult escape(Target target, int code, std::vector<std::uint8_t>& input,
                        std::vector<std::uint8_t>& output) override {
        calls.push_back({target, code, input, output});
        if (!deviceContexts) return {};
        if (target == Target::FirstDisplay) {
            // An unknown command behaves like a driver that ignores the escape.
            const auto it = ati.find(value32(input, 4));
            if (it == ati.end()) return {true, 0, true};
            for (const auto& [offset, v] : it->second.values) std::memcpy(output.data() + offset, &v, 4);
            return {true, it->second.returned, true};
        }
        std::uint64_t address = 0;
        std::memcpy(&address, input.data() + 16, 8);
        auto* levelBuffer = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(address));
        std::uint32_t level = 0;
        std::memcpy(&level, levelBuffer, 4);
        const auto it = levels.find(level);
        if (it == levels.end()) return {true, 0, true};
        const LevelAnswer& answer = it->second;
        std::memcpy(levelBuffer + 8, &answer.gpuHz, 4);
        std::memcpy(levelBuffer + 12, &answer.memoryHz, 4);
        std::memcpy(output.data() + 28, &answer.status, 4);
        return {true, answer.returned, answer.released};
    }

    std::optional<DisplayDevice> displayDevice(std::uint32_t index) override {
        ++deviceQueries;
        if (index >= devices.size()) return std::nullopt;
        return devices[index];
    }

    // An ATI driver: both queries answered, clocks in units of 10 kHz.
    void answerAsAti(std::uint32_t engine10kHz, std::uint32_t memory10kHz) {
        ati[0x110013] = AtiAnswer{0, {{44, engine10kHz}, {12, memory10kHz}}};
        ati[0x400103] = AtiAnswer{0, {}};
    }

    std::map<std::uint32_t, AtiAnswer> ati;
    std::map<std::uint32_t, LevelAnswer> levels;
    std::vector<DisplayDevice> devices;
    bool deviceContexts = true;
    std::vector<Call> calls;
    int deviceQueries = 0;
};

}  // namespace melkrin::testing
