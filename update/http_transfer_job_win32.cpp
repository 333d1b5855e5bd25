#include "update/http_transfer_job_win32.h"

#include <memory>
#include <utility>

#include "update/http_client_win32.h"
#include "update/http_date.h"
#include "update/transfer_sync_window_win32.h"

namespace melkrin::update {
namespace {

DWORD wininetFlag(RequestFlag flag) {
    switch (flag) {
        case RequestFlag::Reload: return INTERNET_FLAG_RELOAD;
        case RequestFlag::Hyperlink: return INTERNET_FLAG_HYPERLINK;
        case RequestFlag::Resynchronize: return INTERNET_FLAG_RESYNCHRONIZE;
        case RequestFlag::PragmaNoCache: return INTERNET_FLAG_PRAGMA_NOCACHE;
        case RequestFlag::NoCacheWrite: return INTERNET_FLAG_NO_CACHE_WRITE;
        case RequestFlag::NeedFile: return INTERNET_FLAG_NEED_FILE;
        case RequestFlag::CacheIfNetFail: return INTERNET_FLAG_CACHE_IF_NET_FAIL;
        case RequestFlag::IgnoreCertCnInvalid: return INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
        case RequestFlag::IgnoreCertDateInvalid: return INTERNET_FLAG_IGNORE_CERT_DATE_INVALID;
        case RequestFlag::IgnoreRedirectToHttp: return INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP;
        case RequestFlag::IgnoreRedirectToHttps: return INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
        case RequestFlag::KeepConnection: return INTERNET_FLAG_KEEP_CONNECTION;
        case RequestFlag::NoAuth: return INTERNET_FLAG_NO_AUTH;
        case RequestFlag::NoAutoRedirect: return INTERNET_FLAG_NO_AUTO_REDIRECT;
        case RequestFlag::NoCookies: return INTERNET_FLAG_NO_COOKIES;
        case RequestFlag::Secure: return INTERNET_FLAG_SECURE;
    }
    return 0;
}

// A header value through a 4096-byte buffer; one that does not fit counts as absent.
std::string queryText(HINTERNET request, DWORD info) {
    char buffer[4096];
    DWORD size = sizeof(buffer);
    if (!HttpQueryInfoA(request, info, buffer, &size, nullptr)) return "";
    return std::string(buffer, size);
}

// Room set aside for a body in memory before it arrives: a server's length is
// a claim, not a promise, so the buffer grows with what really comes.
constexpr std::uint32_t kReserveLimit = 1u << 20;
// The most of an error page (404, 500 ...) that is kept for HttpError.
constexpr std::uint64_t kErrorPageLimit = 64u << 10;

DWORD WINAPI closeHandlesThread(void* parameter) {
    std::unique_ptr<std::vector<HINTERNET>> handles(static_cast<std::vector<HINTERNET>*>(parameter));
    for (HINTERNET h : *handles) InternetCloseHandle(h);
    return 0;
}

long currentBiasMinutes() {
    TIME_ZONE_INFORMATION zone;
    const DWORD which = GetTimeZoneInformation(&zone);
    if (which == TIME_ZONE_ID_DAYLIGHT) return zone.Bias + zone.DaylightBias;
    if (which == TIME_ZONE_ID_STANDARD) return zone.Bias + zone.StandardBias;
    return zone.Bias;
}

}  // namespace

void TransferJob::onUi(const std::function<void()>& routine) {
    // A stopped job (or one whose client is going) runs nothing on the
    // user-interface thread any more.
    ++inNotification;
    TransferSyncWindow::run(syncWindow, &stop, routine);
    --inNotification;
}

// Keeps a new handle unless a stop came meanwhile.
HINTERNET TransferJob::keep(HINTERNET& slot, HINTERNET handle) {
    std::lock_guard<std::mutex> guard(handlesLock);
    if (stop) {
        if (handle) InternetCloseHandle(handle);
        throw StopRequested{};
    }
    slot = handle;
    return handle;
}

std::vector<HINTERNET> TransferJob::takeHandles() {
    std::lock_guard<std::mutex> guard(handlesLock);
    std::vector<HINTERNET> handles;
    for (HINTERNET* h : {&request, &connection, &session})
        if (*h) handles.push_back(std::exchange(*h, nullptr));
    return handles;
}

void TransferJob::closeHandles() {
    for (HINTERNET h : takeHandles()) InternetCloseHandle(h);
}

// The same from the user-interface thread, on a short-lived thread of its
// own: closing a request reads away what is left of its body so that the
// connection can serve again (Wine does), which from a server that sends
// without end would freeze the window.
void TransferJob::closeHandlesAside() {
    auto handles = std::make_unique<std::vector<HINTERNET>>(takeHandles());
    if (handles->empty()) return;
    HANDLE closer = CreateThread(nullptr, 0, &closeHandlesThread, handles.get(), 0, nullptr);
    if (closer) {
        handles.release();
        CloseHandle(closer);
    } else {
        closeHandlesThread(handles.release());
    }
}

void TransferJob::closeFiles() {
    if (inputFile != INVALID_HANDLE_VALUE) CloseHandle(inputFile);
    inputFile = INVALID_HANDLE_VALUE;
    if (outputFile != INVALID_HANDLE_VALUE) CloseHandle(outputFile);
    outputFile = INVALID_HANDLE_VALUE;
}

void TransferJob::transfer() {
    startTime = GetTickCount64();
    url = normalizeUrl(url);
    checkPoint();
    if (schemeOf(url) == "file") {
        inputFile = CreateFileA(filePathOfUrl(url).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (inputFile == INVALID_HANDLE_VALUE) {
            statusCode = 404;
            fileSize = 0;
        } else {
            statusCode = 200;
            fileSize = GetFileSize(inputFile, nullptr);
        }
        readBody();
        return;
    }

    for (;;) {
        if (!openAndSend()) return;
        sendRequest();
        if (statusCode == -1) return;
        if (!followRedirects || !isRedirectStatus(statusCode)) break;
        const std::string location = queryText(workerRequest, HTTP_QUERY_LOCATION);
        if (location.empty()) break;
        if (++redirects > kMaxRedirects) {
            refusal = TransferRefusal::TooManyRedirects;
            return;
        }
        char next[4096];
        DWORD length = sizeof(next);
        if (!InternetCombineUrlA(url.c_str(), location.c_str(), next, &length, ICU_NO_ENCODE)) break;
        const std::string scheme = schemeOf(next);
        if (scheme != "http" && scheme != "https") break;
        if (isInsecureRedirect(url, next)) {
            refusal = TransferRefusal::InsecureRedirect;
            return;
        }
        // The user name and password were given for this host, not for wherever it sends us.
        if (!keepsCredentials(url, next)) {
            username.clear();
            password.clear();
            leftCredentialHost = true;
        }
        // The next address gets a session of its own, as a fresh start would.
        closeHandles();
        workerRequest = nullptr;
        url = next;
        statusCode = -1;
        sharedStatus = -1;
    }
    readHeaders();
    if (continueDownload && !refusal) readBody();
}

bool TransferJob::openAndSend() {
    char scheme[32] = "", host[256] = "", user[128] = "", pass[128] = "", path[2048] = "", extra[2048] = "";
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszScheme = scheme;
    parts.dwSchemeLength = sizeof(scheme);
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof(host);
    parts.lpszUserName = user;
    parts.dwUserNameLength = sizeof(user);
    parts.lpszPassword = pass;
    parts.dwPasswordLength = sizeof(pass);
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof(path);
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = sizeof(extra);
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts)) return false;
    // Credentials in the URL win over the configured ones; they belong to this URL's host.
    if (user[0]) username = user;
    if (pass[0]) password = pass;
    if (user[0] || pass[0]) leftCredentialHost = false;

