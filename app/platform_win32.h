#pragma once
// Small Win32 facts the start-up needs.
#include <string>

#include "app/display_modes.h"

namespace melkrin {

// The folder of the running program file, with a trailing backslash.
std::string programFolderOfThisProcess();

// EnumDisplaySettingsA on the current display.
class Win32DisplayModes final : public DisplayModeSource {
public:
    bool mode(unsigned n, unsigned& width, unsigned& height) override;
};

}  // namespace melkrin
