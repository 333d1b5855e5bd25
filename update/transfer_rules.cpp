#include "update/transfer_rules.h"

#include <cmath>

#include "common/text.h"

namespace melkrin::update {

std::string normalizeUrl(std::string_view url) {
    if (url.find("://") == std::string_view::npos) return "http://" + std::string(url);
    return std::string(url);
}

std::string schemeOf(std::string_view url) {
    const std::size_t at = url.find("://");
    if (at == std::string_view::npos) return "";
    return toLower(std::string(url.substr(0, at)));
}

std::string percentDecode(std::string_view text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string filePathOfUrl(std::string_view url) {
    std::string_view rest = url.substr(url.find("://") + 3);
    const std::size_t slash = rest.find('/');
    const std::string_view host = rest.substr(0, slash);
    std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    std::string result;
    if (!host.empty() && toLower(std::string(host)) != "localhost") {
        result = "\\\\" + std::string(host);
    } else if (path.size() >= 3 && path[0] == '/' && path[2] == ':') {
        path.remove_prefix(1);  // "/C:/dir" names a drive
    }
    result += percentDecode(path);
    for (char& c : result)
        if (c == '/') c = '\\';
    return result;
}

std::string hostOfUrl(std::string_view url) {
    const std::string full = normalizeUrl(url);
    std::string_view rest = std::string_view(full).substr(full.find("://") + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    const std::size_t at = rest.rfind('@');
    if (at != std::string_view::npos) rest = rest.substr(at + 1);
    if (!rest.empty() && rest.front() == '[') return std::string(rest.substr(0, rest.find(']') + 1));
    return std::string(rest.substr(0, rest.find(':')));
}

std::string realmOf(std::string_view header) {
    const std::size_t at = header.find("=\"");
    if (at == std::string_view::npos) return std::string(header);
    const std::size_t begin = at + 2;
    if (header.size() < begin + 1) return "";
    return std::string(header.substr(begin, header.size() - 1 - begin));
}

std::vector<RequestFlag> requestFlagsFor(const CacheOptions& cache, const InternetOptions& internet, bool secure) {
    std::vector<RequestFlag> flags;
    const std::pair<CacheOption, RequestFlag> cacheMap[] = {
        {CacheOption::AlwaysReload, RequestFlag::Reload},
        {CacheOption::ReloadIfNoExpireInformation, RequestFlag::Hyperlink},
        {CacheOption::ReloadUpdatedObjects, RequestFlag::Resynchronize},
        {CacheOption::PragmaNoCache, RequestFlag::PragmaNoCache},
        {CacheOption::NoCacheWrite, RequestFlag::NoCacheWrite},
        {CacheOption::CreateTempFilesIfCantCache, RequestFlag::NeedFile},
        {CacheOption::UseCacheIfNetFail, RequestFlag::CacheIfNetFail},
    };
    for (const auto& [option, flag] : cacheMap)
        if (cache.count(option)) flags.push_back(flag);
    const std::pair<InternetOption, RequestFlag> internetMap[] = {
        {InternetOption::IgnoreCertificateInvalid, RequestFlag::IgnoreCertCnInvalid},
        {InternetOption::IgnoreCertificateDateInvalid, RequestFlag::IgnoreCertDateInvalid},
        {InternetOption::IgnoreRedirectToHttp, RequestFlag::IgnoreRedirectToHttp},
        {InternetOption::IgnoreRedirectToHttps, RequestFlag::IgnoreRedirectToHttps},
        {InternetOption::KeepConnection, RequestFlag::KeepConnection},
        {InternetOption::NoAuthentication, RequestFlag::NoAuth},
        {InternetOption::NoAutoRedirect, RequestFlag::NoAutoRedirect},
        {InternetOption::NoCookies, RequestFlag::NoCookies},
    };
    for (const auto& [option, flag] : internetMap)
        if (internet.count(option)) flags.push_back(flag);
    if (secure) flags.push_back(RequestFlag::Secure);
    return flags;
}

int roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    double result = floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) result = floor + 1;
    return static_cast<int>(result);
}

TransferFigures computeProgress(std::uint32_t fileSize, std::uint32_t bytesRead, std::uint32_t elapsedMilliseconds) {
    TransferFigures f;
    f.percentsDone = fileSize == 0 ? 0 : roundHalfEven(100.0 * bytesRead / fileSize);
    f.elapsedTime = elapsedMilliseconds / 1000;
    // Without a length, or before the first byte, nothing is known about
    // the time left; the plain formula would give a negative time.
    if (fileSize != 0 && bytesRead != 0)
        f.estimatedTimeLeft = roundHalfEven(static_cast<double>(fileSize) / bytesRead * f.elapsedTime) -
                              static_cast<std::int64_t>(f.elapsedTime);
    f.transferRate = static_cast<float>(bytesRead) / 1024.0f;
    if (f.elapsedTime != 0) f.transferRate /= static_cast<float>(f.elapsedTime);
    return f;
}

bool transferSucceeded(int statusCode, std::uint32_t fileSize, std::uint32_t bytesRead) {
    if (statusCode != 200 && statusCode != 206) return false;
    return fileSize == 0 || bytesRead == fileSize;
}

TransferOutcome decideOutcome(bool continueDownload, int statusCode, std::uint32_t fileSize, std::uint32_t bytesRead) {
    if (!continueDownload) return TransferOutcome::Skipped;
    if (transferSucceeded(statusCode, fileSize, bytesRead)) return TransferOutcome::Done;
    if (statusCode == 200 || statusCode == 206) return TransferOutcome::Incomplete;
    if (statusCode == -1) return TransferOutcome::ServerUnreachable;
    return TransferOutcome::HttpError;
}

std::optional<std::uint64_t> parseContentLength(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    const auto last = text.find_last_not_of(" \t");
    text = text.substr(first, last - first + 1);
    std::uint64_t value = 0;
    bool saturated = false;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) saturated = true;
        else value = value * 10 + digit;
    }
    return saturated ? UINT64_MAX : value;
}

