#pragma once
// The decisions of the HTTP transfer client that need no network: URLs,
// request flags and headers, the realm of a 401, progress figures and which
// notification ends a transfer.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "update/http_client.h"

namespace melkrin::update {

// A URL without "://" is fetched as http.
std::string normalizeUrl(std::string_view url);
// The scheme in lower case ("http", "https", "file"), empty when there is none.
std::string schemeOf(std::string_view url);
// The local path of a "file" URL: "file:///C:/dir/a%20b.inf" gives "C:\dir\a b.inf";
// another host than "localhost" gives a network path.
std::string filePathOfUrl(std::string_view url);
// Percent-escapes decoded; a broken escape stays as it is.
std::string percentDecode(std::string_view text);
// The host name of a URL (without user, password and port).
std::string hostOfUrl(std::string_view url);

// The realm of a WWW-Authenticate header: behind the first '="', less the
// header's last character; the whole header without such a pair.
std::string realmOf(std::string_view authenticateHeader);

// The platform's request flags, named after what they ask for.
enum class RequestFlag {
    Reload, Hyperlink, Resynchronize, PragmaNoCache, NoCacheWrite, NeedFile, CacheIfNetFail,
    IgnoreCertCnInvalid, IgnoreCertDateInvalid, IgnoreRedirectToHttp, IgnoreRedirectToHttps,
    KeepConnection, NoAuth, NoAutoRedirect, NoCookies, Secure,
};
std::vector<RequestFlag> requestFlagsFor(const CacheOptions& cache, const InternetOptions& internet, bool secure);

int roundHalfEven(double value);

struct TransferFigures {
    int percentsDone = 0;
    std::uint32_t elapsedTime = 0;      // whole seconds
    std::int64_t estimatedTimeLeft = 0;  // seconds
    float transferRate = 0;              // kilobytes per second
};
TransferFigures computeProgress(std::uint32_t fileSize, std::uint32_t bytesRead, std::uint32_t elapsedMilliseconds);

enum class TransferOutcome { Skipped, Done, Incomplete, ServerUnreachable, HttpError };

// A Content-Length value as a 64-bit number: digits only, blanks around them
// allowed; a value beyond 64 bits reads as the largest one, so a server's
// absurd length stays absurd instead of wrapping to a small one. Nothing for
// a value that is no number.
std::optional<std::uint64_t> parseContentLength(std::string_view text);
// FileSize is 32 bits wide: a larger length is held as its largest value,
// which no body of 4 GB less a byte can be taken for complete.
std::uint32_t fileSizeOfLength(std::uint64_t length);

// 301, 302, 303, 307 and 308: the answer names the address to ask instead.
bool isRedirectStatus(int statusCode);

// A redirect from https down to http: what https protected (the request's
// path, credentials, the answer) would go over the network in the clear.
bool isInsecureRedirect(std::string_view from, std::string_view to);
// Whether credentials given for the address `from` (the user name and password
// of the transfer or of the URL itself) may go along to the redirect's `to`:
// only to the same host, compared case-blind. Proxy credentials belong to the
// proxy and are not affected.
bool keepsCredentials(std::string_view from, std::string_view to);

// How a transfer ends that a watch gave up (see StallWatch): the answer had
// begun (Incomplete), never came (ServerUnreachable), or was an error.
TransferOutcome stalledOutcome(int statusCode);

// Whether a transfer still gets on. It has stalled when a whole limit passed
// without the answer's status line arriving or without kStallMinBytes of the
// body; a server that sends a byte now and then is stalled as much as one
// that sends nothing. Time spent in the notifications (the user may be
// answering a question) does not count.
class StallWatch {
public:
    StallWatch(std::uint32_t limitMs, std::uint64_t nowMs) : limit_(limitMs), windowStart_(nowMs) {}
    // nowMs: a steady clock; answered: the status line arrived; bytes: of the
    // body so far; inNotification: the user-interface thread runs one.
    bool stalled(std::uint64_t nowMs, bool answered, std::uint64_t bytes, bool inNotification);

private:
    std::uint32_t limit_;
    std::uint64_t windowStart_;
    bool answered_ = false;
    std::uint64_t windowBytes_ = 0;
};

// When the worker tells the window's thread how far a body has come. Each
// notification holds the worker until the window's thread has run it, so
// they go out at most every kProgressIntervalMs (20 a second), the first at
// once, and the last figures once more at the end if they were held back.
inline constexpr std::uint64_t kProgressIntervalMs = 50;

class ProgressPacer {
public:
    // Whether bytes read by nowMs (a steady clock) are told now; true marks them told.
    bool due(std::uint64_t nowMs, std::uint64_t bytes);
    // Whether the body ended on figures that were held back.
    bool owed(std::uint64_t bytes) const { return bytes != toldBytes_; }

private:
    std::optional<std::uint64_t> toldAt_;
    std::uint64_t toldBytes_ = 0;
};

// How much of a body the worker asks for in one read. The platform's read
// returns only when it has all it was asked for, so asking for more than has
// arrived waits for the server: the size grows while reads are quick (a fast
// server; fewer, larger reads are what make a download fast) and falls back
// towards what has arrived when one was slow, so a slow server's bytes still
// show as progress and a stopped worker is not held for long.
class ReadSizer {
public:
    explicit ReadSizer(std::uint32_t largest) : largest_(largest) {}
    // available: what has arrived and waits to be read (at least 1).
    std::uint32_t next(std::uint32_t available) const;
    // The last read, of the size next() gave, got its bytes in this time.
    void took(std::uint32_t size, std::uint64_t ms);

private:
    std::uint32_t largest_;
    std::uint32_t beyond_ = 0;  // what a read may ask for beyond what has arrived
};

// A 200 or 206 with a length needs every announced byte; without a length
// any body is complete.
bool transferSucceeded(int statusCode, std::uint32_t fileSize, std::uint32_t bytesRead);
TransferOutcome decideOutcome(bool continueDownload, int statusCode, std::uint32_t fileSize, std::uint32_t bytesRead);

}  // namespace melkrin::update