    DWORD access = INTERNET_OPEN_TYPE_PRECONFIG;
    std::string proxyName;
    if (proxy.accessType == HttpAccessType::Direct) access = INTERNET_OPEN_TYPE_DIRECT;
    if (proxy.accessType == HttpAccessType::UseProxy) {
        access = INTERNET_OPEN_TYPE_PROXY;
        proxyName = proxy.proxyServer + ":" + std::to_string(proxy.proxyPort);
    }
    const bool withProxy = proxy.accessType == HttpAccessType::UseProxy;
    HINTERNET workerSession = nullptr, workerConnection = nullptr;
    if (!(workerSession = keep(session, InternetOpenA(agent.c_str(), access, withProxy ? proxyName.c_str() : nullptr,
                                     withProxy && !proxy.proxyBypass.empty() ? proxy.proxyBypass.c_str() : nullptr,
                                     0))))
        return false;
    checkPoint();
    if (!(workerConnection = keep(connection, InternetConnectA(workerSession, host, parts.nPort, username.empty() ? nullptr : username.c_str(),
                                           password.empty() ? nullptr : password.c_str(), INTERNET_SERVICE_HTTP, 0, 0))))
        return false;
    checkPoint();
    DWORD requestFlags = 0;
    for (RequestFlag f : flags) requestFlags |= wininetFlag(f);
    // Redirects are followed here, not by WinINet, which follows a loop for
    // ever (Wine) and gives no count of its own.
    requestFlags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS) requestFlags |= INTERNET_FLAG_SECURE;
    const std::string object = std::string(path) + extra;
    const char* accept[] = {acceptTypes.c_str(), nullptr};
    workerRequest = keep(request, HttpOpenRequestA(workerConnection, "GET", object.c_str(), nullptr,
                                                   nullptr, accept, requestFlags, 0));
    if (!workerRequest) return false;
    HINTERNET request = workerRequest;
    checkPoint();
    // Without a receive time-out of its own, a worker that a silent server
    // holds wakes after twice the stall limit: by then the watch has given
    // the transfer up, and the worker lets go of its file.
    const std::uint32_t receiveTimeout =
        timeouts.receiveTimeout != 0 ? timeouts.receiveTimeout
                                     : (stallLimit > UINT32_MAX / 2 ? UINT32_MAX : stallLimit * 2);
    const std::pair<DWORD, std::uint32_t> limits[] = {{INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connectTimeout},
                                                      {INTERNET_OPTION_RECEIVE_TIMEOUT, receiveTimeout},
                                                      {INTERNET_OPTION_SEND_TIMEOUT, timeouts.sendTimeout}};
    for (auto [option, value] : limits) {
        DWORD v = value;
        if (v != 0) InternetSetOptionA(request, option, &v, sizeof(v));
    }
    return true;
}

