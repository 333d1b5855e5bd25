#pragma once
// Doubles for the small seams: dialogs, waits, display modes, shell file operation.
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "app/display_modes.h"
#include "common/dialogs.h"
#include "common/shell_file_op.h"
#include "common/waits.h"

namespace melkrin::testing {

class FakeDialogs : public Dialogs {
public:
    void showMessage(const std::string& text) override { messages.push_back(text); }
    void showError(const std::string& text) override { errors.push_back(text); }
    bool confirm(const std::string& text) override {
        questions.push_back(text);
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> messages, errors, questions;
    std::deque<bool> answers;  // Yes = true; No when none is left
};

class FakeWaits : public Waits {
public:
    void sleep(unsigned milliseconds) override { sleeps.push_back(milliseconds); }
    std::vector<unsigned> sleeps;
};

class FakeDisplayModes : public DisplayModeSource {
public:
    FakeDisplayModes() = default;
    explicit FakeDisplayModes(std::vector<std::pair<unsigned, unsigned>> m) : modes(std::move(m)) {}
    bool mode(unsigned n, unsigned& width, unsigned& height) override {
        if (n >= modes.size()) return false;
        width = modes[n].first;
        height = modes[n].second;
        return true;
    }
    std::vector<std::pair<unsigned, unsigned>> modes;
};

// Performs the operations on a FileSystem double and records them.
class RecordingFileOp : public ShellFileOperation {
public:
    explicit RecordingFileOp(FileSystem& files) : plain_(files) {}
    void move(const std::string& from, const std::string& to) override {
        log.push_back("move " + from + " -> " + to);
        if (journal) journal->push_back(log.back());
        plain_.move(from, to);
    }
    void copy(const std::string& from, const std::string& to) override {
        log.push_back("copy " + from + " -> " + to);
        plain_.copy(from, to);
    }
    void setProgressTitle(const std::string& title) override { plain_.setProgressTitle(title); }
    std::string progressTitle() const override { return plain_.progressTitle(); }

    std::vector<std::string> log;
    std::vector<std::string>* journal = nullptr;  // shared with other doubles: the order of effects

private:
    PlainFileOperation plain_;
};

}  // namespace melkrin::testing
