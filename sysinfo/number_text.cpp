#include "sysinfo/number_text.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace melkrin {
namespace {

int digitCount(std::uint64_t n) {
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

// numerator / denominator with the given decimals, rounded exactly, halves to
// even as printf rounds an exact binary value. The quotients of memory by
// 2^20 or 2^30 are exact in binary, so this is what "%.Nf" prints, on every C
// runtime alike.
std::string exactFixed(std::uint64_t numerator, std::uint64_t denominator, int decimals, char separator) {
    std::uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    // Ten digits at most reach here, so numerator * 100 stays in range.
    const std::uint64_t scaled = numerator * scale;
    std::uint64_t units = scaled / denominator;
    const std::uint64_t rest = scaled % denominator;
    if (rest * 2 > denominator || (rest * 2 == denominator && units % 2 == 1)) ++units;
    std::string text = std::to_string(units / scale);
    if (decimals > 0) {
        std::string fraction = std::to_string(units % scale);
        text += separator;
        text += std::string(static_cast<std::size_t>(decimals) - fraction.size(), '0') + fraction;
    }
    return text;
}

}  // namespace

std::int64_t roundHalfEven(double value) {
    constexpr double kTop = 9223372036854775808.0;  // 2^63
    if (std::isnan(value)) return 0;
    if (value >= kTop) return std::numeric_limits<std::int64_t>::max();
    if (value < -kTop) return std::numeric_limits<std::int64_t>::min();
    const double floor = std::floor(value);
    const double fraction = value - floor;
    auto result = static_cast<std::int64_t>(floor);
    if (fraction > 0.5 || (fraction == 0.5 && result % 2 != 0)) ++result;
    return result;
}

std::string formatFixed(double value, int decimals, char decimalSeparator) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::string text = buffer;
    const auto point = text.find('.');
    if (point != std::string::npos) text[point] = decimalSeparator;
    return text;
}

std::optional<std::string> systemMemoryText(std::uint64_t bytes, char decimalSeparator) {
    constexpr std::uint64_t kGiB = 1073741824;
    constexpr std::uint64_t kMiB = 1048576;
    const int digits = digitCount(bytes);
    if (digits > 10) return std::to_string(bytes / kGiB) + "GB";
    if (digits == 10) return exactFixed(bytes, kGiB, 1, decimalSeparator) + " GB ";
    if (digits >= 8) return exactFixed(bytes, kMiB, 2, decimalSeparator) + " MB ";
    return std::nullopt;
}

std::string megahertzText(double megahertz, char decimalSeparator) {
    return formatFixed(megahertz, 2, decimalSeparator) + " MHz";
}

}  // namespace melkrin
