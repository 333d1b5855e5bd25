#pragma once
// Every double the main window's presenter needs, for the tests that build a
// TForm1 over a fake view or over the real window.
#include <string>
#include <vector>

#include "app/form1.h"
#include "fake_platform.h"
#include "fake_update.h"
#include "fake_window_services.h"
#include "memory_file_system.h"
#include "memory_key_store.h"

namespace melkrin::testing {

struct Form1Doubles {
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

    Form1Services services(const std::string& programFolder) {
        return Form1Services{keys, files, fileOp, modes, dialogs, waits, programFolder};
    }
    Form1UiServices uiServices() { return Form1UiServices{fileDialogs, shell, downloader, windows, verifier}; }
};

}  // namespace melkrin::testing
