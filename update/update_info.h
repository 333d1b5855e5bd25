#pragma once
// The update information file: "#key=value" entries anywhere in an 8-bit
// text, the version comparison and the release dates.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace melkrin::update {

enum class UpgradeKind { SelfUpgrade = 0, UseExternalSetup = 1, RedirectToUrl = 2 };
enum class VersionScheme { Date, Number };

// The value of one key: found case-blind, cut from the original text. A plain
// value ends before the first byte below 32, a braced one before the first "}".
std::string infoValue(std::string_view text, std::string_view key, bool braced = false);

struct ListedFile {
    std::string key;  // "url", "url0", "url1", ...: the optional keys key + ".sha256" and key + ".size" belong to it
    std::string url;
};

// The listed files in the order the file names them; numbered keys start one
// above the count found under "url" and "url0".
std::vector<ListedFile> listedFiles(std::string_view text);

UpgradeKind upgradeMethodOf(std::string_view text);

// The first key named twice, in lower case, or nothing. Every "#<name>=" counts
// wherever it stands (inside a message too), with a name of letters, digits,
// "." and "_", compared case-blind: infoValue takes the first one it finds,
// so a second one would let a message smuggle in a value of its own.
std::optional<std::string> repeatedKey(std::string_view text);

// +1, 0 or -1; four dotted parts read as integers, the whole texts compared
// byte-wise as soon as a part is no integer.
int compareVersions(const std::string& a, const std::string& b);

// A plain version number: one to four dotted parts of one to nine decimal digits each.
bool isPlainVersion(std::string_view text);
// The version a version.txt delivers: its first line up to the first control
// character, when that is a plain version; nothing otherwise.
std::optional<std::string> versionOfVersionFile(std::string_view content);
// The higher of two versions by compareVersions (the first when they are equal);
// an empty one counts as none.
std::string higherVersion(const std::string& a, const std::string& b);
// A version resource's four numbers as a version text: "1.2" for 1,2,0,0;
// the trailing zero parts after the second are left out.
std::string fileVersionText(unsigned major, unsigned minor, unsigned build, unsigned revision);

struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
    friend bool operator==(const CalendarDate&, const CalendarDate&) = default;
    friend auto operator<=>(const CalendarDate&, const CalendarDate&) = default;
};

bool isValidDate(const CalendarDate& date);
// "MM/DD/YYYY"; anything that is no existing date gives today.
CalendarDate parseVersionDate(const std::string& text, const CalendarDate& today);

// Reads an integer as the platform's string-to-integer conversion does:
// leading blanks, a sign, decimal or hexadecimal ("$", "0x"); nothing after.
std::optional<std::int32_t> readInteger(std::string_view text);

struct VersionCheckSettings {
    VersionScheme versionControl = VersionScheme::Number;
    std::string versionNumber;
    std::string versionDate;  // "MM/DD/YYYY"
};

bool namesNewerVersion(std::string_view infoText, const VersionCheckSettings& own, const CalendarDate& today);

}  // namespace melkrin::update
