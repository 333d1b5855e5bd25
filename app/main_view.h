#pragma once
// What the main window's handlers see of its controls. The Win32 window
// implements it with real controls; tests use StateView. Changing a control
// through the view never raises that control's own event: handlers that must
// follow a change (the demo group's) are called by the presenter itself.
#include <string>

#include "app/control_ids.h"

namespace melkrin {

class MainView {
public:
    virtual ~MainView() = default;

    virtual void setText(ControlId id, const std::string& text) = 0;
    virtual std::string text(ControlId id) const = 0;
    virtual void setChecked(ControlId id, bool checked) = 0;
    virtual bool checked(ControlId id) const = 0;
    virtual void setEnabled(ControlId id, bool enabled) = 0;
    virtual bool enabled(ControlId id) const = 0;
    virtual void setVisible(ControlId id, bool visible) = 0;
    virtual bool visible(ControlId id) const = 0;
    // Item index of a list or radio group, kNoSelection for none.
    virtual void setSelection(ControlId id, int index) = 0;
    virtual int selection(ControlId id) const = 0;
    // Hint text (tooltip; a picture button's window text).
    virtual void setHint(ControlId id, const std::string& hint) = 0;
    virtual std::string hint(ControlId id) const = 0;

    virtual void showPage(int page) = 0;
    virtual int page() const = 0;
    // The accent and panel colours laid over the design at start-up.
    virtual void applyTheme() = 0;
    virtual void repaint(ControlId id) = 0;
};

}  // namespace melkrin
