#include "run/html_writer.h"

#include <utility>

namespace melkrin {
namespace {

void appendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out.push_back(c);
        }
    }
}

}  // namespace

HtmlWriter& HtmlWriter::text(std::string_view text) {
    appendEscaped(html_, text);
    return *this;
}

HtmlWriter& HtmlWriter::markup(std::string_view markup) {
    html_ += markup;
    return *this;
}

std::string HtmlWriter::take() { return std::exchange(html_, std::string()); }

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendEscaped(out, text);
    return out;
}

}  // namespace melkrin
