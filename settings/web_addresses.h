#pragma once
// The maker's web presence: the one place that names it.
#include <string>

namespace melkrin::web {

inline constexpr const char* kMakerHost = "www.velkora.com";
// Opened by the shell, which adds the scheme itself.
inline constexpr const char* kHomepage = kMakerHost;
// The help file's address comes from the signed update information ("#help=").
inline constexpr const char* kHelpAgent = "help.chm";
// The update information comes over https from the maker's server; its
// signature is what makes it trustworthy, https keeps it private.
inline constexpr const char* kUpdateScheme = "https://";

}  // namespace melkrin::web
