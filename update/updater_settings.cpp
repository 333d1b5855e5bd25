#include "update/updater_settings.h"

#include "app/web_addresses.h"
#include "common/text.h"
#include "update/transfer_rules.h"
#include "update/update_texts.h"

namespace melkrin::update {

std::string InfoFileUrl(const std::string& updateServerSetting) {
    std::string server = trim(updateServerSetting);
    if (server.empty()) server = std::string(web::kUpdateScheme) + web::kMakerHost;
    server = NormalizeUrl(server);
    while (!server.empty() && server.back() == '/') server.pop_back();
    return server + kInfoFilePath;
}

void ConfigureForThisProgram(TSelfUpdater& updater, const std::string& programVersion,
                             const std::string& fileVersion, const std::string& updateServerSetting) {
    updater.InfoFileURL = InfoFileUrl(updateServerSetting);
    updater.VersionControl = TUpdVersionControl::byNumber;
    updater.VersionNumber = HigherVersion(programVersion, fileVersion);
    updater.VersionDate = "07/30/2006";
    updater.ShowMessages = {TUpdShowMessages::mAskUpgrade, TUpdShowMessages::mConnLost,
                            TUpdShowMessages::mHostUnreachable, TUpdShowMessages::mLostFile,
                            TUpdShowMessages::mNoUpdateAvailable};
    updater.AutoCheckDelay = 10000;
    updater.SetAutoCheck(false);
    SetLanguage(TUpdLanguage::wlEnglish, 0);
}

}  // namespace melkrin::update
