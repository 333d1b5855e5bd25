#pragma once
// Puts the chosen demo into the game's demo folder before a run and fixes the
// demo file name that the command line and the report use.
#include <optional>
#include <string>

namespace melkrin {

class FileSystem;
class ShellFileOperation;
struct GameInstall;

enum class DemoVerdict {
    Ok,
    CustomDemoUnusable,  // user-defined demo without a path, or its copy failed
    NoDemoChosen,        // no demo choice stored at all
};

// The refusal the run controller shows for a verdict other than Ok.
std::string demoRefusalMessage(DemoVerdict verdict);

struct DemoChoice {
    std::optional<int> demoChoice;  // 1 to 3 built-in, 4 user-defined
    std::string customDemoPath;
};

class DemoPreparation {
public:
    static constexpr const char* kProgressTitle = "Please wait...";

    // programFolder ends in a backslash; the built-in demos lie in its "Demos\".
    DemoPreparation(FileSystem& files, ShellFileOperation& fileOp, std::string programFolder);

    // Copies the chosen demo into game.demosFolder when no file of its name is
    // there yet. Sets demoFileName, except when the verdict comes before a
    // file was named.
    DemoVerdict prepareDemo(const GameInstall& game, const DemoChoice& choice);

    // Empty until the first preparation; kept between runs.
    const std::string& demoFileName() const { return demoFileName_; }

private:
    FileSystem& files_;
    ShellFileOperation& fileOp_;
    std::string programFolder_;
    std::string demoFileName_;
};

// The text after the last path separator.
std::string fileNamePart(const std::string& path);

}  // namespace melkrin
