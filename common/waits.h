#pragma once
// Plain waits of the user-interface thread, as a seam so tests need not sleep.
namespace melkrin {

class Waits {
public:
    virtual ~Waits() = default;
    virtual void sleep(unsigned milliseconds) = 0;
};

}  // namespace melkrin