void TransferJob::sendRequest() {
    HINTERNET request = workerRequest;
    auto setOption = [request](DWORD option, const std::string& value) {
        InternetSetOptionA(request, option, const_cast<char*>(value.c_str()), static_cast<DWORD>(value.size()));
    };
    for (;;) {
        checkPoint();
        bool tryAgain = false;
        if (!HttpSendRequestA(request, nullptr, 0, nullptr, 0)) return;
        checkPoint();
        DWORD code = 0, size = sizeof(code);
        if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr)) return;
        statusCode = static_cast<int>(code);
        sharedStatus = statusCode;
        answered = true;
        if (statusCode == 401 && !leftCredentialHost) {
            const std::string realm = realmOf(queryText(request, HTTP_QUERY_WWW_AUTHENTICATE));
            bool asked = false;
            onUi([&] {
                if (!receiver.onPasswordNeeded) return;
                asked = true;
                tryAgain = receiver.onPasswordNeeded(realm);
                username = owner->httpUsername;
                password = owner->httpPassword;
            });
            if (asked) {
                setOption(INTERNET_OPTION_USERNAME, username);
                setOption(INTERNET_OPTION_PASSWORD, password);
            }
        } else if (statusCode == 407) {
            // Once with the proxy's user name and password; a second 407 is the answer.
            tryAgain = ++proxyChallenges == 1;
            setOption(INTERNET_OPTION_PROXY_USERNAME, proxy.proxyUsername);
            setOption(INTERNET_OPTION_PROXY_PASSWORD, proxy.proxyPassword);
        }
        if (!tryAgain) return;
        // The challenge's own body goes before the request is sent again.
        char discard[4096];
        DWORD got = 0;
        while (InternetReadFile(request, discard, sizeof(discard), &got) && got != 0) checkPoint();
        statusCode = -1;
        sharedStatus = -1;
    }
}

