#include "gameconfig/demo_preparation.h"

#include "common/file_system.h"
#include "common/shell_file_op.h"
#include "gameconfig/game_interface.h"

namespace melkrin {
namespace {

constexpr const char* kBuiltInDemos[] = {"Demo_0001.dem", "Demo_0002.dem", "Demo_0003.dem"};
constexpr int kUserDefinedDemo = 4;

}  // namespace

std::string demoRefusalMessage(DemoVerdict verdict) {
    switch (verdict) {
        case DemoVerdict::Ok:
            return {};
        case DemoVerdict::CustomDemoUnusable:
            return "ERROR. Please, check your custom defined demo parameters.";
        case DemoVerdict::NoDemoChosen:
            return "ERROR. Please, choose a demo.";
    }
    return {};
}

std::string fileNamePart(const std::string& path) {
    const auto separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

DemoPreparation::DemoPreparation(FileSystem& files, ShellFileOperation& fileOp, std::string programFolder)
    : files_(files), fileOp_(fileOp), programFolder_(std::move(programFolder)) {}

DemoVerdict DemoPreparation::prepareDemo(const GameInstall& game, const DemoChoice& choice) {
    // Every later shell operation of the program keeps this title.
    fileOp_.setProgressTitle(kProgressTitle);

    if (choice.demoChoice && *choice.demoChoice >= 1 && *choice.demoChoice <= 3) {
        demoFileName_ = kBuiltInDemos[*choice.demoChoice - 1];
        const std::string target = game.demosFolder + demoFileName_;
        // A missing built-in demo is reported by the shell; the run goes on.
        if (!files_.fileExists(target)) fileOp_.copy(programFolder_ + "Demos\\" + demoFileName_, target);
        return DemoVerdict::Ok;
    }
    if (choice.demoChoice != kUserDefinedDemo) return DemoVerdict::NoDemoChosen;

    const std::string name = fileNamePart(choice.customDemoPath);
    if (name.empty()) return DemoVerdict::CustomDemoUnusable;
    demoFileName_ = name;
    const std::string target = game.demosFolder + name;
    // A file of that name in the game's folder is used as it is.
    if (files_.fileExists(target)) return DemoVerdict::Ok;
    fileOp_.copy(choice.customDemoPath, target);
    return files_.fileExists(target) ? DemoVerdict::Ok : DemoVerdict::CustomDemoUnusable;
}

}  // namespace melkrin
