#include "update/update_info.h"

#include <array>
#include <limits>
#include <set>

#include "common/text.h"

namespace melkrin::update {

std::string infoValue(std::string_view text, std::string_view key, bool braced) {
    const std::string lower = toLower(std::string(text));
    std::string pattern(1, '#');
    pattern += toLower(std::string(key));
    pattern += braced ? "={" : "=";
    const std::size_t at = lower.find(pattern);
    if (at == std::string::npos) return "";
    const std::size_t begin = at + pattern.size();
    std::size_t end = begin;
    if (braced) {
        end = text.find('}', begin);
        if (end == std::string_view::npos) end = text.size();
    } else {
        while (end < text.size() && static_cast<unsigned char>(text[end]) >= 32) ++end;
    }
    return std::string(text.substr(begin, end - begin));
}

std::vector<ListedFile> listedFiles(std::string_view text) {
    std::vector<ListedFile> files;
    for (const char* key : {"url", "url0"}) {
        std::string url = infoValue(text, key);
        if (!url.empty()) files.push_back({key, std::move(url)});
    }
    // Numbered keys start one above what "url" and "url0" gave, so a file
    // with url0, url1 and url2 yields url0 and url2: older programs read it so.
    for (std::size_t k = files.size() + 1;; ++k) {
        std::string key("url");
        key += std::to_string(k);
        std::string url = infoValue(text, key);
        if (url.empty()) break;
        files.push_back({key, std::move(url)});
    }
    return files;
}

std::optional<std::string> repeatedKey(std::string_view text) {
    auto isNameChar = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_';
    };
    std::set<std::string> seen;
    for (std::size_t at = text.find('#'); at != std::string_view::npos; at = text.find('#', at + 1)) {
        std::size_t end = at + 1;
        while (end < text.size() && isNameChar(text[end])) ++end;
        if (end == at + 1 || end == text.size() || text[end] != '=') continue;
        std::string name = toLower(std::string(text.substr(at + 1, end - at - 1)));
        if (!seen.insert(name).second) return name;
    }
    return std::nullopt;
}

UpgradeKind upgradeMethodOf(std::string_view text) {
    const std::string method = infoValue(text, "method");
    if (method.empty()) return UpgradeKind::SelfUpgrade;
    if (method[0] == '1') return UpgradeKind::UseExternalSetup;
    if (method[0] == '2') return UpgradeKind::RedirectToUrl;
    return UpgradeKind::SelfUpgrade;
}

std::optional<std::int32_t> readInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    unsigned base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return std::nullopt;
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else return std::nullopt;
        value = value * base + digit;
        // Decimal must fit a signed 32-bit integer; hexadecimal may use all 32 bits.
        const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
        if (value > limit) return std::nullopt;
    }
    const auto bits = static_cast<std::uint32_t>(value);
    const auto result = static_cast<std::int32_t>(negative ? (0u - bits) : bits);
    return result;
}

namespace {

std::array<std::string, 4> versionParts(const std::string& text) {
    std::array<std::string, 4> parts;
    std::string rest = text + ".";
    for (auto& part : parts) {
        const std::size_t dot = rest.find('.');
        if (dot == std::string::npos) {
            part.assign(1, '0');
            continue;
        }
        part = rest.substr(0, dot);
        rest = rest.substr(dot + 1);
    }
    return parts;
}

int byteWise(const std::string& a, const std::string& b) {
    const int c = a.compare(b);  // std::char_traits<char> compares as unsigned char
    return c > 0 ? 1 : (c < 0 ? -1 : 0);
}

}  // namespace

int compareVersions(const std::string& a, const std::string& b) {
    const auto pa = versionParts(a);
    const auto pb = versionParts(b);
    for (std::size_t i = 0; i < 4; ++i) {
        const auto x = readInteger(pa[i]);
        const auto y = readInteger(pb[i]);
        // -1 is the "not a number" answer of the conversion, so it counts as one.
        if (!x || !y || *x == -1 || *y == -1) return byteWise(a, b);
        if (*x != *y) return *x > *y ? 1 : -1;
    }
    return 0;
}

bool isPlainVersion(std::string_view text) {
    if (text.empty()) return false;
    int parts = 1;
    std::size_t digits = 0;
    for (const char c : text) {
        if (c == '.') {
            if (digits == 0 || ++parts > 4) return false;
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            // Nine digits always fit the comparison's 32-bit parts.
            if (++digits > 9) return false;
        } else {
            return false;
        }
    }
    return digits > 0;
}

std::optional<std::string> versionOfVersionFile(std::string_view content) {
    // Four parts of nine digits and their dots: anything longer is no version anyway.
    constexpr std::size_t kLongest = 4 * 9 + 3;
    std::size_t end = 0;
    while (end < content.size() && end <= kLongest && static_cast<unsigned char>(content[end]) >= 32 &&
           content[end] != 127)
        ++end;
    const std::string_view first = content.substr(0, end);
    if (!isPlainVersion(first)) return std::nullopt;
    return std::string(first);
}

std::string higherVersion(const std::string& a, const std::string& b) {
    if (b.empty()) return a;
    if (a.empty()) return b;
    return compareVersions(b, a) > 0 ? b : a;
}

std::string fileVersionText(unsigned major, unsigned minor, unsigned build, unsigned revision) {
    std::string text = std::to_string(major) + "." + std::to_string(minor);
    if (build != 0 || revision != 0) text += "." + std::to_string(build);
    if (revision != 0) text += "." + std::to_string(revision);
    return text;
}

bool isValidDate(const CalendarDate& d) {
    if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1) return false;
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
    const int last = d.month == 2 && leap ? 29 : days[d.month - 1];
    return d.day <= last;
}

CalendarDate parseVersionDate(const std::string& text, const CalendarDate& today) {
    const std::size_t first = text.find('/');
    if (first == std::string::npos) return today;
    const std::size_t second = text.find('/', first + 1);
    if (second == std::string::npos) return today;
    const auto month = readInteger(std::string_view(text).substr(0, first));
    const auto day = readInteger(std::string_view(text).substr(first + 1, second - first - 1));
    const auto year = readInteger(std::string_view(text).substr(second + 1));
    if (!month || !day || !year) return today;
    const CalendarDate date{*year, *month, *day};
    return isValidDate(date) ? date : today;
}

bool namesNewerVersion(std::string_view infoText, const VersionCheckSettings& own, const CalendarDate& today) {
    if (own.versionControl == VersionScheme::Number)
        return compareVersions(infoValue(infoText, "version"), own.versionNumber) > 0;
    return parseVersionDate(own.versionDate, today) < parseVersionDate(infoValue(infoText, "date"), today);
}

}  // namespace melkrin::update
