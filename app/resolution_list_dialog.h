#pragma once
// ResolutionListDialog, the resolution possibilities dialog: lists the display's sizes and
// takes the first checked one over as the main window's custom resolution.
#include <string>

#include "app/display_modes.h"
#include "app/main_view.h"
#include "settings/settings_store.h"

namespace melkrin {

// The dialog's check list and its closing, as the handlers see them.
class PossibilitiesView {
public:
    virtual ~PossibilitiesView() = default;
    virtual void clearItems() = 0;
    virtual void addItem(const std::string& text) = 0;
    virtual int itemCount() const = 0;
    virtual std::string itemText(int index) const = 0;
    virtual bool itemChecked(int index) const = 0;
    virtual void closeDialog() = 0;
};

// Width and height of a "1024 x 768" text: everything before the blank in
// front of the first "x", and everything after the blank behind it.
struct SizeTexts {
    std::string width;
    std::string height;
};
SizeTexts splitModeText(const std::string& text);

class ResolutionListDialog {
public:
    ResolutionListDialog(PossibilitiesView& view, MainView& mainWindow, SettingsStore& settings, DisplayModeSource& modes)
        : view_(view), mainWindow_(mainWindow), settings_(settings), modes_(modes) {}

    // Each time the dialog becomes the active window: a fresh, unchecked list.
    void onActivate();
    void onDeactivate();
    // "Add": the first checked size goes to CusWidth and CusHeight and to the store.
    void onAddClicked();
    void onCloseClicked();

private:
    PossibilitiesView& view_;
    MainView& mainWindow_;
    SettingsStore& settings_;
    DisplayModeSource& modes_;
    DisplayModeList list_;
    int entries_ = 0;
};

}  // namespace melkrin
