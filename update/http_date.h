#pragma once
// Dates of HTTP headers (Date, Last-Modified, Expires): the three forms of
// HTTP/1.1 and numeric zone offsets.
#include <cstdint>
#include <optional>
#include <string_view>

namespace melkrin::update {

// Seconds since 1970-01-01 00:00 universal time; nothing for a text that is no date.
std::optional<std::int64_t> parseHttpDateUtc(std::string_view text);

// The header's date as local seconds since 1970, given the platform's current
// bias (minutes, universal = local + bias); 0 when the text is no date.
std::int64_t parseHttpDateLocal(std::string_view text, long biasMinutes);

std::int64_t secondsFromCivil(int year, int month, int day, int hour, int minute, int second);

}  // namespace melkrin::update
