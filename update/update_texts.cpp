#include "update/update_texts.h"

namespace melkrin::update {
namespace {

constexpr const char* kEnglish[kTextCount] = {
    "Application update wizard",
    "Downloading files...",
    "Upgrade completed!",
    "Current file",
    "All files",
    "Downloading file from",
    "File size: %.1f Kb",
    "Transfer rate: %.1f Kb/s",
    "Estimated time left: %d:%.2d:%.2d",
    "Downloading %d of %d",
    "The update of %s has been successfully completed.\r\rPress the OK button to restart program.",
    "Enter password",
    "User Name",
    "Password",
    "&Yes",
    "&No",
    "&OK",
    "&Cancel",
    "&Next >",
    "&Later",
    "Warning",
    "Error",
    "Preparing. . .",
    "A newer version of %s was released.\n%s\nDo you want to update your version with the latest one?",
    "Newer version not found. You actually are\rusing most recent version of this program.",
    "File which contains upgrade information was not found on developer's site.",
    "Host %s unreachable.\r\rPlease check your Internet connection and\rtry to upgrade this software again later.",
    "The update is not completed.\rWould you like to abort upgrading?",
    "File %s not found or inaccessible.\r\rTry to skip this file and continue upgrade?",
    "Access to remote file \"%s\" is password protected.\n\nPlease enter your username and password (received "
    "after registration) to continue software upgrade.",
    "Connection with remote server lost.\r\rPlease restore connection and try to\rupgrade this software again later.",
};

TUpdLanguage g_language = TUpdLanguage::wlEnglish;

}  // namespace

const char* Text(int index) { return index >= 0 && index < kTextCount ? kEnglish[index] : ""; }

TUpdLanguage LanguageOfUiLanguage(std::uint16_t langId) {
    const unsigned primary = langId & 0x3FF, sub = langId >> 10;
    using L = TUpdLanguage;
    switch (primary) {
        case 0x16: return sub == 0x01 ? L::wlPortugueseBrazilian : L::wlPortuguese;
        case 0x04: return sub == 0x02 ? L::wlChineseSimplified : L::wlChineseTraditional;
        case 0x09: return L::wlEnglish;
        case 0x19: return L::wlRussian;
        case 0x07: return L::wlGerman;
        case 0x0C: return L::wlFrench;
        case 0x0A: return L::wlSpanish;
        case 0x10: return L::wlItalian;
        case 0x13: return L::wlDutch;
        case 0x06: return L::wlDanish;
        case 0x1D: return L::wlSwedish;
        case 0x0B: return L::wlFinnish;
        case 0x25: return L::wlEstonian;
        case 0x22: return L::wlUkrainian;
        case 0x15: return L::wlPolish;
        case 0x05: return L::wlCzech;
        case 0x0E: return L::wlHungarian;
        case 0x18: return L::wlRomanian;
        case 0x03: return L::wlCatalan;
        case 0x2D: return L::wlBasque;
        case 0x36: return L::wlAfrikaans;
        case 0x21: return L::wlIndonesian;
        case 0x3E: return L::wlMalay;
        case 0x0F: return L::wlIcelandic;
        case 0x1F: return L::wlTurkish;
        default: return L::wlEnglish;
    }
}

void SetLanguage(TUpdLanguage language, std::uint16_t uiLanguage) {
    g_language = language == TUpdLanguage::wlAuto ? LanguageOfUiLanguage(uiLanguage) : language;
}

TUpdLanguage ChosenLanguage() { return g_language; }

TUpdLanguage TableOf(TUpdLanguage) { return TUpdLanguage::wlEnglish; }

}  // namespace melkrin::update
