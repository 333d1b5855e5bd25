#pragma once
// Doubles for the main window's own seams: dialogs for files and folders, the
// shell, the help download and the program's other windows. Each records
// what it was asked, in one shared log where the order matters.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/window_services.h"

namespace melkrin::testing {

class FakeFileDialogs : public FileDialogs {
public:
    std::optional<std::string> chooseFolder() override {
        ++folderDialogs;
        return folderAnswer;
    }
    std::optional<std::string> chooseFile(const std::string& title, const std::string& filter) override {
        fileDialogs.push_back(title + " / " + filter);
        return fileAnswer;
    }

    std::optional<std::string> folderAnswer;  // nothing = cancelled
    std::optional<std::string> fileAnswer;
    int folderDialogs = 0;
    std::vector<std::string> fileDialogs;
};

class FakeShell : public Shell {
public:
    explicit FakeShell(std::vector<std::string>& log) : log_(log) {}
    void open(const std::string& target, ShowCommand show) override {
        log_.push_back(std::string(show == ShowCommand::Show ? "open " : "open-normal ") + target);
    }

private:
    std::vector<std::string>& log_;
};

class FakeHelpDownloader : public HelpDownloader {
public:
    explicit FakeHelpDownloader(std::vector<std::string>& log) : log_(log) {}
    HelpFetch fetch(const std::string& url, std::uint64_t maxBytes, const std::string& agent) override {
        log_.push_back("fetch " + url + " up to " + std::to_string(maxBytes) + " as " + agent);
        const auto found = answers.find(url);
        if (found == answers.end()) return HelpFetch{HelpFetch::Outcome::Unreachable, -1, ""};
        HelpFetch answer = found->second;
        // As the real client: a body never passes the limit it was given.
        if (answer.outcome == HelpFetch::Outcome::Done && answer.body.size() > maxBytes)
            return HelpFetch{HelpFetch::Outcome::TooLarge, answer.statusCode, ""};
        return answer;
    }
    // What each address answers; any other is unreachable.
    std::map<std::string, HelpFetch> answers;

private:
    std::vector<std::string>& log_;
};

class FakeAppWindows : public AppWindows {
public:
    explicit FakeAppWindows(std::vector<std::string>& log) : log_(log) {}
    void minimiseApplication() override { log_.push_back("minimise"); }
    void terminateApplication() override { log_.push_back("terminate"); }
    void closeMainWindow() override { log_.push_back("close window"); }
    void showPossibilities() override { log_.push_back("possibilities"); }
    void showPleaseWait() override { log_.push_back("show Form2"); }
    void closePleaseWait() override { log_.push_back("close Form2"); }

private:
    std::vector<std::string>& log_;
};

}  // namespace melkrin::testing
