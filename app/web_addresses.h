#pragma once
// The maker's web presence: the one place that names it.
#include <string>

namespace melkrin::web {

inline constexpr const char* kMakerHost = "www.velkora.com";
// Opened by the shell, which adds the scheme itself.
inline constexpr const char* kHomepage = kMakerHost;
inline constexpr const char* kHelpFilePath = "/benchmarks/ss2/help.chm";
inline std::string helpFileUrl() { return std::string("http://") + kMakerHost + kHelpFilePath; }
inline constexpr const char* kHelpAgent = "help.chm";

}  // namespace melkrin::web
