#include "update/http_date.h"

#include <string>

#include "common/text.h"
#include "update/update_info.h"

namespace melkrin::update {
namespace {

int indexOf3(std::string_view text, const char* const names[], int count) {
    if (text.size() < 3) return -1;
    const std::string head = toLower(std::string(text.substr(0, 3)));
    for (int i = 0; i < count; ++i)
        if (head == names[i]) return i;
    return -1;
}

constexpr const char* kWeekdays[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
constexpr const char* kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};

std::optional<int> digits(std::string_view text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A cursor over the text that hands out fields up to a separator.
class Fields {
public:
    explicit Fields(std::string_view text) : rest_(text) {}
    std::string_view next(char separator) {
        skipBlanks();
        const std::size_t end = rest_.find(separator);
        const std::string_view field = rest_.substr(0, end);
        rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 1);
        return field;
    }
    std::string_view rest() {
        skipBlanks();
        return rest_;
    }
    void clear() { rest_ = {}; }

private:
    void skipBlanks() {
        while (!rest_.empty() && rest_.front() == ' ') rest_.remove_prefix(1);
    }
    std::string_view rest_;
};

int timePart(std::string_view& time) {
    const std::size_t colon = time.find(':');
    const std::string_view part = time.substr(0, colon);
    time = colon == std::string_view::npos ? std::string_view() : time.substr(colon + 1);
    return digits(part).value_or(0);
}

long zoneOffsetSeconds(std::string_view zone) {
    if (zone.size() <= 4) return 0;  // "GMT", "UT", "Z" and the like
    const char sign = zone[0];
    const auto hours = digits(zone.substr(1, 2));
    const auto minutes = digits(zone.substr(3, 2));
    if ((sign != '+' && sign != '-') || !hours || !minutes) return 0;
    const long offset = *hours * 3600L + *minutes * 60L;
    return sign == '-' ? -offset : offset;
}

}  // namespace

std::int64_t secondsFromCivil(int year, int month, int day, int hour, int minute, int second) {
    // Days from 1970-01-01 in the proleptic Gregorian calendar.
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::optional<std::int64_t> parseHttpDateUtc(std::string_view input) {
    const std::string trimmed = trim(input);
    std::string_view text = trimmed;
    if (indexOf3(text, kWeekdays, 7) >= 0) {
        const std::size_t blank = text.find(' ');
        if (blank == std::string_view::npos) return std::nullopt;
        text = text.substr(blank + 1);
    }
    Fields fields(text);
    text = fields.rest();
    const std::size_t firstBlank = text.find(' ');
    const std::size_t dash = text.find('-', 1);
    const char separator = dash != std::string_view::npos && dash < firstBlank ? '-' : ' ';

    const std::string_view first = fields.next(separator);
    int month = indexOf3(first, kMonths, 12);
    std::string_view dayText;
    if (month >= 0) {
        dayText = fields.next(separator);
    } else {
        dayText = first;
        month = indexOf3(fields.next(separator), kMonths, 12);
        if (month < 0) return std::nullopt;
    }
    const int day = digits(dayText).value_or(1);

    std::string_view timeText;
    std::string_view yearText = fields.next(' ');
    if (!digits(yearText)) {
        // asctime puts the time before the year, which then ends the text.
        timeText = yearText;
        yearText = fields.rest();
        fields.clear();
    }
    auto year = digits(yearText);
    if (!year) return std::nullopt;
    if (*year < 80) *year += 2000;
    else if (*year < 100) *year += 1900;

    if (timeText.empty() && fields.rest().find(':') != std::string_view::npos) timeText = fields.next(' ');
    const int hour = timePart(timeText);
    const int minute = timePart(timeText);
    const int second = timePart(timeText);
    const std::string_view zone = fields.rest();

    if (!isValidDate({*year, month + 1, day}) || hour > 23 || minute > 59 || second > 60) return std::nullopt;
    return secondsFromCivil(*year, month + 1, day, hour, minute, second) - zoneOffsetSeconds(zone);
}

std::int64_t parseHttpDateLocal(std::string_view text, long biasMinutes) {
    const auto utc = parseHttpDateUtc(text);
    if (!utc) return 0;
    return *utc - static_cast<std::int64_t>(biasMinutes) * 60;
}

}  // namespace melkrin::update