void TransferJob::readHeaders() {
    HINTERNET request = workerRequest;
    HeadersInfo h;
    h.statusCode = statusCode;
    {
        std::lock_guard<std::mutex> guard(handlesLock);
        contentType = h.contentType = queryText(request, HTTP_QUERY_CONTENT_TYPE);
    }
    // Read as text: WinINet's own number is 32 bits and takes a length
    // beyond that for none at all, which would let any body pass as complete.
    const std::uint64_t announced = parseContentLength(queryText(request, HTTP_QUERY_CONTENT_LENGTH)).value_or(0);
    fileSize = fileSizeOfLength(announced);
    sharedFileSize = fileSize;
    // Only the answer itself is held to the size; an error page is cut short instead (below).
    if ((statusCode == 200 || statusCode == 206) && announced > maxBodySize) {
        refusal = TransferRefusal::TooLarge;
        return;
    }
    h.contentLength = fileSize;
    h.rawHeaders = queryText(request, HTTP_QUERY_RAW_HEADERS_CRLF);
    h.contentLanguage = queryText(request, HTTP_QUERY_CONTENT_LANGUAGE);
    h.contentEncoding = queryText(request, HTTP_QUERY_CONTENT_ENCODING);
    h.location = queryText(request, HTTP_QUERY_LOCATION);
    h.etag = queryText(request, HTTP_QUERY_ETAG);
    const long bias = currentBiasMinutes();
    h.date = parseHttpDateLocal(queryText(request, HTTP_QUERY_DATE), bias);
    h.lastModified = parseHttpDateLocal(queryText(request, HTTP_QUERY_LAST_MODIFIED), bias);
    h.expires = parseHttpDateLocal(queryText(request, HTTP_QUERY_EXPIRES), bias);
    onUi([&] {
        if (receiver.onHeadersReceived) continueDownload = receiver.onHeadersReceived(h);
    });
}

void TransferJob::readBody() {
    checkPoint();
    if ((statusCode == 200 || statusCode == 206) && !outputFileName.empty()) {
        const DWORD attributes = hiddenOutput ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL;
        outputFile = CreateFileA(outputFileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 attributes, nullptr);
        if (outputFile == INVALID_HANDLE_VALUE) {
            // Nowhere to put the body: reported as an error of this file.
            outputFailed = true;
            return;
        }
        createdOutput = true;
        // Set again through the handle, so that a truncated existing file
        // carries exactly these marks.
        if (hiddenOutput) {
            FILE_BASIC_INFO info{};
            info.FileAttributes = attributes;
            SetFileInformationByHandle(outputFile, FileBasicInfo, &info, sizeof(info));
        }
    } else if (fileSize != 0) {
        body.reserve(fileSize < kReserveLimit ? fileSize : kReserveLimit);
    }
    bytesRead = 0;
    totalRead = 0;
    // A body in memory is read straight into its place, one for a file
    // through this buffer straight to the disk.
    const bool toFile = outputFile != INVALID_HANDLE_VALUE;
    std::vector<char> buffer(toFile ? bufferSize : 0);
    const bool answer = statusCode == 200 || statusCode == 206;
    // An error page is only read as far as it is useful: its status is the answer.
    const std::uint64_t limit = answer || maxBodySize < kErrorPageLimit ? maxBodySize : kErrorPageLimit;
    ProgressPacer pacer;
    for (;;) {
        checkPoint();
        // One byte beyond the limit at most, to tell a body that passes it.
        const std::uint64_t room = limit - totalRead;
        DWORD wanted = 0, got = 0;
        if (!nextRead(room < bufferSize ? static_cast<DWORD>(room) + 1 : bufferSize, wanted) || wanted == 0) break;
        checkPoint();
        if (!toFile) body.resize(totalRead + wanted);
        char* into = toFile ? buffer.data() : body.data() + totalRead;
        const bool ok = read(into, wanted, got);
        if (!toFile) body.resize(totalRead + (ok ? got : 0));
        if (!ok || got == 0) break;
        // A body may never pass the size it must have: not in memory, not on disk.
        const bool full = got > room;
        if (full) {
            if (answer) {
                refusal = TransferRefusal::TooLarge;
                break;
            }
            got = static_cast<DWORD>(room);
            if (!toFile) body.resize(totalRead + got);
        }
        if (toFile) {
            DWORD written = 0;
            if (!WriteFile(outputFile, into, got, &written, nullptr) || written != got) break;
        }
        totalRead += got;
        bytesRead = fileSizeOfLength(totalRead);
        progressBytes = totalRead;
        if (full) break;
        if (pacer.due(GetTickCount64(), totalRead)) notifyProgress();
    }
    if (pacer.owed(totalRead)) notifyProgress();
}

