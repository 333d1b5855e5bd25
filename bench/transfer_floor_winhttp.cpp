// WinHTTP's floor for transfer_floor.cpp (see there).
#include <windows.h>
#include <winhttp.h>

#include <functional>
#include <string>
#include <vector>

bool floorViaWinhttp(const std::string& mode, const char* url, std::vector<char>& buffer,
                     const std::function<bool(const char*, DWORD)>& write) {
    wchar_t wide[2048];
    if (!MultiByteToWideChar(CP_ACP, 0, url, -1, wide, 2048)) return false;
    wchar_t host[256], path[1024];
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = 256;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = 1024;
    if (!WinHttpCrackUrl(wide, 0, 0, &parts)) return false;
    HINTERNET session = WinHttpOpen(L"floor", WINHTTP_ACCESS_TYPE_NO_PROXY, nullptr, nullptr, 0);
    if (!session) return false;
    HINTERNET connection = WinHttpConnect(session, host, parts.nPort, 0);
    HINTERNET request = connection ? WinHttpOpenRequest(connection, L"GET", path, nullptr, nullptr, nullptr, 0) : nullptr;
    bool ok = request && WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0) &&
              WinHttpReceiveResponse(request, nullptr);
    const DWORD size = static_cast<DWORD>(buffer.size());
    while (ok) {
        DWORD got = 0;
        if (mode == "winhttp-query") {
            DWORD available = 0;
            if (!WinHttpQueryDataAvailable(request, &available)) { ok = false; break; }
            if (available == 0) break;
            if (!WinHttpReadData(request, buffer.data(), available < size ? available : size, &got)) { ok = false; break; }
        } else if (!WinHttpReadData(request, buffer.data(), size, &got)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        if (!write(buffer.data(), got)) { ok = false; break; }
    }
    if (request) WinHttpCloseHandle(request);
    if (connection) WinHttpCloseHandle(connection);
    WinHttpCloseHandle(session);
    return ok;
}

