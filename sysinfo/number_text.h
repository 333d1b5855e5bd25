#pragma once
// Numbers turned into the texts of the machine description.
#include <cstdint>
#include <optional>
#include <string>

namespace melkrin {

// To the nearest integer, halves to the even neighbour; saturates at the
// ends of the 64-bit range, NaN gives 0.
std::int64_t roundHalfEven(double value);

// printf's "%.<decimals>f" with the given decimal separator.
std::string formatFixed(double value, int decimals, char decimalSeparator);

// Total physical memory by the number of its decimal digits: "16GB" above
// ten digits, "%.1f GB " at ten, "%f MB " at eight or nine, none below.
std::optional<std::string> systemMemoryText(std::uint64_t bytes, char decimalSeparator);

// "%f MHz": two decimals.
std::string megahertzText(double megahertz, char decimalSeparator);

}  // namespace melkrin
