#pragma once
// What marks a result file as ours, shared by its writer and the history
// page that reads it back.

namespace melkrin {

inline constexpr const char* kResultFormat = "melkrin-result";
// The major version: a reader skips (and names) a file of a higher one than it
// knows. Minor versions only add keys, which a reader ignores when it does not
// know them; a file without formatMinorVersion is minor version 0.
inline constexpr int kResultFormatVersion = 1;
inline constexpr int kResultFormatMinorVersion = 1;

}  // namespace melkrin
