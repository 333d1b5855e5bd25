#pragma once
// Errors that reach the user. Every handler and start-up step may throw them;
// the application-wide error display shows what() and ends only that handler.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace melkrin {

class MelkrinError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A refusal of the operating system: carries the system's error code and its
// own message text.
class OsError : public MelkrinError {
public:
    OsError(std::uint32_t code, const std::string& message)
        : MelkrinError(message), code_(code) {}
    std::uint32_t code() const { return code_; }

private:
    std::uint32_t code_;
};

// Inserts one value in place of the first "%s" of a fixed message text.
std::string formatWith(const std::string& pattern, const std::string& value);

}  // namespace melkrin
