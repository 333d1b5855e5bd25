#pragma once
// The maker's web presence: the one place that names it.
namespace melkrin::web {

inline constexpr const char* kMakerHost = "www.velkora.com";
// Opened by the shell, which adds the scheme itself.
inline constexpr const char* kHomepage = "www.velkora.com";
inline constexpr const char* kHelpFileUrl = "http://www.velkora.com/benchmarks/ss2/help.chm";
inline constexpr const char* kHelpAgent = "help.chm";

}  // namespace melkrin::web
