#include "gameconfig/game_interface.h"

#include <algorithm>

namespace melkrin {

std::string cleanUpGamePath(std::string text) {
    const auto dollar = text.find('$');
    if (dollar != std::string::npos) text.erase(dollar, 1);
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

GameInstall deriveGameInstall(const std::string& gameValue, const std::string& pathValue) {
    GameInstall install;
    install.gameExePath = cleanUpGamePath(gameValue);
    install.root = cleanUpGamePath(pathValue);
    install.binFolder = install.root + "Bin\\";
    install.contentFolder = install.root + "Content\\SeriousSam2\\";
    install.configFolder = install.contentFolder + "Config\\";
    install.demosFolder = install.contentFolder + "Demos\\";
    return install;
}

}  // namespace melkrin
