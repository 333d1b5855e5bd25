#pragma once
// The help file fetched on request: the signed update information names it
// ("#help=" with its size and SHA-256), and only a body that matches both is
// stored, under a temporary name in the help folder and then renamed into
// place. Everything else leaves no file and a reason in plain words.
#include <cstdint>
#include <string>

#include "app/window_services.h"

namespace melkrin {

class FileSystem;
namespace update {
class SignatureVerifier;
}

inline constexpr const char* kHelpFileName = "help.chm";
// The name the body is written under before it is renamed into place.
inline constexpr const char* kHelpPartName = "help.chm.part";

struct HelpDownloadResult {
    bool stored = false;
    std::string problem;  // for the user when nothing was stored
};

// updateServerSetting: the "UpdateServer" settings value. The information file
// comes from where the update check gets it; the help file must be https
// unless that setting names a mirror. helpFolder ends in a backslash and is
// created when missing.
HelpDownloadResult downloadHelpFile(HelpDownloader& downloader, update::SignatureVerifier& verifier, FileSystem& files,
                                    const std::string& updateServerSetting, const std::string& helpFolder);

}  // namespace melkrin
