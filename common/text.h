#pragma once
// Small helpers for the 8-bit texts that every file and registry value holds.
#include <string>
#include <string_view>
#include <vector>

namespace melkrin {

inline constexpr const char* kCrLf = "\r\n";

std::string replaceAll(std::string text, std::string_view from, std::string_view to);
bool startsWith(std::string_view text, std::string_view prefix);
bool endsWith(std::string_view text, std::string_view suffix);
bool contains(std::string_view text, std::string_view part);
// Blanks and control characters at either end removed.
std::string trim(std::string_view text);
// Lines as a text editor sees them: split at CR LF, LF or CR; a final line
// break does not start another line.
std::vector<std::string> splitLines(std::string_view text);
std::string joinLines(const std::vector<std::string>& lines, std::string_view separator);
// Every line followed by CR LF, the last one included: the form of every
// file the program writes.
std::string toCrLfFile(const std::vector<std::string>& lines);
std::string toLower(std::string text);

}  // namespace melkrin
