#pragma once
// The seams the main window's handlers need beyond start-up: file and folder
// dialogs, the shell, the help download and the program's other windows.
#include <optional>
#include <string>

#include "app/web_addresses.h"

namespace melkrin {

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The folder selection dialog; the chosen folder's full path without a
    // trailing backslash (a drive root keeps its own), nothing when cancelled.
    virtual std::optional<std::string> chooseFolder() = 0;
    // The file open dialog. The filter is "description|pattern".
    virtual std::optional<std::string> chooseFile(const std::string& title, const std::string& filter) = 0;
};

// How the shell shows what it opens.
enum class ShowCommand { Show, ShowNormal };

class Shell {
public:
    virtual ~Shell() = default;
    // The verb "open" with empty parameters and working folder; the outcome is not reported.
    virtual void open(const std::string& target, ShowCommand show) = 0;
};

class HelpDownloader {
public:
    virtual ~HelpDownloader() = default;
    // Stores the whole body of the URL in the file; false when the address
    // could not be opened or the transfer broke off (no file is left then).
    // Throws the platform's file error when the file cannot be created.
    virtual bool downloadToFile(const std::string& url, const std::string& path, const std::string& agent) = 0;
};

// The application and its other windows, as the main window's handlers use them.
class AppWindows {
public:
    virtual ~AppWindows() = default;
    virtual void minimiseApplication() = 0;
    // Ends the message loop at once; the window's close handler does not run.
    virtual void terminateApplication() = 0;
    // Form3, the resolution possibilities dialog, shown modally.
    virtual void showPossibilities() = 0;
    // Form2, "Please wait...", shown and painted at once.
    virtual void showPleaseWait() = 0;
    virtual void closePleaseWait() = 0;
};

struct Form1UiServices {
    FileDialogs& fileDialogs;
    Shell& shell;
    HelpDownloader& helpDownloader;
    AppWindows& windows;
    // Only tests point this elsewhere (a server on 127.0.0.1).
    std::string helpFileUrl = web::helpFileUrl();
};

}  // namespace melkrin
