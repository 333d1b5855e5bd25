#include "app/win32/help_download_win32.h"

#include "update/http_client_win32.h"

namespace melkrin {

HelpFetch Win32HelpDownloader::fetch(const std::string& url, std::uint64_t maxBytes, const std::string& agent) {
    using Outcome = HelpFetch::Outcome;
    update::Win32HttpTransfer transfer;
    transfer.agentText = agent;
    transfer.maxBodySize = maxBytes;
    // Neither the information nor the help file may come from a cache on the way.
    transfer.cacheOptions = {update::CacheOption::AlwaysReload, update::CacheOption::PragmaNoCache,
                                update::CacheOption::NoCacheWrite};

    HelpFetch result;
    bool ended = false;
    auto end = [&](Outcome outcome, int status, const std::string& body) {
        result.outcome = outcome;
        if (status != -1) result.statusCode = status;
        result.body = body;
        ended = true;
    };
    update::TransferReceiver receiver;
    receiver.onHeadersReceived = [&](const update::HeadersInfo& headers) {
        result.statusCode = headers.statusCode;
        return true;
    };
    receiver.onTransferDone = [&](const std::string&, std::uint32_t, const std::string& data) {
        end(Outcome::Done, -1, data);
    };
    receiver.onTransferIncomplete = [&](const std::string&, std::uint32_t, std::uint32_t,
                                      const std::string&) { end(Outcome::Incomplete, -1, ""); };
    receiver.onServerUnreachable = [&]() { end(Outcome::Unreachable, -1, ""); };
    receiver.onHttpError = [&](int status, const std::string&) {
        end(Outcome::HttpError, status, "");
    };
    receiver.onTransferSkipped = [&]() { end(Outcome::Incomplete, -1, ""); };
    receiver.onTransferRefused = [&](update::TransferRefusal reason, int status) {
        const Outcome outcome = reason == update::TransferRefusal::TooLarge           ? Outcome::TooLarge
                                : reason == update::TransferRefusal::InsecureRedirect ? Outcome::InsecureRedirect
                                                                                      : Outcome::TooManyRedirects;
        end(outcome, status, "");
    };
    if (!transfer.startTransfer(url, "", std::move(receiver))) return result;

    // The window must not take a second click (another download, a run)
    // while this one runs: it is disabled as a modal dialog would do.
    const bool disabled = owner_ && !EnableWindow(owner_, FALSE);
    while (!ended) {
        MSG message;
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            // The program is ending: the quit goes on to the main loop.
            transfer.stopTransfer(true);
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
