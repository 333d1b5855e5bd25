#pragma once
#include "common/waits.h"

namespace melkrin {

class Win32Waits final : public Waits {
public:
    void sleep(unsigned milliseconds) override;
};

}  // namespace melkrin
