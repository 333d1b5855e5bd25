#pragma once
#include "run/run_clock.h"

namespace melkrin {

// The user's short-date and long-time formats.
class Win32RunClock final : public RunClock {
public:
    std::string dateTimeText() override;
    std::string isoDateTime() override;
};

}  // namespace melkrin
