#pragma once
// The distinct screen sizes the display offers, as "1024 x 768" texts in the
// order the platform first reports them (not sorted; depth and refresh rate
// are ignored).
#include <string>
#include <vector>

namespace melkrin {

class DisplayModeSource {
public:
    virtual ~DisplayModeSource() = default;
    // Mode number n of the current display; false when there is none.
    virtual bool mode(unsigned n, unsigned& width, unsigned& height) = 0;
};

using DisplayModeList = std::vector<std::string>;

DisplayModeList buildDisplayModeList(DisplayModeSource& source);
// One entry of the list: width, " x ", height.
std::string displayModeEntry(const std::string& width, const std::string& height);
// All entries joined by line breaks: the text that start-up searches.
std::string displayModeText(const DisplayModeList& list);

}  // namespace melkrin
