#include "app/resolution_list_dialog.h"

#include "settings/settings_names.h"

namespace melkrin {

SizeTexts splitModeText(const std::string& text) {
    const auto x = text.find('x');
    if (x == std::string::npos) return {text, ""};
    return {text.substr(0, x == 0 ? 0 : x - 1), x + 2 <= text.size() ? text.substr(x + 2) : std::string()};
}

void ResolutionListDialog::onActivate() {
    view_.clearItems();
    list_ = buildDisplayModeList(modes_);
    entries_ = static_cast<int>(list_.size());
    for (const auto& entry : list_) view_.addItem(entry);
}

void ResolutionListDialog::onDeactivate() { list_.clear(); }

void ResolutionListDialog::onAddClicked() {
    for (int i = 0; i < entries_ && i < view_.itemCount(); ++i) {
        if (!view_.itemChecked(i)) continue;
        const SizeTexts size = splitModeText(view_.itemText(i));
        mainWindow_.setText(ControlId::CusWidth, size.width);
        mainWindow_.setText(ControlId::CusHeight, size.height);
        settings_.open(names::kSettingsKey, false);
        settings_.writeString(names::kCustomWidth, size.width);
        settings_.writeString(names::kCustomHeight, size.height);
        break;
    }
    view_.closeDialog();
}

void ResolutionListDialog::onCloseClicked() { view_.closeDialog(); }

}  // namespace melkrin
