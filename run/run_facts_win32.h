#pragma once
#include "run/run_facts.h"

namespace melkrin {

// GetModuleFileName, the version resource, the system's random generator,
// the time zone and the performance counter.
class Win32RunFacts final : public RunFacts {
public:
    std::string programPath() override;
    std::optional<std::string> fileVersion(const std::string& path) override;
    std::string randomBytes(std::size_t count) override;
    int utcOffsetMinutes() override;
    double steadySeconds() override;
};

}  // namespace melkrin
