#pragma once
// Every HTML page the program writes is built here. Text is escaped unless
// the caller asks by name for markup to go in as it is, so a value can only
// reach a page unescaped where a line of code says so.
#include <string>
#include <string_view>

namespace melkrin {

class HtmlWriter {
public:
    // Text as the reader is to see it: & < > " ' become entities. Also for
    // attribute values, which are always written in double quotes.
    HtmlWriter& text(std::string_view text);
    // Markup written as it stands: the page's own tags, or a value that is
    // meant to carry markup.
    HtmlWriter& markup(std::string_view markup);

    const std::string& html() const { return html_; }
    // Hands over what was written and starts afresh.
    std::string take();
    void reserve(std::size_t bytes) { html_.reserve(bytes); }

private:
    std::string html_;
};

// Text for a page: & < > " ' as entities.
std::string htmlEscape(std::string_view text);

}  // namespace melkrin