// Waits until more of the body has arrived and tells how much of it to ask
// for (at most `most`); 0 at its end.
bool TransferJob::nextRead(DWORD most, DWORD& wanted) {
    wanted = most;
    if (inputFile != INVALID_HANDLE_VALUE) return true;
    DWORD available = 0;
    if (!workerRequest || !InternetQueryDataAvailable(workerRequest, &available, 0, 0)) return false;
    if (available == 0) {
        wanted = 0;
    } else {
        const DWORD size = sizer.next(available);
        wanted = size < most ? size : most;
    }
    return true;
}

bool TransferJob::read(char* into, DWORD wanted, DWORD& got) {
    got = 0;
    if (inputFile != INVALID_HANDLE_VALUE) return ReadFile(inputFile, into, wanted, &got, nullptr) != 0;
    const ULONGLONG begin = GetTickCount64();
    if (!InternetReadFile(workerRequest, into, wanted, &got)) return false;
    sizer.took(wanted, GetTickCount64() - begin);
    return true;
}

void TransferJob::notifyProgress() {
    const auto figures = computeProgress(fileSize, bytesRead, static_cast<std::uint32_t>(GetTickCount64() - startTime));
    onUi([&] {
        if (receiver.onTransferProgress)
            receiver.onTransferProgress(contentType, fileSize, bytesRead, figures.elapsedTime,
                                        figures.estimatedTimeLeft, figures.percentsDone, figures.transferRate);
    });
}

void TransferJob::complete() {
    closeHandlesAside();
    closeFiles();
    if (refusal) {
        // Nothing of a refused body is kept.
        if (createdOutput) DeleteFileA(outputFileName.c_str());
        body.clear();
        busy = false;
        if (receiver.onTransferRefused) receiver.onTransferRefused(*refusal, statusCode);
        return;
    }
    const TransferOutcome outcome = outputFailed ? TransferOutcome::HttpError
                                                 : decideOutcome(continueDownload, statusCode, fileSize, bytesRead);
    // Busy ends before the notification, so its handler may start the next transfer.
    std::string data = std::move(body);
    busy = false;
    // The receiver is this job's own: a handler that starts the next
    // transfer gives that one a job, and a receiver, of its own.
    notifyEnding(receiver, outcome, statusCode, contentType, fileSize, bytesRead, data);
}

void TransferJob::endOnStop() {
    closeHandles();
    closeFiles();
    if (deleteOnStop && !outputFileName.empty()) DeleteFileA(outputFileName.c_str());
    body.clear();
    busy = false;
    workerActive = false;
}

void notifyEnding(const TransferReceiver& r, TransferOutcome outcome, int statusCode, const std::string& contentType,
                  std::uint32_t fileSize, std::uint32_t bytesRead, const std::string& data) {
    switch (outcome) {
        case TransferOutcome::Skipped:
            if (r.onTransferSkipped) r.onTransferSkipped();
            break;
        case TransferOutcome::Done:
            if (r.onTransferDone) r.onTransferDone(contentType, bytesRead, data);
            break;
        case TransferOutcome::Incomplete:
            if (r.onTransferIncomplete) r.onTransferIncomplete(contentType, fileSize, bytesRead, data);
            break;
        case TransferOutcome::ServerUnreachable:
            if (r.onServerUnreachable) r.onServerUnreachable();
            break;
        case TransferOutcome::HttpError:
            if (r.onHttpError) r.onHttpError(statusCode, data);
            break;
    }
}

}  // namespace melkrin::update
