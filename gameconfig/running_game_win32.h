#pragma once
// RunningGame on Windows: finds the game's processes in a Toolhelp snapshot
// by their full image path, and waits on their handles on a thread of its
// own while a message box with a Cancel button is up; the box closes itself
// when the game has ended.
#include <windows.h>

#include "gameconfig/running_game.h"

namespace melkrin {

class Win32RunningGame final : public RunningGame {
public:
    GameWait waitUntilEnded(const std::string& gameExePath, const std::string& notice, unsigned timeoutMs) override;
    void setOwner(HWND owner) { owner_ = owner; }

private:
    HWND owner_ = nullptr;
};

}  // namespace melkrin
