#pragma once
// The update information file: "#key=value" entries anywhere in an 8-bit
// text, the version comparison and the release dates.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace melkrin::update {

enum class TUpgradeMethod { umSelfUpgrade = 0, umUseExternalSetup = 1, umRedirectToURL = 2 };
enum class TUpdVersionControl { byDate, byNumber };

// The value of one key: found case-blind, cut from the original text. A plain
// value ends before the first byte below 32, a braced one before the first "}".
std::string InfoValue(std::string_view text, std::string_view key, bool braced = false);

struct ListedFile {
    std::string key;  // "url", "url0", "url1", ...: the optional keys key + ".sha256" and key + ".size" belong to it
    std::string url;
};

// The listed files in the order the file names them; numbered keys start one
// above the count found under "url" and "url0".
std::vector<ListedFile> ListedFiles(std::string_view text);

TUpgradeMethod UpgradeMethodOf(std::string_view text);

// The first key named twice, in lower case, or nothing. Every "#<name>=" counts
// wherever it stands (inside a message too), with a name of letters, digits,
// "." and "_", compared case-blind: InfoValue takes the first one it finds,
// so a second one would let a message smuggle in a value of its own.
std::optional<std::string> RepeatedKey(std::string_view text);

// +1, 0 or -1; four dotted parts read as integers, the whole texts compared
// byte-wise as soon as a part is no integer.
int CompareVersions(const std::string& a, const std::string& b);

// A plain version number: one to four dotted parts of one to nine decimal digits each.
bool IsPlainVersion(std::string_view text);
// The version a version.txt delivers: its first line up to the first control
// character, when that is a plain version; nothing otherwise.
std::optional<std::string> VersionOfVersionFile(std::string_view content);
// The higher of two versions by CompareVersions (the first when they are equal);
// an empty one counts as none.
std::string HigherVersion(const std::string& a, const std::string& b);
// A version resource's four numbers as a version text: "1.2" for 1,2,0,0;
// the trailing zero parts after the second are left out.
std::string FileVersionText(unsigned major, unsigned minor, unsigned build, unsigned revision);

struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
    friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
    friend auto operator<=>(const CalendarDate&, const CalendarDate&) = default;
};

bool IsValidDate(const CalendarDate& date);
// "MM/DD/YYYY"; anything that is no existing date gives today.
CalendarDate ParseVersionDate(const std::string& text, const CalendarDate& today);

// Reads an integer as the platform's string-to-integer conversion does:
// leading blanks, a sign, decimal or hexadecimal ("$", "0x"); nothing after.
std::optional<std::int32_t> ReadInteger(std::string_view text);

struct VersionCheckSettings {
    TUpdVersionControl versionControl = TUpdVersionControl::byNumber;
    std::string versionNumber;
    std::string versionDate;  // "MM/DD/YYYY"
};

bool NamesNewerVersion(std::string_view infoText, const VersionCheckSettings& own, const CalendarDate& today);

}  // namespace melkrin::update
