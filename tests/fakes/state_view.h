#pragma once
// The tests' MainView: it only keeps the controls' state, starting from the
// state the window is designed with.
#include <map>
#include <string>

#include "app/main_view.h"

namespace melkrin {

class StateView : public MainView {
public:
    struct Control {
        std::string text;
        std::string hint;
        bool checked = false;
        bool enabled = true;
        bool visible = true;
        int selection = kNoSelection;
        int repaints = 0;
    };

    StateView();

    void setText(ControlId id, const std::string& text) override { at(id).text = text; }
    std::string text(ControlId id) const override { return get(id).text; }
    void setChecked(ControlId id, bool checked) override { at(id).checked = checked; }
    bool checked(ControlId id) const override { return get(id).checked; }
    void setEnabled(ControlId id, bool enabled) override { at(id).enabled = enabled; }
    bool enabled(ControlId id) const override { return get(id).enabled; }
    void setVisible(ControlId id, bool visible) override { at(id).visible = visible; }
    bool visible(ControlId id) const override { return get(id).visible; }
    void setSelection(ControlId id, int index) override { at(id).selection = index; }
    int selection(ControlId id) const override { return get(id).selection; }
    void setHint(ControlId id, const std::string& hint) override { at(id).hint = hint; }
    std::string hint(ControlId id) const override { return get(id).hint; }
    void showPage(int page) override { page_ = page; }
    int page() const override { return page_; }
    void applyTheme() override { themed_ = true; }
    void repaint(ControlId id) override { ++at(id).repaints; }

    bool themed() const { return themed_; }
    Control& at(ControlId id) { return controls_[id]; }
    const Control& get(ControlId id) const;

private:
    std::map<ControlId, Control> controls_;
    int page_ = 0;
    bool themed_ = false;
};

}  // namespace melkrin
