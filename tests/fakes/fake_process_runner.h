#pragma once
// A ProcessRunner double: records each start; the test ends the "process"
// with finish(), which raises OnTerminate as the real runner would.
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/process_runner.h"

namespace melkrin::testing {

class FakeProcessRunner : public ProcessRunner {
public:
    struct Started {
        std::string commandLine;
        std::string currentDirectory;
    };

    void start() override {
        if (running_) throw MelkrinError("Cannot perform this operation when process is running");
        if (refuseNext) {
            refuseNext = false;
            throw OsError(2, "The system cannot find the file specified");
        }
        starts.push_back({commandLine, currentDirectory});
        running_ = true;
        if (journal) journal->push_back("start " + commandLine);
    }
    bool running() const override { return running_; }
    // The test plays the end that follows with finish().
    void stop() override {
        if (!running_) return;
        if (refuseStop) throw OsError(5, "Access is denied.");
        ++stops;
        if (journal) journal->push_back("stop " + commandLine);
    }

    // The started process ends with the given code.
    void finish(std::uint32_t exitCode = 0) {
        running_ = false;
        if (onTerminate) onTerminate(*this, exitCode);
    }

    std::vector<Started> starts;
    bool refuseNext = false;
    bool refuseStop = false;
    int stops = 0;
    std::vector<std::string>* journal = nullptr;  // shared with other doubles: the order of effects

private:
    bool running_ = false;
};

}  // namespace melkrin::testing
