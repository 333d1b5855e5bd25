#pragma once
// The texts of the update component's windows and message boxes, by index.
// English is the one language this program carries.
#include <cstdint>
#include <string>

namespace melkrin::update {

inline constexpr int kTextCount = 31;
// The component's name, shown in the wizard's corner in every language.
inline constexpr const char* kComponentName = "SelfUpdater";

// The text in the chosen language; this program carries English alone, so
// every language reads the English table.
const char* Text(int index);

enum class UpdateLanguage {
    Auto, English, Russian, German, French, Spanish, Portuguese, PortugueseBrazilian, Italian,
    Dutch, Danish, Swedish, Finnish, Estonian, Ukrainian, Polish, Czech, Hungarian, Romanian,
    Catalan, Basque, Afrikaans, ChineseTraditional, ChineseSimplified, Indonesian, Malay, Icelandic,
    Turkish,
};

// The language for the platform's user interface language (a LANGID:
// primary language in the low ten bits, sublanguage above).
UpdateLanguage languageOfUiLanguage(std::uint16_t langId);

// One choice for the whole program; Auto picks the language of uiLanguage.
void setLanguage(UpdateLanguage language, std::uint16_t uiLanguage);
UpdateLanguage chosenLanguage();
// The table a language's texts come from: English for every language here.
UpdateLanguage tableOf(UpdateLanguage language);

// Message boxes of the check that the developer site cannot answer for:
// the information file is refused before anything is read from it.
inline constexpr const char* kUnsignedInfoText =
    "The update information on the developer's site is not signed.\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";
inline constexpr const char* kBadSignatureText =
    "The update information on the developer's site does not carry the developer's valid signature.\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";
// A server that misbehaves: the bodies and the answers it may send are bounded.
inline constexpr const char* kInfoTooLargeText =
    "The update information on the developer's site is far larger than such a file can be.\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";
inline constexpr const char* kRedirectLoopText =
    "The developer's site sends the request for %s from one address to another without end.\r\r"
    "Please try to upgrade this software again later.";
inline constexpr const char* kInsecureRedirectText =
    "The secure (https) request for %s was sent on to an address that is not secure (plain http).\r\r"
    "The update was stopped for your safety: the request was not followed there.";
inline constexpr const char* kUncheckedFileText =
    "The update information on the developer's site does not give a checksum and size for every file.\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";

inline constexpr const char* kRepeatedKeyText =
    "The update information on the developer's site names the same entry twice, so it cannot be read safely.\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";

}  // namespace melkrin::update
