#pragma once
// HttpClient: one URL at a time on a background worker, the body into
// memory or a local file, every notification on the user-interface thread.
// This header holds what the client's users see; the WinINet worker is in
// http_client_win32.cpp.
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace melkrin::update {

enum class HttpAccessType { Preconfig = 0, Direct = 1, UseProxy = 2 };

struct HttpProxy {
    HttpAccessType accessType = HttpAccessType::Preconfig;
    std::string proxyServer;
    int proxyPort = 8080;
    std::string proxyBypass = "127.0.0.1;";
    std::string proxyUsername;
    std::string proxyPassword;
};

enum class CacheOption {
    AlwaysReload, ReloadIfNoExpireInformation, ReloadUpdatedObjects, PragmaNoCache,
    NoCacheWrite, CreateTempFilesIfCantCache, UseCacheIfNetFail,
};
using CacheOptions = std::set<CacheOption>;

enum class InternetOption {
    IgnoreCertificateInvalid, IgnoreCertificateDateInvalid, IgnoreRedirectToHttp,
    IgnoreRedirectToHttps, KeepConnection, NoAuthentication, NoAutoRedirect, NoCookies,
};
using InternetOptions = std::set<InternetOption>;

struct HttpTimeouts {
    std::uint32_t connectTimeout = 0;
    std::uint32_t receiveTimeout = 0;
    std::uint32_t sendTimeout = 0;
};

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
    int statusCode = -1;
    std::string rawHeaders, contentType, contentLanguage, contentEncoding;
    std::uint32_t contentLength = 0;
    std::string location;
    LocalDateTime date = 0, lastModified = 0, expires = 0;
    std::string etag;
};

// One transfer's receiver: every event of that transfer, on the
// user-interface thread while the worker waits. Exactly one of the endings
// (done, skipped, incomplete, unreachable, HTTP error, refused) comes, unless
// the transfer is stopped. Each user of the client hands its own receiver to
// startTransfer.
struct TransferReceiver {
    // False skips the body: TransferSkipped follows.
    std::function<bool(const HeadersInfo& headers)> onHeadersReceived;
    std::function<void(const std::string& contentType, std::uint32_t fileSize, std::uint32_t bytesRead,
                       std::uint32_t elapsedTime, std::int64_t estimatedTimeLeft, int percentsDone,
                       float transferRate)>
        onTransferProgress;
    // data: the body when it went to memory, empty when it went to a file.
    std::function<void(const std::string& contentType, std::uint32_t bytesRead, const std::string& data)>
        onTransferDone;
    std::function<void(const std::string& contentType, std::uint32_t fileSize, std::uint32_t bytesRead,
                       const std::string& data)>
        onTransferIncomplete;
    std::function<void()> onServerUnreachable;
    std::function<void(int statusCode, const std::string& data)> onHttpError;
    std::function<void()> onTransferSkipped;
    // statusCode: the last answer's (a redirect's, for a loop).
    std::function<void(TransferRefusal reason, int statusCode)> onTransferRefused;
    // A 401: true sends the request again with the client's user name and
    // password as the receiver left them. Unset: the 401 is the answer.
    std::function<bool(const std::string& realm)> onPasswordNeeded;
};

class HttpClient {
public:
    virtual ~HttpClient() = default;

    // Settings, read when a transfer starts.
    HttpProxy proxy;
    InternetOptions internetOptions{InternetOption::KeepConnection};
    CacheOptions cacheOptions{CacheOption::ReloadIfNoExpireInformation, CacheOption::ReloadUpdatedObjects,
                                 CacheOption::CreateTempFilesIfCantCache};
    // The most of a body taken in one read; at least 64 KB are.
    std::uint32_t transferBufferSize = 1u << 20;
    HttpTimeouts timeouts;
    std::string httpUsername, httpPassword;
    std::string acceptTypes = "text/html, */*";
    std::string agentText = kAgentText;
    bool hiddenOutputFile = false;
    // The largest body this transfer accepts (kNoSizeLimit: any): a larger announced
    // length ends it before the body, a body that grows past it ends it at
    // once. Either way the output file is deleted and TransferRefused told.
    std::uint64_t maxBodySize = kNoSizeLimit;
    // Milliseconds without progress after which a transfer is given up (see
    // kStallLimitMs): TransferIncomplete once the answer had begun,
    // ServerUnreachable before. A partial output file is deleted as soon as
    // the worker lets go of it; without a ReceiveTimeout of its own the
    // worker waits on a silent server for twice this long at most.
    std::uint32_t stallLimit = kStallLimitMs;

    // False, doing nothing, while busy; otherwise starts a fresh worker and
    // returns at once, and this transfer's events go to receiver. An empty
    // output file name sends the body to memory.
    [[nodiscard]] virtual bool startTransfer(const std::string& url, const std::string& outputFileName,
                                             TransferReceiver receiver) = 0;
    // Asks the worker to stop at its next check point; no notification follows.
    virtual void stopTransfer(bool deleteOutputFile) = 0;
    // From the start until the resources are released during the completion.
    virtual bool isBusy() const = 0;
    // From the start until the completion's notifications have returned, or
    // until the worker stopped on request.
    virtual bool workerActive() const = 0;
    virtual const std::string& url() const = 0;
};

}  // namespace melkrin::update
