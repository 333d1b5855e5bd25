#include "run/run_comparison.h"

#include <cstdio>

namespace melkrin {
namespace {

KeyPart setting(const char* label, std::string shown, std::string exact = {}) {
    return {label, std::move(shown), std::move(exact), false};
}

KeyPart fact(const char* label, std::string shown, std::string exact = {}) {
    return {label, std::move(shown), std::move(exact), true};
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
long long daysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

struct Civil {
    long long year;
    unsigned month, day;
};

Civil civilFromDays(long long days) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned mp = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<long long>(yearOfEra) + era * 400 + (month <= 2), month, day};
}

// The digits at [from, from + count) of text as a number; none if any is not a digit.
std::optional<unsigned> digits(const std::string& text, std::size_t from, std::size_t count) {
    unsigned value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return value;
}

// "2026-12-10T19:40:12" as seconds since 1970, read as if it were UTC.
std::optional<long long> localSeconds(const std::string& iso) {
    if (iso.size() != 19 || iso[4] != '-' || iso[7] != '-' || iso[10] != 'T' || iso[13] != ':' || iso[16] != ':')
        return std::nullopt;
    const auto year = digits(iso, 0, 4), month = digits(iso, 5, 2), day = digits(iso, 8, 2);
    const auto hour = digits(iso, 11, 2), minute = digits(iso, 14, 2), second = digits(iso, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    if (*month < 1 || *month > 12 || *day < 1 || *day > 31 || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    return daysFromCivil(*year, *month, *day) * 86400 + *hour * 3600 + *minute * 60 + *second;
}

}  // namespace

std::vector<KeyPart> comparisonKey(const HistoryRun& run) {
    return {
        setting("demo", run.demo, run.demoSha256),
        setting("antialiasing", run.antialiasing),
        setting("filtering", run.filtering),
        setting("HDR", run.hdr ? "on" : "off"),
        setting("renderer", run.renderer),
        setting("passes", run.passes),
        setting("warm-up", run.warmUp ? "on" : "off"),
        fact("processor", run.processor),
        fact("video card", run.videoCard),
        fact("memory", run.memory),
        fact("game build", run.gameFileVersion, run.gameSha256),
    };
}

bool partsDiffer(const KeyPart& a, const KeyPart& b) {
    // Names can lie (a demo file replaced under the same name); a hash cannot.
    if (!a.exact.empty() && !b.exact.empty()) return a.exact != b.exact;
    if ((a.mayBeUnknown || b.mayBeUnknown) && (a.shown.empty() || b.shown.empty())) return false;
    return a.shown != b.shown;
}

std::vector<std::string> keyDifferences(const HistoryRun& a, const HistoryRun& b) {
    const auto keyA = comparisonKey(a), keyB = comparisonKey(b);
    std::vector<std::string> labels;
    for (std::size_t i = 0; i < keyA.size(); ++i)
        if (partsDiffer(keyA[i], keyB[i])) labels.push_back(keyA[i].label);
    return labels;
}

std::vector<int> comparableSets(const std::vector<HistoryRun>& oldestFirst) {
    // Each set's key gathers what its runs told: a part one run left unknown
    // is filled by the next that knows it, so later runs are held to it.
    struct Set {
        std::vector<KeyPart> key;
        std::size_t newest = 0;
    };
    std::vector<Set> sets;
    std::vector<int> setOf;
    setOf.reserve(oldestFirst.size());
    for (std::size_t i = 0; i < oldestFirst.size(); ++i) {
        const auto key = comparisonKey(oldestFirst[i]);
        int joined = -1;
        for (std::size_t s = 0; s < sets.size(); ++s) {
            bool alike = true;
            for (std::size_t p = 0; alike && p < key.size(); ++p) alike = !partsDiffer(sets[s].key[p], key[p]);
            if (alike && (joined < 0 || sets[s].newest > sets[static_cast<std::size_t>(joined)].newest))
                joined = static_cast<int>(s);
        }
        if (joined < 0) {
            sets.push_back({key, i});
            setOf.push_back(static_cast<int>(sets.size() - 1));
            continue;
        }
        Set& set = sets[static_cast<std::size_t>(joined)];
        for (std::size_t p = 0; p < key.size(); ++p) {
            if (set.key[p].shown.empty()) set.key[p].shown = key[p].shown;
            if (set.key[p].exact.empty()) set.key[p].exact = key[p].exact;
        }
        set.newest = i;
        setOf.push_back(joined);
    }
    return setOf;
}

std::optional<long long> utcOffsetSeconds(const std::string& offset) {
    if (offset == "Z") return 0;
    if (offset.size() != 6 || (offset[0] != '+' && offset[0] != '-') || offset[3] != ':') return std::nullopt;
    const auto hours = digits(offset, 1, 2), minutes = digits(offset, 4, 2);
    if (!hours || !minutes || *hours > 14 || *minutes > 59) return std::nullopt;
    const long long seconds = *hours * 3600LL + *minutes * 60LL;
    return offset[0] == '-' ? -seconds : seconds;
}

std::optional<long long> startedAtSeconds(const HistoryRun& run) {
    const auto local = localSeconds(run.startedAt);
    if (!local) return std::nullopt;
    if (run.utcOffset.empty()) return local;
    const auto offset = utcOffsetSeconds(run.utcOffset);
    if (!offset) return std::nullopt;
    return *local - *offset;
}

std::string dateText(long long seconds, bool withTime) {
    const long long days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const long long inDay = seconds - days * 86400;
    const Civil date = civilFromDays(days);
    char buffer[48];
    if (withTime)
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u %02lld:%02lld", date.year, date.month, date.day,
                      inDay / 3600, inDay / 60 % 60);
    else
        std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u", date.year, date.month, date.day);
    return buffer;
}

}  // namespace melkrin
