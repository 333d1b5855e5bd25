#pragma once
// When the pointer has left an option group (a frame and the items on it):
// moving between the frame and its items stays inside the group; the group
// is left once, when the pointer is really outside it (or the group is gone
// from view), whatever order the window's move and leave messages come in.

namespace melkrin {

enum class PointerEvent { Moved, Left };

struct PointerAt {
    bool controlInGroup;  // the control the message is about is the frame or one of its items
    bool withinGroup;     // the pointer's real position lies inside the frame
    bool groupVisible;
};

class PointerGroup {
public:
    // True exactly when this event ends a visit: the group's options are stored then.
    bool left(PointerEvent event, const PointerAt& at);
    bool inside() const { return inside_; }

private:
    bool inside_ = false;
};

}  // namespace melkrin
