#pragma once
// Every double the main window's presenter needs, for the tests that build a
// MainWindow over a fake view or over the real window.
#include <string>
#include <vector>

#include "app/main_window.h"
#include "fake_platform.h"
#include "fake_update.h"
#include "fake_window_services.h"
#include "memory_file_system.h"
#include "memory_key_store.h"

namespace melkrin::testing {

struct MainWindowDoubles {
    MemoryKeyStore keys;
    MemoryFileSystem files;
    RecordingFileOp fileOp{files};
    FakeDisplayModes modes;
    FakeDialogs dialogs;
    FakeWaits waits;
    std::vector<std::string> log;
    FakeFileDialogs fileDialogs;
    FakeShell shell{log};
    FakeHelpDownloader downloader{log};
    FakeAppWindows windows{log};
    FakeVerifier verifier;

    MainWindowServices services(const std::string& programFolder) {
        return MainWindowServices{keys, files, fileOp, modes, dialogs, waits, programFolder};
    }
    MainWindowUiServices uiServices() { return MainWindowUiServices{fileDialogs, shell, downloader, windows, verifier}; }
};

}  // namespace melkrin::testing
