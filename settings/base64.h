#pragma once
#include <string>
#include <string_view>

namespace melkrin {

// Decodes the stored form of the proxy password. Characters outside the
// alphabet ("=" padding, line breaks, blanks) are skipped; a final group of
// three or two characters gives two or one byte; a lone character gives none.
std::string decodeBase64(std::string_view text);
std::string encodeBase64(std::string_view bytes);

}  // namespace melkrin
