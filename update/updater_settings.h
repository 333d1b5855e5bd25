#pragma once
// How this program sets up its update component.
#include <string>

#include "update/update_checker.h"

namespace melkrin::update {

inline constexpr const char* kInfoFilePath = "/benchmarks/ss2/qrv_melkrin.inf";

// The information file on the maker's server, or on the server named by the
// optional settings value "UpdateServer" (a mirror: "http://host:port" or a
// bare host name). A mirror is safe to allow because every information file
// must carry the maker's signature.
std::string infoFileUrl(const std::string& updateServerSetting);

// This program's settings: version by number (the higher of the stored
// "Programversion" and the program file's own version, so that a stale or
// tampered stored value never lets an older or equal release be offered),
// release date 07/30/2006, the messages it shows, no automatic check.
void configureForThisProgram(UpdateChecker& updater, const std::string& programVersion,
                             const std::string& fileVersion, const std::string& updateServerSetting);

}  // namespace melkrin::update