std::uint32_t fileSizeOfLength(std::uint64_t length) {
    return length > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(length);
}

bool isRedirectStatus(int statusCode) {
    return statusCode == 301 || statusCode == 302 || statusCode == 303 || statusCode == 307 || statusCode == 308;
}

bool isInsecureRedirect(std::string_view from, std::string_view to) {
    return schemeOf(normalizeUrl(from)) == "https" && schemeOf(normalizeUrl(to)) != "https";
}

bool keepsCredentials(std::string_view from, std::string_view to) {
    const std::string host = toLower(hostOfUrl(from));
    return !host.empty() && host == toLower(hostOfUrl(to));
}

TransferOutcome stalledOutcome(int statusCode) {
    if (statusCode == 200 || statusCode == 206) return TransferOutcome::Incomplete;
    if (statusCode == -1) return TransferOutcome::ServerUnreachable;
    return TransferOutcome::HttpError;
}

bool StallWatch::stalled(std::uint64_t nowMs, bool answered, std::uint64_t bytes, bool inNotification) {
    const bool newAnswer = answered && !answered_;
    answered_ = answered_ || answered;
    if (inNotification || newAnswer || bytes >= windowBytes_ + kStallMinBytes) {
        windowStart_ = nowMs;
        windowBytes_ = bytes;
        return false;
    }
    return nowMs - windowStart_ >= limit_;
}

bool ProgressPacer::due(std::uint64_t nowMs, std::uint64_t bytes) {
    if (bytes == toldBytes_) return false;
    if (toldAt_ && nowMs - *toldAt_ < kProgressIntervalMs) return false;
    toldAt_ = nowMs;
    toldBytes_ = bytes;
    return true;
}

std::uint32_t ReadSizer::next(std::uint32_t available) const {
    const std::uint32_t size = available > beyond_ ? available : beyond_;
    return size < largest_ ? size : largest_;
}

void ReadSizer::took(std::uint32_t size, std::uint64_t ms) {
    if (ms < kProgressIntervalMs) {
        beyond_ = size > largest_ / 2 ? largest_ : size * 2;
    } else {
        beyond_ /= 2;
    }
}

}  // namespace melkrin::update
