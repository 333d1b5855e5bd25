// Start-up over whatever an earlier installation, another program or a
// damaged registry left: every settings value missing, a string of any bytes
// or a value of another type; the game key's paths; "version.txt"; the
// display's modes; the files the stored paths point at.
#include <memory>

#include "app/main_window.h"
#include "state_view.h"
#include "fake_platform.h"
#include "fuzz_support.h"
#include "memory_file_system.h"
#include "memory_key_store.h"
#include "settings/resolutions.h"
#include "settings/settings_names.h"

using namespace melkrin;
using namespace melkrin::testing;

namespace {

constexpr const char* kProgram = "C:\\Bench\\";

const char* const kValueNames[] = {
    names::kPath,        names::kProgramVersion, names::kCustomWidth,   names::kCustomHeight, names::kCustomOn,
    names::kDemo,        names::kDemoName,       names::kResultPath,    names::kAfLevel,      names::kAaLevel,
    names::kNote,        names::kHdr,            names::kRenderer,      names::kUseProxy,     names::kProxyServer,
    names::kProxyPort,   names::kProxyUsername,  names::kProxyPassword, names::kRunMarker,    names::kUpdateServer,
    names::kDisplayMemory, names::kDriverVersion, names::kSound,
};

// Short texts are likelier to hit the exact values the decoders look for.
std::string text(FuzzedDataProvider& in) { return in.ConsumeRandomLengthString(64); }

void setValue(FuzzedDataProvider& in, MemoryKeyStore& keys, const std::string& key, const char* name) {
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: break;
        case 1: keys.set(key, name, text(in)); break;
        default: keys.setOtherType(key, name); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    MemoryKeyStore keys;
    MemoryFileSystem files;
    RecordingFileOp fileOp{files};
    FakeDisplayModes modes;
    FakeDialogs dialogs;
    FakeWaits waits;
    StateView view;

    files.addFile(std::string(kProgram) + "melkrin.exe");
    if (in.ConsumeBool()) keys.addKey(names::kSettingsKey);
    if (keys.keyExists(names::kSettingsKey)) {
        for (const char* name : kValueNames) setValue(in, keys, names::kSettingsKey, name);
        for (const auto& resolution : kFixedResolutions) setValue(in, keys, names::kSettingsKey, resolution.key);
    }
    if (in.ConsumeBool()) {
        keys.addKey(game::kKey);
        setValue(in, keys, game::kKey, game::kGameValue);
        setValue(in, keys, game::kKey, game::kPathValue);
    }
    const int modeCount = in.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < modeCount; ++i)
        modes.modes.emplace_back(in.ConsumeIntegral<unsigned>(), in.ConsumeIntegral<unsigned>());
    // Files and folders at paths of the fuzzer's choice: stored paths may point at them.
    const int pathCount = in.ConsumeIntegralInRange<int>(0, 4);
    for (int i = 0; i < pathCount; ++i) {
        const std::string path = text(in);
        if (in.ConsumeBool()) files.addFolder(path); else files.addFile(path, text(in));
    }
    const bool answerYes = in.ConsumeBool();
    dialogs.answers.push_back(answerYes);
    if (in.ConsumeBool()) files.addFile(std::string(kProgram) + "version.txt", in.ConsumeRemainingBytesAsString());

    auto form = std::make_unique<MainWindow>(view, MainWindowServices{keys, files, fileOp, modes, dialogs, waits, kProgram});
    form->onCreate();

    // Whatever was stored, the lists show an item of their own or none.
    const auto within = [&](ControlId id, int highest) {
        const int at = view.selection(id);
        return at == kNoSelection || (at >= 0 && at <= highest);
    };
    fuzz::require(within(ControlId::AFBox, 4) && within(ControlId::AABox, 3) && within(ControlId::Demo, 3) &&
                      within(ControlId::RendererBox, 1),
                  "a list shows an item it does not have");
    // A start-up that ran through shows the version the settings hold.
    if (dialogs.errors.empty() && dialogs.messages.empty())
        fuzz::require(view.text(ControlId::VersionText) ==
                          keys.get(names::kSettingsKey, names::kProgramVersion).value_or(""),
                      "the version shown is not the stored one");
    form->onDestroy();
    return 0;
}
