// The game's "Sam2.ini" and "Sam2_old.ini" as a run finds them (any bytes,
// or a leftover benchmark file with one line changed), and files that cannot
// be read or written. Whatever happens, the user's configuration is never
// lost, and a run that went through gives it back byte for byte.
#include <optional>

#include "common/errors.h"
#include "fake_platform.h"
#include "fuzz_support.h"
#include "gameconfig/config_templates.h"
#include "gameconfig/game_config_file.h"
#include "gameconfig/quality_settings.h"
#include "memory_file_system.h"
#include "common/debug_log.h"
#include "gameconfig/game_interface.h"

using namespace melkrin;
using namespace melkrin::testing;

namespace {

// Either any bytes, or the benchmark template with one line changed: the
// file an interrupted run leaves, or one the user edited since.
std::string configBytes(FuzzedDataProvider& in) {
    if (in.ConsumeBool()) return in.ConsumeRandomLengthString(4096);
    ConfigLines lines = benchmarkTemplate();
    const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, lines.size());
    if (at < lines.size()) lines[at] = in.ConsumeRandomLengthString(60);
    return toCrLfFile(lines);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    MemoryFileSystem files;
    RecordingFileOp fileOp{files};
    DebugLog log(files, "C:\\Bench\\");
    const GameInstall game = deriveGameInstall("C:\\Games\\SS2\\Bin\\Sam2.exe", "C:\\Games\\SS2\\");
    files.addFolder(game.contentFolder);

    std::optional<std::string> config, backup;
    if (in.ConsumeBool()) config = configBytes(in);
    if (in.ConsumeBool()) backup = configBytes(in);
    if (config) files.addFile(game.configFile(), *config);
    if (backup) files.addFile(game.configBackup(), *backup);
    if (in.ConsumeBool()) files.unreadable.insert(MemoryFileSystem::norm(game.configFile()));
    if (in.ConsumeBool()) files.readOnly.insert(MemoryFileSystem::norm(game.configFile()));
    if (in.ConsumeBool()) files.readOnly.insert(MemoryFileSystem::norm(game.configBackup()));

    QualityChoices choices;
    if (in.ConsumeBool()) choices.aaLevel = in.ConsumeIntegralInRange<int>(0, 3);
    if (in.ConsumeBool()) choices.afLevel = in.ConsumeIntegralInRange<int>(0, 4);
    choices.hdr = in.ConsumeBool();
    choices.renderer = in.ConsumeBool() ? Renderer::OpenGL : Renderer::Direct3D;

    // The user's file: "Sam2.ini", unless it is a leftover benchmark file
    // beside a backup, which then holds the user's file.
    std::optional<std::string> users = config;
    if (config && backup && isBenchmarkFile(*config)) users = backup;

    GameConfigFile file(files, fileOp, log);
    QualityLabels labels;
    bool failed = false;
    try {
        file.prepare(game, choices, labels);
    } catch (const MelkrinError&) {
        failed = true;
    }
    try {
        file.restore(game);
    } catch (const MelkrinError&) {
        failed = true;
    }

    const auto holds = [&](const std::string& path) {
        return files.fileExists(path) && files.content(path) == *users;
    };
    if (users) {
        fuzz::require(holds(game.configFile()) || holds(game.configBackup()), "the user's configuration is lost");
        if (!failed) {
            fuzz::require(holds(game.configFile()), "the user's configuration did not come back");
            fuzz::require(!files.fileExists(game.configBackup()), "a backup stayed behind after a run that went through");
        }
    } else if (backup && !failed) {
        fuzz::require(files.content(game.configBackup()) == *backup, "a stale backup was changed");
    }
    return 0;
}
