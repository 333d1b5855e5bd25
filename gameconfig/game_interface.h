#pragma once
// What the program fixes about the game: where it is registered, its folders,
// files and command line.
#include <string>

namespace melkrin {

namespace game {
inline constexpr const char* kKey = "\\SOFTWARE\\Croteam\\SeriousSam2";
inline constexpr const char* kGameValue = "Game";
inline constexpr const char* kPathValue = "Path";
inline constexpr const char* kExecutable = "Sam2.exe";
inline constexpr const char* kConfigFile = "Sam2.ini";
inline constexpr const char* kConfigBackup = "Sam2_old.ini";
inline constexpr const char* kLogFile = "Sam2.log";
inline constexpr const char* kBatchFile = "melkrin.bat";
}  // namespace game

// The registry's game paths may be written with "/" and a "$" marker: the
// first "$" is removed (only the first), then every "/" becomes "\".
std::string cleanUpGamePath(std::string text);

// The game's folders, derived once at start-up.
struct GameInstall {
    std::string gameExePath;
    std::string root;  // expected to end in "\"; no separator is added
    std::string binFolder;
    std::string contentFolder;
    std::string configFolder;
    std::string demosFolder;

    std::string configFile() const { return contentFolder + game::kConfigFile; }
    std::string configBackup() const { return contentFolder + game::kConfigBackup; }
    std::string logFile() const { return root + game::kLogFile; }
    std::string batchFile() const { return binFolder + game::kBatchFile; }
};

// gameExePath and root as read from the game key, before clean-up.
GameInstall deriveGameInstall(const std::string& gameValue, const std::string& pathValue);

}  // namespace melkrin
