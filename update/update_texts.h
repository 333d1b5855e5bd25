#pragma once
// The texts of the update component's windows and message boxes, by index.
// English is the one language this program carries.
#include <string>

namespace melkrin::update {

inline constexpr int kTextCount = 31;
// The component's name, shown in the wizard's corner in every language.
inline constexpr const char* kComponentName = "SelfUpdater";

const char* Text(int index);

// Message boxes of the check that the developer site cannot answer for:
// the information file is refused before anything is read from it.
inline constexpr const char* kUnsignedInfoText =
    "The update information on the developer's site is not signed.\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";
inline constexpr const char* kBadSignatureText =
    "The update information on the developer's site does not carry the developer's valid signature.\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";
inline constexpr const char* kUncheckedFileText =
    "The update information on the developer's site does not give a checksum and size for every file.\r\r"
    "The update was stopped for your safety: nothing was downloaded or changed.";

}  // namespace melkrin::update
