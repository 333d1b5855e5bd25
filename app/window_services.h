#pragma once
// The seams the main window's handlers need beyond start-up: file and folder
// dialogs, the shell, the help download and the program's other windows.
#include <cstdint>
#include <optional>
#include <string>

#include "settings/web_addresses.h"

namespace melkrin {
namespace update {
class SignatureVerifier;
}

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

// What one fetch of the help download brought.
struct HelpFetch {
    enum class Outcome {
        Done,              // the whole body of a 2xx answer (statusCode tells which)
        HttpError,         // an answer other than 2xx
        Unreachable,       // no answer at all
        Incomplete,        // the body broke off or stalled
        TooLarge,          // longer than the most that was allowed
        InsecureRedirect,  // an https address sent the request on to http
        TooManyRedirects,
    };
    Outcome outcome = Outcome::Unreachable;
    int statusCode = -1;
    std::string body;
};

class HelpDownloader {
public:
    virtual ~HelpDownloader() = default;
    // The body of the URL in memory, never more than maxBytes of it, with the
    // transfer client's rules (redirects, stall limit); the window stays
    // responsive meanwhile and the call returns when the transfer ended.
    virtual HelpFetch fetch(const std::string& url, std::uint64_t maxBytes, const std::string& agent) = 0;
};

// The application and its other windows, as the main window's handlers use them.
class AppWindows {
public:
    virtual ~AppWindows() = default;
    virtual void minimiseApplication() = 0;
    // Ends the message loop at once; the window's close handler does not run.
    virtual void terminateApplication() = 0;
    // Closes the main window as the system's close command does (later, through the message loop).
    virtual void closeMainWindow() = 0;
    // ResolutionListDialog, the resolution possibilities dialog, shown modally.
    virtual void showPossibilities() = 0;
    // WaitWindow, "Please wait...", shown and painted at once.
    virtual void showPleaseWait() = 0;
    virtual void closePleaseWait() = 0;
};

struct MainWindowUiServices {
    FileDialogs& fileDialogs;
    Shell& shell;
    HelpDownloader& helpDownloader;
    AppWindows& windows;
    // The update's signature check: the help file is named by the signed update information.
    update::SignatureVerifier& verifier;
};

}  // namespace melkrin
