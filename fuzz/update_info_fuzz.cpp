// The update information file as the server (or anyone between) sends it:
// its keys, the listed files, the version and the release date compared
// with the program's own.
#include "fuzz_support.h"
#include "update/update_info.h"

using namespace melkrin;
using namespace melkrin::update;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string a = in.ConsumeRandomLengthString(40);
    const std::string b = in.ConsumeRandomLengthString(40);
    const std::string key = in.ConsumeRandomLengthString(12);
    const bool braced = in.ConsumeBool();
    const CalendarDate today{in.ConsumeIntegralInRange<int>(1990, 2100), in.ConsumeIntegralInRange<int>(1, 12),
                             in.ConsumeIntegralInRange<int>(1, 28)};
    const std::string text = in.ConsumeRemainingBytesAsString();

    // Versions are ordered: a comparison and its mirror agree, and a version equals itself.
    const int ab = compareVersions(a, b);
    fuzz::require(ab >= -1 && ab <= 1, "a comparison outside -1..1");
    fuzz::require(ab == -compareVersions(b, a), "a comparison and its mirror disagree");
    fuzz::require(compareVersions(a, a) == 0, "a version differs from itself");

    fuzz::require(isValidDate(parseVersionDate(a, today)), "a release date that is no date");
    (void)readInteger(a);

    const std::string value = infoValue(text, key, braced);
    fuzz::require(value.size() <= text.size(), "a value longer than the file");
    for (const ListedFile& file : listedFiles(text)) fuzz::require(file.url.size() <= text.size(), "a URL longer than the file");
    (void)upgradeMethodOf(text);
    VersionCheckSettings own;
    own.versionControl = in.ConsumeBool() ? VersionScheme::Date : VersionScheme::Number;
    own.versionNumber = a;
    own.versionDate = b;
    (void)namesNewerVersion(text, own, today);
    return 0;
}
