#pragma once
// The game left running by an interrupted benchmark: a game that writes its
// configuration as it quits would write over a restored one, so start-up's
// recovery waits for it first. A seam: Windows looks at the running
// processes, tests play the answers.
#include <string>

namespace melkrin {

enum class GameWait {
    NotRunning,  // no process of that program file runs
    Ended,       // it ran, and ended while we waited
    Cancelled,   // the user pressed Cancel; it still runs
    TimedOut,    // it still runs after the longest wait
};

class RunningGame {
public:
    virtual ~RunningGame() = default;
    // While a process runs from gameExePath (the game's own program file, not
    // another copy of it), shows notice with a Cancel button (nothing when
    // the run is unattended) and waits at most timeoutMs for its end. Never
    // ends the game: the user may have started it by hand.
    virtual GameWait waitUntilEnded(const std::string& gameExePath, const std::string& notice, unsigned timeoutMs) = 0;
};

}  // namespace melkrin
