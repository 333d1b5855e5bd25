#pragma once
#include <string>

namespace melkrin {

// The local date and time in the user's short-date format, a blank and the
// long-time format, for example "30.07.2006 14:05:09".
class RunClock {
public:
    virtual ~RunClock() = default;
    virtual std::string dateTimeText() = 0;
    // The same moment's kind for files: "2006-07-30T14:05:09", local time.
    virtual std::string isoDateTime() = 0;
};

}  // namespace melkrin
