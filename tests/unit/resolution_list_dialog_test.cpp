// The resolution possibilities dialog against a fake check list.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/resolution_list_dialog.h"
#include "state_view.h"
#include "common/errors.h"
#include "fake_platform.h"
#include "memory_key_store.h"
#include "settings/settings_names.h"

namespace melkrin {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace melkrin::testing;

class FakeCheckList : public PossibilitiesView {
public:
    void clearItems() override { items.clear(); }
    void addItem(const std::string& text) override { items.push_back({text, false}); }
    int itemCount() const override { return static_cast<int>(items.size()); }
    std::string itemText(int index) const override { return items.at(index).first; }
    bool itemChecked(int index) const override { return items.at(index).second; }
    void closeDialog() override { ++closed; }

    void check(const std::string& text) {
        for (auto& item : items)
            if (item.first == text) item.second = true;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& item : items) out.push_back(item.first);
        return out;
    }

    std::vector<std::pair<std::string, bool>> items;
    int closed = 0;
};

struct Dialog {
    MemoryKeyStore keys;
    SettingsStore settings{keys};
    FakeDisplayModes modes{{{800, 600}, {640, 480}, {800, 600}, {1280, 1024}, {1280, 1024}, {1152, 864}}};
    FakeCheckList list;
    StateView mainWindow;
    ResolutionListDialog form{list, mainWindow, settings, modes};

    Dialog() { keys.addKey(names::kSettingsKey); }
};

TEST(ResolutionListDialogTest, SplitsEveryModeTextIntoWidthAndHeight) {
    struct Case {
        const char* text;
        const char* width;
        const char* height;
    } cases[] = {
        {"640 x 480", "640", "480"},
        {"1024 x 768", "1024", "768"},
        {"12800 x 4320", "12800", "4320"},
        {"1 x 2", "1", "2"},
    };
    for (const auto& c : cases) {
        const SizeTexts size = splitModeText(c.text);
        EXPECT_EQ(size.width, c.width) << c.text;
        EXPECT_EQ(size.height, c.height) << c.text;
    }
}

TEST(ResolutionListDialogTest, EachActivationRebuildsAnUncheckedListInThePlatformsOrder) {
    Dialog d;
    d.form.onActivate();
    EXPECT_THAT(d.list.texts(), ElementsAre("800 x 600", "640 x 480", "1280 x 1024", "1152 x 864"));
    d.list.check("640 x 480");
    d.form.onDeactivate();
    EXPECT_EQ(d.list.itemCount(), 4);  // the list keeps its items while inactive

    d.modes.modes.push_back({1600, 1200});
    d.form.onActivate();
    EXPECT_THAT(d.list.texts(), ElementsAre("800 x 600", "640 x 480", "1280 x 1024", "1152 x 864", "1600 x 1200"));
    for (const auto& item : d.list.items) EXPECT_FALSE(item.second) << item.first;
}

TEST(ResolutionListDialogTest, AddTakesTheFirstCheckedSizeAndLeavesTheCustomBoxAlone) {
    Dialog d;
    d.keys.set(names::kSettingsKey, "CusRes", "0");
    d.form.onActivate();
    d.list.check("1280 x 1024");
    d.list.check("800 x 600");
    d.form.onAddClicked();
    EXPECT_EQ(d.mainWindow.text(ControlId::CusWidth), "800");
    EXPECT_EQ(d.mainWindow.text(ControlId::CusHeight), "600");
    EXPECT_THAT(d.keys.writes, ElementsAre("CusW=800", "CusH=600"));
    EXPECT_FALSE(d.mainWindow.checked(ControlId::CusResBox));
    EXPECT_EQ(d.list.closed, 1);
}

TEST(ResolutionListDialogTest, AddWithNothingCheckedAndCloseChangeNothing) {
    for (bool viaAdd : {true, false}) {
        Dialog d;
        d.mainWindow.setText(ControlId::CusWidth, "1152");
        d.form.onActivate();
        if (!viaAdd) d.list.check("640 x 480");
        viaAdd ? d.form.onAddClicked() : d.form.onCloseClicked();
        EXPECT_EQ(d.mainWindow.text(ControlId::CusWidth), "1152");
        EXPECT_THAT(d.keys.writes, IsEmpty());
        EXPECT_EQ(d.list.closed, 1);
    }
}

TEST(ResolutionListDialogTest, AddDoesNotCreateAMissingSettingsKey) {
    Dialog d;
    d.keys.keys.clear();
    d.form.onActivate();
    d.list.check("640 x 480");
    EXPECT_THROW(d.form.onAddClicked(), MelkrinError);
    EXPECT_FALSE(d.keys.keyExists(names::kSettingsKey));
}

}  // namespace
}  // namespace melkrin
