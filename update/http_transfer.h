#pragma once
// THttpTransfer: one URL at a time on a background worker, the body into
// memory or a local file, every notification on the user-interface thread.
// This header holds what the client's users see; the WinINet worker is in
// http_transfer_win32.cpp.
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace melkrin::update {

enum class THttpAccessType { atPreconfig = 0, atDirect = 1, atUseProxy = 2 };

struct THttpProxy {
    THttpAccessType AccessType = THttpAccessType::atPreconfig;
    std::string ProxyServer;
    int ProxyPort = 8080;
    std::string ProxyBypass = "127.0.0.1;";
    std::string ProxyUsername;
    std::string ProxyPassword;
};

enum class TCacheOption {
    coAlwaysReload, coReloadIfNoExpireInformation, coReloadUpdatedObjects, coPragmaNoCache,
    coNoCacheWrite, coCreateTempFilesIfCantCache, coUseCacheIfNetFail,
};
using CacheOptions = std::set<TCacheOption>;

enum class TInternetOption {
    ioIgnoreCertificateInvalid, ioIgnoreCertificateDateInvalid, ioIgnoreRedirectToHTTP,
    ioIgnoreRedirectToHTTPS, ioKeepConnection, ioNoAuthentication, ioNoAutoRedirect, ioNoCookies,
};
using InternetOptions = std::set<TInternetOption>;

struct THttpTimeouts {
    std::uint32_t ConnectTimeout = 0;
    std::uint32_t ReceiveTimeout = 0;
    std::uint32_t SendTimeout = 0;
};

struct THttpRange {
    std::uint32_t StartRange = 0;
    std::uint32_t EndRange = 0;
};

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

inline constexpr const char* kAgentText = "Melkrin HTTP transfer client";

// Bounds the client keeps against a server that misbehaves. A transfer that
// gets neither its answer nor kStallMinBytes of the body within StallLimit
// milliseconds is given up: a server that sends nothing, or a byte every few
// seconds, would otherwise hold the transfer for ever.
inline constexpr std::uint32_t kStallLimitMs = 30000;
inline constexpr std::uint32_t kStallMinBytes = 1024;
// Redirects followed for one request; a loop ends there.
inline constexpr int kMaxRedirects = 10;
inline constexpr std::uint64_t kNoSizeLimit = UINT64_MAX;

// Why a transfer was ended by the client itself (TransferRefused).
enum class TransferRefusal {
    TooLarge,          // the announced length or the body passed MaxBodySize
    TooManyRedirects,  // more than kMaxRedirects redirects (a loop)
    InsecureRedirect,  // an https address sent the request on to a plain http one
};

// Local date-times are seconds since 1970-01-01 in local time; 0 means absent.
using LocalDateTime = std::int64_t;

struct HeadersInfo {
    int StatusCode = -1;
    std::string RawHeaders, ContentType, ContentLanguage, ContentEncoding;
    std::uint32_t ContentLength = 0;
    std::string Location;
    LocalDateTime Date = 0, LastModified = 0, Expires = 0;
    std::string ETag;
};

class THttpTransfer {
public:
    virtual ~THttpTransfer() = default;

    // Settings, read when a transfer starts.
    THttpProxy Proxy;
    InternetOptions InternetOptionsSet{TInternetOption::ioKeepConnection};
    CacheOptions CacheOptionsSet{TCacheOption::coReloadIfNoExpireInformation, TCacheOption::coReloadUpdatedObjects,
                                 TCacheOption::coCreateTempFilesIfCantCache};
    std::uint32_t TransferBufferSize = 4096;
    THttpTimeouts Timeouts;
    THttpRange Range;
    std::string HTTPUsername, HTTPPassword;
    TThreadPriority ThreadPriority = TThreadPriority::tpNormal;
    std::string AcceptTypes = "text/html, */*";
    std::string AgentText = kAgentText;
    std::vector<std::string> ExtraHeaders;
    std::string Referrer;
    bool HiddenOutputFile = false;
    // The largest body this transfer accepts (kNoSizeLimit: any): a larger announced
    // length ends it before the body, a body that grows past it ends it at
    // once. Either way the output file is deleted and TransferRefused told.
    std::uint64_t MaxBodySize = kNoSizeLimit;
    // Milliseconds without progress after which a transfer is given up (see
    // kStallLimitMs): TransferIncomplete once the answer had begun,
    // ServerUnreachable before. A partial output file is deleted as soon as
    // the worker lets go of it; without a ReceiveTimeout of its own the
    // worker waits on a silent server for twice this long at most.
    std::uint32_t StallLimit = kStallLimitMs;

    // Notifications, all on the user-interface thread while the worker waits.
    std::function<void(THttpTransfer& sender, const HeadersInfo& headers, bool& continueDownload)> HeadersReceived;
    std::function<void(THttpTransfer& sender, const std::string& contentType, std::uint32_t fileSize,
                       std::uint32_t bytesRead, std::uint32_t elapsedTime, std::int64_t estimatedTimeLeft,
                       int percentsDone, float transferRate)>
        TransferProgress;
    // data: the body when it went to memory, empty when it went to a file.
    std::function<void(THttpTransfer& sender, const std::string& contentType, std::uint32_t bytesRead,
                       const std::string& data)>
        TransferDone;
    std::function<void(THttpTransfer& sender, const std::string& contentType, std::uint32_t fileSize,
                       std::uint32_t bytesRead, const std::string& data)>
        TransferIncomplete;
    std::function<void(THttpTransfer& sender)> ServerUnreachable;
    std::function<void(THttpTransfer& sender, int statusCode, const std::string& data)> HttpError;
    std::function<void(THttpTransfer& sender)> TransferSkipped;
    // statusCode: the last answer's (a redirect's, for a loop).
    std::function<void(THttpTransfer& sender, TransferRefusal reason, int statusCode)> TransferRefused;
    std::function<void(THttpTransfer& sender, const std::string& realm, bool& tryAgain)> PasswordRequest;
    std::function<void(THttpTransfer& sender, std::string& proxyUsername, std::string& proxyPassword, bool& tryAgain)>
        OnProxyAuthenticationRequest;

    // False, doing nothing, while busy; otherwise starts a fresh worker and
    // returns at once. An empty output file name sends the body to memory.
    virtual bool StartTransfer(const std::string& url, const std::string& outputFileName) = 0;
    // Asks the worker to stop at its next check point; no notification follows.
    virtual void StopTransfer(bool deleteOutputFile) = 0;
    // From the start until the resources are released during the completion.
    virtual bool Busy() const = 0;
    // From the start until the completion's notifications have returned, or
    // until the worker stopped on request.
    virtual bool WorkerActive() const = 0;
    virtual const std::string& URL() const = 0;
};

}  // namespace melkrin::update
