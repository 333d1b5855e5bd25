#pragma once
// What marks a result file as ours, shared by its writer and the history
// page that reads it back.

namespace melkrin {

inline constexpr const char* kResultFormat = "melkrin-result";
// A reader skips (and names) a file of a higher version than it knows.
inline constexpr int kResultFormatVersion = 1;

}  // namespace melkrin
