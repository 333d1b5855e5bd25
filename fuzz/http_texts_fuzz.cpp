// What the HTTP side reads from outside: dates of response headers, the
// realm of an authentication request, and the URLs of the information file
// (split into scheme, host and local path, percent-escapes decoded).
#include "fuzz_support.h"
#include "update/http_date.h"
#include "update/transfer_rules.h"

using namespace melkrin;
using namespace melkrin::update;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const long bias = in.ConsumeIntegralInRange<long>(-24 * 60, 24 * 60);
    const std::string text = in.ConsumeRemainingBytesAsString();

    if (const auto seconds = ParseHttpDateUtc(text))
        fuzz::require(ParseHttpDateLocal(text, bias) == *seconds - bias * 60, "local and universal dates disagree");
    (void)RealmOf(text);

    fuzz::require(PercentDecode(text).size() <= text.size(), "decoding made the text longer");
    const std::string url = NormalizeUrl(text);
    const std::string scheme = SchemeOf(url);
    for (char c : scheme) fuzz::require(!(c >= 'A' && c <= 'Z'), "a scheme in capitals");
    (void)HostOfUrl(url);
    (void)FilePathOfUrl(url);
    return 0;
}
