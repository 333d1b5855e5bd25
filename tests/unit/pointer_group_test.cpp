// When the resolution group counts as left: the decision alone, over the
// sequences of move and leave messages that real pointers (and Wine's
// replayed warps) produce.
#include <gtest/gtest.h>

#include <vector>

#include "app/pointer_group.h"

namespace melkrin {
namespace {

struct Step {
    PointerEvent event;
    PointerAt at;
};

constexpr PointerAt kOnItem{true, true, true};        // over an item, inside the frame
constexpr PointerAt kOffGroup{true, false, true};     // a group control's message, pointer outside
constexpr PointerAt kHidden{true, true, false};       // the page was switched away under the pointer
constexpr PointerAt kOtherControl{false, false, true};

TEST(PointerGroupTest, ReportsALeaveOnceAndOnlyAfterAVisit) {
    const PointerEvent M = PointerEvent::Moved;
    const PointerEvent L = PointerEvent::Left;
    struct Case {
        const char* name;
        std::vector<Step> steps;
        int leaves;
    } cases[] = {
        {"enter then leave", {{M, kOnItem}, {L, kOffGroup}}, 1},
        {"item to item stays inside", {{M, kOnItem}, {L, kOnItem}, {M, kOnItem}}, 0},
        {"a second leave changes nothing", {{M, kOnItem}, {L, kOffGroup}, {L, kOffGroup}}, 1},
        {"a leave without a visit (keyboard only)", {{L, kOffGroup}}, 0},
        {"a late move from outside is no visit", {{M, kOffGroup}, {L, kOffGroup}}, 0},
        {"the group hidden under the pointer", {{M, kOnItem}, {L, kHidden}}, 1},
        {"other controls are not the group", {{M, kOnItem}, {L, kOtherControl}, {M, kOtherControl}}, 0},
        {"two visits, two leaves", {{M, kOnItem}, {L, kOffGroup}, {M, kOnItem}, {L, kOffGroup}}, 2},
    };
    for (const auto& c : cases) {
        PointerGroup group;
        int leaves = 0;
        for (const auto& step : c.steps)
            if (group.left(step.event, step.at)) ++leaves;
        EXPECT_EQ(leaves, c.leaves) << c.name;
    }
}

}  // namespace
}  // namespace melkrin
