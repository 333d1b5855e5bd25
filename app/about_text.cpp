#include "app/about_text.h"

#include "update/update_key.h"

namespace melkrin {

std::string aboutText(bool developmentKey) {
    const std::string description =
        "Melkrin plays a Serious Sam 2 demo once for every resolution you choose and writes the frame "
        "rates into an HTML report.";
    const std::string legal =
        "Copyright (c) Quorvane. All rights reserved.\r\n"
        "Serious Sam 2 is a trademark of its owners; Melkrin is not made or endorsed by them.\r\n"
        "Provided as is, without warranty of any kind.";
    // The memo has no room for a line more: a development build says so first,
    // in the place of the blank line, so that it is seen before anything else.
    if (developmentKey) return std::string(update::kDevelopmentKeyNote) + "\r\n" + description + "\r\n" + legal;
    return description + "\r\n\r\n" + legal;
}

}  // namespace melkrin
