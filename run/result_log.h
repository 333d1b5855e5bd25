#pragma once
// The frame-rate figure of the game's log, as the text the game wrote.
#include <string>
#include <string_view>

namespace melkrin {

// The six characters after the first "Average: " (in any case), without
// blanks, "=", ":" and the letters F, P, S, E in either case. Line breaks
// that fall into the window stay. A log without the marker gives "".
std::string readDemoResult(std::string_view logBytes);

// Tells whether another process holds a file open: the file exists and
// cannot be opened for exclusive reading and writing.
class FileInUseProbe {
public:
    virtual ~FileInUseProbe() = default;
    virtual bool isInUse(const std::string& path) = 0;
};

}  // namespace melkrin
