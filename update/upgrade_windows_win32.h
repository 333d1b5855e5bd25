#pragma once
// The upgrade flow's windows: the download wizard (TUpdateWizardForm), the
// upgrade question (TUpgradeQuestionForm), the password window
// (TUpdatePasswordForm), the lost-file question and the browser.
#include <windows.h>

#include <functional>
#include <string>

#include "update/upgrade_flow.h"

namespace melkrin::update {

// The wizard's controls, named as its elements are.
namespace wizard_ids {
enum WizardId : int {
    WizardTitle = 100, LCurrentFile, LDownloadingFileFrom, FileURL, LFileSize, LTransferRate, LEstimatedTime,
    ProgressCurrentFile, LAllFiles, AllDownloading, ProgressAllFiles, AfterNote,
    FinishBtn = IDOK, CancelBtn = IDCANCEL,
};
}  // namespace wizard_ids

struct WizardLook {
    bool hideFileLocation = true;
    bool stayOnTop = true;
};

class Win32UpgradeWindows final : public UpgradeWindows {
public:
    Win32UpgradeWindows(HINSTANCE instance, std::string applicationTitle, WizardLook look = {});
    ~Win32UpgradeWindows() override;
    Win32UpgradeWindows(const Win32UpgradeWindows&) = delete;
    Win32UpgradeWindows& operator=(const Win32UpgradeWindows&) = delete;

    // The wizard's closing, by "&OK" or by a confirmed close question.
    std::function<void(WizardEnd)> onWizardClosed;

    bool askUpgrade(const std::string& message) override;
    void openWizard() override;
    bool wizardOpen() override { return wizard_ != nullptr; }
    void setLocation(const std::string& url) override;
    void setCounter(const std::string& text) override;
    void setSizeLine(const std::string& text) override;
    void setProgress(int currentPercent, int allPercent, const std::string& rateLine,
                     const std::string& timeLine) override;
    void showFinalPage() override;
    void closeWizard() override;
    bool askYesNo(const std::string& text, const std::string& caption) override;
    std::optional<Credentials> askPassword(const std::string& fileName, const Credentials& given) override;
    void openInBrowser(const std::string& url) override;
    char decimalSeparator() override;

    // Keyboard handling of the modeless wizard (Enter, Escape, Tab), from
    // the program's message loop.
    bool preTranslate(MSG& message);
    HWND wizard() const { return wizard_; }

private:
    static LRESULT CALLBACK wizardProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT wizardMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void paintWizard(HDC dc);
    void createWizardControls();
    void endWizard(WizardEnd end);
    void setText(int id, const std::string& text);
    int px(int value) const;

    HINSTANCE instance_;
    std::string title_;
    WizardLook look_;
    HWND wizard_ = nullptr;
    HFONT font_ = nullptr, titleFont_ = nullptr;
    HBITMAP picture_ = nullptr;
    bool finalPage_ = false;
    bool asking_ = false;
    int dpi_ = 96;
};

// The side picture of the wizard, 118 x 218, drawn by the program.
HBITMAP makeWizardPicture(HDC reference);

}  // namespace melkrin::update
