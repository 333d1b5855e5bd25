#include "app/about_text.h"

#include "update/update_key.h"

namespace melkrin {

std::string aboutText(bool developmentKey) {
    std::string text =
        "Melkrin plays a Serious Sam 2 demo once for every resolution you choose and writes the frame "
        "rates into an HTML report.\r\n\r\n"
        "Copyright (c) Quorvane. All rights reserved.\r\n"
        "Serious Sam 2 is a trademark of its owners; Melkrin is not made or endorsed by them.\r\n"
        "Provided as is, without warranty of any kind.";
    // One line more fits the memo; a blank line before it would not.
    if (developmentKey) text += std::string("\r\n") + update::kDevelopmentKeyNote;
    return text;
}

}  // namespace melkrin
