#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/sha256.h"
#include "update/signed_info.h"

namespace melkrin::update {
namespace {

using ::testing::ElementsAre;

TEST(Sha256Test, KnownDigests) {
    EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(sha256Hex(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // Fed in pieces that straddle the 64-byte blocks, the same digest.
    const std::string text(300, '\xD7');
    Sha256 pieces;
    pieces.add(text.substr(0, 63));
    pieces.add(text.substr(63, 2));
    pieces.add(text.substr(65));
    const auto digest = pieces.finish();
    EXPECT_EQ(toHex(digest.data(), digest.size()), sha256Hex(text));
}

// Accepts exactly one message with one signature: what the real key would do
// for the file it signed, so every change to either is refused.
class OneSignature : public SignatureVerifier {
public:
    OneSignature(std::string message, Signature signature) : message_(std::move(message)), signature_(signature) {}
    bool verify(std::string_view message, const Signature& signature) override {
        seen.emplace_back(message);
        return message == message_ && signature == signature_;
    }
    std::vector<std::string> seen;

private:
    std::string message_;
    Signature signature_;
};

Signature someSignature() {
    Signature s;
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::uint8_t>(i * 37 + 5);
    return s;
}

const std::string kBody =
    "#version=1.3\r\n#method=0\r\n#message={New demos}\r\n"
    "#url1=http://127.0.0.1/benchmarks/ss2/qrv_melkrin.exe\r\n"
    "#url1.size=3\r\n#url1.sha256=BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD\r\n";

std::string signatureLine(const Signature& s) { return std::string(kSignatureKey) + toHex(s.data(), s.size()); }

TEST(SignedInfoTest, ASignedFileGivesItsFilesWithTheirChecks) {
    OneSignature verifier(kBody, someSignature());
    for (const char* ending : {"\r\n", "\n", ""}) {
        const auto info = checkSignedInfo(kBody + signatureLine(someSignature()) + ending, verifier);
        ASSERT_EQ(info.verdict, InfoVerdict::Trusted) << ending;
        EXPECT_EQ(info.signedText, kBody);
        ASSERT_EQ(info.files.size(), 1u);
        EXPECT_EQ(info.files[0].url, "http://127.0.0.1/benchmarks/ss2/qrv_melkrin.exe");
        EXPECT_EQ(info.files[0].size, 3u);
        EXPECT_TRUE(matchesListedFile("abc", info.files[0]));
        EXPECT_FALSE(matchesListedFile("abd", info.files[0]));
        EXPECT_FALSE(matchesListedFile("abcd", info.files[0]));
    }
    // The signature covers every byte before its line, and nothing else.
    EXPECT_THAT(verifier.seen, ElementsAre(kBody, kBody, kBody));
}

TEST(SignedInfoTest, OneFlippedBitAnywhereIsRefused) {
    const std::string file = kBody + signatureLine(someSignature()) + "\r\n";
    OneSignature verifier(kBody, someSignature());
    for (std::size_t at = 0; at < file.size(); ++at) {
        for (int bit : {0, 5}) {
            std::string changed = file;
            changed[at] = static_cast<char>(changed[at] ^ (1 << bit));
            const auto verdict = checkSignedInfo(changed, verifier).verdict;
            EXPECT_NE(verdict, InfoVerdict::Trusted) << "byte " << at << " bit " << bit;
        }
    }
}

TEST(SignedInfoTest, RefusalsAndTheirReasons) {
    OneSignature verifier(kBody, someSignature());
    const std::string line = signatureLine(someSignature());
    struct Case {
        const char* what;
        std::string file;
        InfoVerdict verdict;
    } cases[] = {
        {"no signature", kBody, InfoVerdict::Unsigned},
        {"empty file", "", InfoVerdict::Unsigned},
        {"signature key not at a line start", kBody + "x" + line, InfoVerdict::Unsigned},
        {"bytes after the signature line", kBody + line + "\r\n#version=9.9\r\n", InfoVerdict::Malformed},
        {"a blank after the signature", kBody + line + " ", InfoVerdict::Malformed},
        {"two line breaks after it", kBody + line + "\r\n\r\n", InfoVerdict::Malformed},
        {"short signature", kBody + line.substr(0, line.size() - 2), InfoVerdict::Malformed},
        {"upper-case digits", kBody + std::string(kSignatureKey) + std::string(128, 'A'), InfoVerdict::Malformed},
        {"key in capitals", kBody + "#SIGNATURE=" + line.substr(11), InfoVerdict::Unsigned},
        {"not hexadecimal", kBody + line.substr(0, line.size() - 1) + "g", InfoVerdict::Malformed},
        {"signature of other bytes", "#version=1.3\r\n" + line, InfoVerdict::BadSignature},
        {"other signature", kBody + std::string(kSignatureKey) + std::string(128, '0'), InfoVerdict::BadSignature},
        {"an entry moved behind the signature", kBody.substr(0, 14), InfoVerdict::Unsigned},
    };
    for (const auto& c : cases) EXPECT_EQ(checkSignedInfo(c.file, verifier).verdict, c.verdict) << c.what;
}

TEST(SignedInfoTest, EveryListedFileNeedsAWellFormedHashAndSize) {
    const std::string base = "#version=2\r\n#url1=http://h/a.exe\r\n";
    const std::string hash = "#url1.sha256=" + sha256Hex("abc") + "\r\n";
    struct Case {
        const char* what;
        std::string body;
        InfoVerdict verdict;
    } cases[] = {
        {"hash and size", base + hash + "#url1.size=3\r\n", InfoVerdict::Trusted},
        {"no size", base + hash, InfoVerdict::FileUnchecked},
        {"no hash", base + "#url1.size=3\r\n", InfoVerdict::FileUnchecked},
        {"short hash", base + "#url1.sha256=abcd\r\n#url1.size=3\r\n", InfoVerdict::FileUnchecked},
        {"size not a number", base + hash + "#url1.size=3 bytes\r\n", InfoVerdict::FileUnchecked},
        {"second file unchecked", base + hash + "#url1.size=3\r\n#url2=http://h/b.dll\r\n", InfoVerdict::FileUnchecked},
        {"no files at all", "#version=2\r\n", InfoVerdict::Trusted},
    };
    for (const auto& c : cases) {
        OneSignature verifier(c.body, someSignature());
        EXPECT_EQ(checkSignedInfo(c.body + signatureLine(someSignature()), verifier).verdict, c.verdict) << c.what;
    }
}

TEST(SignedInfoTest, AKeyNamedTwiceAnywhereIsRefused) {
    const std::string file1 = "#url1=http://h/a.exe\r\n#url1.sha256=" + sha256Hex("abc") + "\r\n#url1.size=3\r\n";
    struct Case {
        const char* what;
        std::string body;
        InfoVerdict verdict;
    } cases[] = {
        {"every key once", "#version=2\r\n" + file1, InfoVerdict::Trusted},
        // The message's own entry comes first and would win.
        {"a message carrying its own url1", "#version=2\r\n#message={Fixes\t#url1=http://evil/a.exe}\r\n" + file1,
         InfoVerdict::RepeatedKey},
        {"the same key in other capitals", "#version=2\r\n#VERSION=3\r\n", InfoVerdict::RepeatedKey},
        {"a dotted key twice", file1 + "#url1.size=4\r\n", InfoVerdict::RepeatedKey},
        {"in the middle of a line", "#version=2 #version=3\r\n", InfoVerdict::RepeatedKey},
        {"a second signature line inside the signed text", "#version=2\r\n#signature=00\r\n",
         InfoVerdict::RepeatedKey},
        {"a name with other characters is no key", "#version=2\r\n#ver-sion=3\r\n#version =4\r\n#=5\r\n",
         InfoVerdict::Trusted},
        {"one key a prefix of another", "#url=http://h/x\r\n#url0=http://h/y\r\n#url.size=1\r\n#url0.size=1\r\n"
                                        "#url.sha256=" + sha256Hex("x") + "\r\n#url0.sha256=" + sha256Hex("y") + "\r\n",
         InfoVerdict::Trusted},
    };
    for (const auto& c : cases) {
        OneSignature verifier(c.body, someSignature());
        EXPECT_EQ(checkSignedInfo(c.body + signatureLine(someSignature()), verifier).verdict, c.verdict) << c.what;
    }
    EXPECT_EQ(repeatedKey("#message={a #URL1=x}\r\n#url1=y"), "url1");
    EXPECT_EQ(repeatedKey("#a=1#b=2"), std::nullopt);
}

TEST(SignedInfoTest, TheHelpEntryAndOptionalFiles) {
    const std::string file1 = "#url1=http://h/a.exe\r\n#url1.sha256=" + sha256Hex("abc") + "\r\n#url1.size=3\r\n";
    const std::string file2 = "#url2=http://h/b.dat\r\n#url2.sha256=" + sha256Hex("b") + "\r\n#url2.size=1\r\n";
    const std::string help = "#help=https://h/help.chm\r\n#help.sha256=" + sha256Hex("ITSF") + "\r\n#help.size=4\r\n";
    auto check = [](const std::string& body) {
        OneSignature verifier(body, someSignature());
        return checkSignedInfo(body + signatureLine(someSignature()), verifier);
    };

    auto info = check("#version=2\r\n" + file1 + file2 + "#url2.optional=1\r\n" + help);
    ASSERT_EQ(info.verdict, InfoVerdict::Trusted);
    ASSERT_EQ(info.files.size(), 2u);
    EXPECT_FALSE(info.files[0].optional);
    EXPECT_TRUE(info.files[1].optional);
    ASSERT_TRUE(info.help.has_value());
    EXPECT_EQ(info.help->url, "https://h/help.chm");
    EXPECT_EQ(info.help->size, 4u);
    EXPECT_TRUE(matchesListedFile("ITSF", *info.help));

    // Without the entry the file still serves the update.
    info = check("#version=2\r\n" + file1);
    EXPECT_EQ(info.verdict, InfoVerdict::Trusted);
    EXPECT_FALSE(info.help.has_value());
    // Only "1" marks a file optional.
    for (const char* value : {"0", "yes", "", "1 "})
        EXPECT_FALSE(check("#version=2\r\n" + file1 + "#url1.optional=" + value + "\r\n").files.at(0).optional)
            << value;
    // A help entry the program cannot check is refused like a listed file.
    EXPECT_EQ(check("#version=2\r\n" + file1 + "#help=https://h/help.chm\r\n#help.size=4\r\n").verdict,
              InfoVerdict::FileUnchecked);
    EXPECT_EQ(check("#help=https://h/help.chm\r\n#help.sha256=" + sha256Hex("ITSF") + "\r\n#help.size=four\r\n").verdict,
              InfoVerdict::FileUnchecked);
}

TEST(SignedInfoTest, KeysAndSignaturesFromHex) {
    const auto key = parsePublicKeyHex(std::string(64, 'a') + std::string(64, 'F'));
    ASSERT_TRUE(key);
    EXPECT_EQ((*key)[0], 0xAA);
    EXPECT_EQ((*key)[63], 0xFF);
    EXPECT_FALSE(parsePublicKeyHex(std::string(126, '0')));
    EXPECT_FALSE(parsePublicKeyHex(std::string(127, '0') + "x"));
}

}  // namespace
}  // namespace melkrin::update
