#include "app/help_download.h"

#include <exception>

#include "common/file_system.h"
#include "common/text.h"
#include "update/update_checker.h"
#include "update/signed_info.h"
#include "update/transfer_rules.h"
#include "update/updater_settings.h"

namespace melkrin {
namespace {

using Outcome = HelpFetch::Outcome;

HelpDownloadResult failed(const std::string& reason) {
    return {false, "The help file could not be downloaded: " + reason +
                       ".\r\rNo help file was stored. Please try again later."};
}

// Why a fetch brought nothing usable, in words (a status code alone tells a user nothing).
std::string whyNot(const HelpFetch& fetch, const char* what) {
    const std::string thing(what);
    switch (fetch.outcome) {
        case Outcome::Unreachable: return "the server of " + thing + " could not be reached";
        case Outcome::Incomplete: return "the connection broke off before all of " + thing + " arrived";
        case Outcome::TooLarge: return thing + " is larger than it may be";
        case Outcome::InsecureRedirect:
            return "the secure (https) address of " + thing + " sent the request on to one that is not secure";
        case Outcome::TooManyRedirects:
            return "the server sends the request for " + thing + " from one address to another without end";
        case Outcome::HttpError:
            if (fetch.statusCode == 404 || fetch.statusCode == 410) return "the server does not have " + thing;
            if (fetch.statusCode == 401 || fetch.statusCode == 403 || fetch.statusCode == 407)
                return "the server refused access to " + thing;
            if (fetch.statusCode >= 500) return "the server reported an error of its own for " + thing;
            return "the server did not deliver " + thing;
        case Outcome::Done: break;
    }
    // A 2xx other than 200 (a part of the file, no content ...) is not the file.
    return "the server did not answer with the whole of " + thing;
}

std::string whyUntrusted(update::InfoVerdict verdict) {
    using update::InfoVerdict;
    switch (verdict) {
        case InfoVerdict::Unsigned: return "the update information on the server is not signed";
        case InfoVerdict::FileUnchecked:
            return "the update information on the server does not give a checksum and size for every file";
        case InfoVerdict::RepeatedKey: return "the update information on the server names the same entry twice";
        default: return "the update information on the server does not carry the developer's valid signature";
    }
}

}  // namespace

HelpDownloadResult downloadHelpFile(HelpDownloader& downloader, update::SignatureVerifier& verifier, FileSystem& files,
                                    const std::string& updateServerSetting, const std::string& helpFolder) {
    // A mirror named in the settings may be plain http, as for the update check;
    // otherwise only https is good enough for what ends up under Program Files.
    const bool mirror = !trim(updateServerSetting).empty();
    const HelpFetch info = downloader.fetch(update::infoFileUrl(updateServerSetting),
                                            update::UpdateChecker::kMaxInfoFileSize, web::kHelpAgent);
    if (info.outcome != Outcome::Done || info.statusCode != 200) return failed(whyNot(info, "the update information"));
    const update::SignedInfo signedInfo = update::checkSignedInfo(info.body, verifier);
    if (signedInfo.verdict != update::InfoVerdict::Trusted) return failed(whyUntrusted(signedInfo.verdict));
    if (!signedInfo.help) return failed("the update information on the server does not name a help file");
    const update::CheckedFile& help = *signedInfo.help;

    const std::string url = update::normalizeUrl(help.url);
    const std::string scheme = update::schemeOf(url);
    if (scheme != "https" && !(mirror && scheme == "http"))
        return failed("the help file's address is not a secure (https) one");

    const HelpFetch body = downloader.fetch(url, help.size, web::kHelpAgent);
    if (body.outcome != Outcome::Done || body.statusCode != 200) return failed(whyNot(body, "the help file"));
    if (!update::matchesListedFile(body.body, help))
        return failed("the file that arrived is not the help file the developer published (its size or checksum "
                      "differs)");

    const std::string part = helpFolder + kHelpPartName;
    const std::string target = helpFolder + kHelpFileName;
    try {
        if (!files.folderExists(helpFolder) && !files.createFolder(helpFolder))
            return failed("the folder " + helpFolder + " could not be created");
        files.writeFile(part, body.body);
    } catch (const std::exception& error) {
        (void)files.deleteFile(part);
        return failed(std::string("it could not be stored (") + error.what() + ")");
    }
    if (!files.moveFile(part, target)) {
        (void)files.deleteFile(part);
        return failed("it could not be renamed to " + target);
    }
    return {true, ""};
}

}  // namespace melkrin
