#pragma once
#include "run/run_clock.h"

namespace melkrin {

// The user's short-date and long-time formats.
class Win32RunClock final : public RunClock {
public:
    std::string dateTimeText() override;
};

}  // namespace melkrin
