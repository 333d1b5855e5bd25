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

    if (const auto seconds = parseHttpDateUtc(text))
        fuzz::require(parseHttpDateLocal(text, bias) == *seconds - bias * 60, "local and universal dates disagree");
    (void)realmOf(text);

    fuzz::require(percentDecode(text).size() <= text.size(), "decoding made the text longer");
    const std::string url = normalizeUrl(text);
    const std::string scheme = schemeOf(url);
    for (char c : scheme) fuzz::require(!(c >= 'A' && c <= 'Z'), "a scheme in capitals");
    (void)hostOfUrl(url);
    (void)filePathOfUrl(url);
    return 0;
}
