// The signature check of the update information file: any body, with a
// signature the platform accepts or refuses. Only an accepted signature over
// a well-formed file makes it trusted, and then every listed file carries a
// hash and a size to be checked against.
#include "fuzz_support.h"
#include "update/signed_info.h"

using namespace melkrin;
using namespace melkrin::update;

namespace {

class ScriptedVerifier : public SignatureVerifier {
public:
    explicit ScriptedVerifier(bool accepts) : accepts_(accepts) {}
    bool verify(std::string_view message, const Signature&) override {
        ++calls;
        lastMessage = std::string(message);
        return accepts_;
    }
    int calls = 0;
    std::string lastMessage;

private:
    bool accepts_;
};

bool lowerHex(const std::string& text) {
    return text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    ScriptedVerifier verifier(in.ConsumeBool());
    const std::string bytes = in.ConsumeRandomLengthString(256);
    const std::string body = in.ConsumeRemainingBytesAsString();

    const SignedInfo info = checkSignedInfo(body, verifier);
    fuzz::require(body.compare(0, info.signedText.size(), info.signedText) == 0, "the signed text is not the body's start");
    if (info.verdict == InfoVerdict::Trusted) {
        fuzz::require(verifier.calls == 1 && verifier.lastMessage == info.signedText,
                      "trusted without the signature over the signed text");
        for (const CheckedFile& file : info.files) {
            fuzz::require(file.sha256.size() == 64 && lowerHex(file.sha256), "a trusted file without its hash");
            (void)matchesListedFile(bytes, file);
        }
    }
    if (parseSignatureHex(bytes)) fuzz::require(bytes.size() == 128, "a signature of another length");
    return 0;
}
