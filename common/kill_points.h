#pragma once
// Named steps of a benchmark run at which the kill-point tests end the
// program abruptly, as the task manager or a power cut would, to prove that
// the next start gives the user's configuration back from every one of them.
// Nothing happens unless a handler is set; melkrin.exe sets one only when the
// environment variable MELKRIN_KILL_POINT names a step.
#include <functional>
#include <string>

namespace melkrin {

using KillPointHandler = std::function<void(const std::string& step)>;

void setKillPointHandler(KillPointHandler handler);
void killPoint(const std::string& step);

// Whether a step is the one wanted: its name, or a name it begins with
// ("replace result_" stands for every report).
bool killPointMatches(const std::string& step, const std::string& wanted);

}  // namespace melkrin
