// The stored proxy password: any text in the settings value, decoded; and
// every byte string survives its stored form.
#include "fuzz_support.h"
#include "settings/base64.h"

using namespace melkrin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::bytesOf(data, size);
    const std::string decoded = decodeBase64(bytes);
    fuzz::require(decoded.size() <= size / 4 * 3 + 2, "more bytes decoded than the text can hold");
    const std::string encoded = encodeBase64(bytes);
    fuzz::require(encoded.size() == (size + 2) / 3 * 4, "encoded length");
    fuzz::require(decodeBase64(encoded) == bytes, "round trip lost bytes");
    return 0;
}
