// A program built with a key other than the development key (the fixture key
// of this folder, compiled in as a release build compiles in the maker's):
// it refuses an information file signed with the development key, accepts one
// signed with its own, and nowhere says it is a development build.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>

#include "app/about_text.h"
#include "gameconfig/game_interface.h"
#include "run/run_log_lines.h"
#include "update/signature_verifier_win32.h"
#include "update/signed_info.h"
#include "update/update_key.h"

namespace melkrin::update {
namespace {

std::string sourceFile(const std::string& relative) {
    std::string path = std::string("Z:") + MELKRIN_SOURCE_DIR + "/" + relative;
    for (auto& c : path)
        if (c == '/') c = '\\';
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(OtherKeyBuildTest, RefusesTheDevelopmentKeysSignature) {
    ASSERT_FALSE(usesDevelopmentKey());
    CngSignatureVerifier verifier(updatePublicKey());
    const std::string devSigned = sourceFile("tests/win/fixtures/newer_signed_by_dev_key.inf");
    const std::string ownSigned = sourceFile("tests/other_key/newer_signed_by_fixture_key.inf");
    // The same signed bytes: only the signature differs.
    ASSERT_EQ(devSigned.substr(0, devSigned.find("#signature=")), ownSigned.substr(0, ownSigned.find("#signature=")));
    EXPECT_EQ(checkSignedInfo(devSigned, verifier).verdict, InfoVerdict::BadSignature);
    const SignedInfo own = checkSignedInfo(ownSigned, verifier);
    EXPECT_EQ(own.verdict, InfoVerdict::Trusted);
    EXPECT_EQ(own.files.size(), 1u);
}

TEST(OtherKeyBuildTest, SaysNothingOfADevelopmentBuild) {
    const std::string note = kDevelopmentKeyNote;
    EXPECT_EQ(aboutText(usesDevelopmentKey()).find(note), std::string::npos);
    const GameInstall game = deriveGameInstall("C:\\G\\Bin\\Sam2.exe", "C:\\G\\");
    for (const std::string& line : debugRunHeader("1.2", "C:\\Bench\\", "C:\\Bench\\R\\", game, usesDevelopmentKey()))
        EXPECT_NE(line, note);
}

}  // namespace
}  // namespace melkrin::update
