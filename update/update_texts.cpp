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

UpdateLanguage g_language = UpdateLanguage::English;

}  // namespace

const char* Text(int index) { return index >= 0 && index < kTextCount ? kEnglish[index] : ""; }

UpdateLanguage languageOfUiLanguage(std::uint16_t langId) {
    const unsigned primary = langId & 0x3FF, sub = langId >> 10;
    using L = UpdateLanguage;
    switch (primary) {
        case 0x16: return sub == 0x01 ? L::PortugueseBrazilian : L::Portuguese;
        case 0x04: return sub == 0x02 ? L::ChineseSimplified : L::ChineseTraditional;
        case 0x09: return L::English;
        case 0x19: return L::Russian;
        case 0x07: return L::German;
        case 0x0C: return L::French;
        case 0x0A: return L::Spanish;
        case 0x10: return L::Italian;
        case 0x13: return L::Dutch;
        case 0x06: return L::Danish;
        case 0x1D: return L::Swedish;
        case 0x0B: return L::Finnish;
        case 0x25: return L::Estonian;
        case 0x22: return L::Ukrainian;
        case 0x15: return L::Polish;
        case 0x05: return L::Czech;
        case 0x0E: return L::Hungarian;
        case 0x18: return L::Romanian;
        case 0x03: return L::Catalan;
        case 0x2D: return L::Basque;
        case 0x36: return L::Afrikaans;
        case 0x21: return L::Indonesian;
        case 0x3E: return L::Malay;
        case 0x0F: return L::Icelandic;
        case 0x1F: return L::Turkish;
        default: return L::English;
    }
}

void setLanguage(UpdateLanguage language, std::uint16_t uiLanguage) {
    g_language = language == UpdateLanguage::Auto ? languageOfUiLanguage(uiLanguage) : language;
}

UpdateLanguage chosenLanguage() { return g_language; }

UpdateLanguage tableOf(UpdateLanguage) { return UpdateLanguage::English; }

}  // namespace melkrin::update
