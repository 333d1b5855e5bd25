#include "update/updater_settings.h"

#include "settings/web_addresses.h"
#include "common/text.h"
#include "update/transfer_rules.h"

namespace melkrin::update {

std::string infoFileUrl(const std::string& updateServerSetting) {
    std::string server = trim(updateServerSetting);
    if (server.empty()) server = std::string(web::kUpdateScheme) + web::kMakerHost;
    server = normalizeUrl(server);
    while (!server.empty() && server.back() == '/') server.pop_back();
    return server + kInfoFilePath;
}

void configureForThisProgram(UpdateChecker& updater, const std::string& programVersion,
                             const std::string& fileVersion, const std::string& updateServerSetting) {
    updater.infoFileUrl = infoFileUrl(updateServerSetting);
    updater.versionControl = VersionScheme::Number;
    updater.versionNumber = higherVersion(programVersion, fileVersion);
    updater.versionDate = "07/30/2006";
    updater.showMessages = {UpdateMessage::AskUpgrade, UpdateMessage::ConnLost,
                            UpdateMessage::HostUnreachable, UpdateMessage::LostFile,
                            UpdateMessage::NoUpdateAvailable};
    updater.autoCheckDelay = 10000;
    updater.setAutoCheck(false);
}

}  // namespace melkrin::update
