#include "app/pointer_group.h"

namespace melkrin {

bool PointerGroup::left(PointerEvent event, const PointerAt& at) {
    if (!at.controlInGroup) return false;
    if (event == PointerEvent::Moved) {
        if (at.withinGroup) inside_ = true;
        return false;
    }
    if (!inside_ || (at.withinGroup && at.groupVisible)) return false;
    inside_ = false;
    return true;
}

}  // namespace melkrin
