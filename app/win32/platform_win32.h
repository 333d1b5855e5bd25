#pragma once
// Small Win32 facts the start-up needs.
#include <string>

#include "app/display_modes.h"

namespace melkrin {

// The folder of the running program file, with a trailing backslash.
std::string programFolderOfThisProcess();

// 8-bit text of the system code page as UTF-8 (a scripted run's JSON file).
std::string systemCodePageToUtf8(const std::string& text);

// EnumDisplaySettingsA on the current display.
class Win32DisplayModes final : public DisplayModeSource {
public:
    bool mode(unsigned n, unsigned& width, unsigned& height) override;
};

}  // namespace melkrin
