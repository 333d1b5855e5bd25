#include "run/run_request.h"

#include <algorithm>
#include <exception>

#include "common/text.h"
#include "settings/settings_names.h"
#include "settings/settings_store.h"

namespace melkrin {
namespace {

std::string storedText(SettingsStore& settings, const char* name) {
    try {
        return settings.readString(name);
    } catch (const std::exception&) {
        return {};  // a value of the wrong type reads as missing
    }
}

}  // namespace

std::vector<ResolutionSlot> chosenSlots(const bool (&checked)[kCustomSlot + 1], const std::string& customWidth,
                                        const std::string& customHeight) {
    std::vector<ResolutionSlot> slots;
    for (int i = 0; i < kCustomSlot; ++i)
        if (checked[i]) slots.push_back(resolutionSlot(i, customWidth, customHeight));
    if (checked[kCustomSlot] && !customWidth.empty() && !customHeight.empty())
        slots.push_back(resolutionSlot(kCustomSlot, customWidth, customHeight));
    return slots;
}

unsigned storedGameTimeLimit(SettingsStore& settings) {
    settings.open(names::kSettingsKey, false);
    const std::string stored = trim(storedText(settings, names::kGameTimeLimit));
    if (stored.empty() || stored.size() > 9 ||
        !std::all_of(stored.begin(), stored.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return kDefaultGameTimeLimit;
    return std::min(static_cast<unsigned>(std::stoul(stored)), kLongestGameTimeLimit);
}

PassPlan storedPassPlan(SettingsStore& settings) {
    settings.open(names::kSettingsKey, false);
    return PassPlan::fromStored(storedText(settings, names::kPasses), storedText(settings, names::kWarmUp));
}

}  // namespace melkrin
