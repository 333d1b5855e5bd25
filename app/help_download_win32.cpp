#include "app/help_download_win32.h"

#include "update/http_transfer_win32.h"

namespace melkrin {

HelpFetch Win32HelpDownloader::fetch(const std::string& url, std::uint64_t maxBytes, const std::string& agent) {
    using Outcome = HelpFetch::Outcome;
    update::Win32HttpTransfer transfer;
    transfer.AgentText = agent;
    transfer.MaxBodySize = maxBytes;
    // Neither the information nor the help file may come from a cache on the way.
    transfer.CacheOptionsSet = {update::TCacheOption::coAlwaysReload, update::TCacheOption::coPragmaNoCache,
                                update::TCacheOption::coNoCacheWrite};

    HelpFetch result;
    bool ended = false;
    auto end = [&](Outcome outcome, int status, const std::string& body) {
        result.outcome = outcome;
        if (status != -1) result.statusCode = status;
        result.body = body;
        ended = true;
    };
    transfer.HeadersReceived = [&](update::THttpTransfer&, const update::HeadersInfo& headers, bool&) {
        result.statusCode = headers.StatusCode;
    };
    transfer.TransferDone = [&](update::THttpTransfer&, const std::string&, std::uint32_t, const std::string& data) {
        end(Outcome::Done, -1, data);
    };
    transfer.TransferIncomplete = [&](update::THttpTransfer&, const std::string&, std::uint32_t, std::uint32_t,
                                      const std::string&) { end(Outcome::Incomplete, -1, ""); };
    transfer.ServerUnreachable = [&](update::THttpTransfer&) { end(Outcome::Unreachable, -1, ""); };
    transfer.HttpError = [&](update::THttpTransfer&, int status, const std::string&) {
        end(Outcome::HttpError, status, "");
    };
    transfer.TransferSkipped = [&](update::THttpTransfer&) { end(Outcome::Incomplete, -1, ""); };
    transfer.TransferRefused = [&](update::THttpTransfer&, update::TransferRefusal reason, int status) {
        const Outcome outcome = reason == update::TransferRefusal::TooLarge           ? Outcome::TooLarge
                                : reason == update::TransferRefusal::InsecureRedirect ? Outcome::InsecureRedirect
                                                                                      : Outcome::TooManyRedirects;
        end(outcome, status, "");
    };
    if (!transfer.StartTransfer(url, "")) return result;

    // The window must not take a second click (another download, a run)
    // while this one runs: it is disabled as a modal dialog would do.
    const bool disabled = owner_ && !EnableWindow(owner_, FALSE);
    while (!ended) {
        MSG message;
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: the quit goes on to the main loop.
            transfer.StopTransfer(true);
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            result = HelpFetch{};
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (disabled) EnableWindow(owner_, TRUE);
    return result;
}

}  // namespace melkrin
