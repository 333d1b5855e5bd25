// The floor of each platform download API under this system: the smallest
// loop that fetches one URL into a file, with no client around it, so the
// bench can tell the platform's cost from Melkrin's own. Prints the seconds
// from the first call to the closed file, the bytes written and the reads
// that brought them; exit code 1 when the download failed.
//
//   transfer_floor MODE URL OUTPUT-FILE [BUFFER-SIZE]    (default 1 MB)
//
// MODE: wininet          InternetReadFile into the whole buffer
//       wininet-cache    the same without INTERNET_FLAG_NO_CACHE_WRITE
//       wininet-query    InternetQueryDataAvailable, then read what is there
//       wininet-nowait   InternetReadFileEx with IRF_NO_WAIT; when nothing has arrived,
//                        InternetQueryDataAvailable waits for more
//       winhttp          WinHttpReadData into the whole buffer
//       winhttp-query    WinHttpQueryDataAvailable, then read what is there
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Output {
    HANDLE file;
    unsigned long long written = 0;
    unsigned long reads = 0;
    bool write(const char* data, DWORD size) {
        DWORD done = 0;
        if (!WriteFile(file, data, size, &done, nullptr) || done != size) return false;
        written += size;
        ++reads;
        return true;
    }
};

bool viaWininet(const std::string& mode, const char* url, Output& out, std::vector<char>& buffer) {
    HINTERNET session = InternetOpenA("floor", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!session) return false;
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (mode != "wininet-cache") flags |= INTERNET_FLAG_NO_CACHE_WRITE;
    HINTERNET request = InternetOpenUrlA(session, url, nullptr, 0, flags, 0);
    if (!request) return false;
    const DWORD size = static_cast<DWORD>(buffer.size());
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (mode == "wininet-query") {
            DWORD available = 0;
            if (!InternetQueryDataAvailable(request, &available, 0, 0)) { ok = false; break; }
            if (available == 0) break;
            if (!InternetReadFile(request, buffer.data(), available < size ? available : size, &got)) { ok = false; break; }
        } else if (mode == "wininet-nowait") {
            INTERNET_BUFFERSA part{};
            part.dwStructSize = sizeof(part);
            part.lpvBuffer = buffer.data();
            part.dwBufferLength = size;
            if (!InternetReadFileExA(request, &part, IRF_NO_WAIT, 0)) { ok = false; break; }
            got = part.dwBufferLength;
            if (got == 0) {
                // Nothing has arrived: wait until something has (or the end).
                DWORD available = 0;
                if (!InternetQueryDataAvailable(request, &available, 0, 0)) { ok = false; break; }
                if (available == 0) break;
                continue;
            }
        } else {
            if (!InternetReadFile(request, buffer.data(), size, &got)) { ok = false; break; }
        }
        if (got == 0) break;
        if (!out.write(buffer.data(), got)) { ok = false; break; }
    }
    InternetCloseHandle(request);
    InternetCloseHandle(session);
    return ok;
}

}  // namespace

// In transfer_floor_winhttp.cpp: its header cannot share a unit with WinINet's.
bool floorViaWinhttp(const std::string& mode, const char* url, std::vector<char>& buffer,
                     const std::function<bool(const char*, DWORD)>& write);

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: transfer_floor MODE URL OUTPUT-FILE [BUFFER-SIZE]\n");
        return 2;
    }
    const std::string mode = argv[1];
    std::vector<char> buffer(argc == 5 ? std::strtoul(argv[4], nullptr, 10) : 1u << 20);
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    Output out{CreateFileA(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (out.file == INVALID_HANDLE_VALUE) return 1;
    bool ok;
    if (mode.rfind("wininet", 0) == 0) {
        ok = viaWininet(mode, argv[2], out, buffer);
    } else if (mode.rfind("winhttp", 0) == 0) {
        ok = floorViaWinhttp(mode, argv[2], buffer, [&out](const char* data, DWORD size) { return out.write(data, size); });
    } else {
        std::fprintf(stderr, "transfer_floor: unknown mode %s\n", mode.c_str());
        return 2;
    }
    CloseHandle(out.file);
    QueryPerformanceCounter(&end);
    std::printf("%.4f %llu %lu\n", static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart),
                out.written, out.reads);
    return ok ? 0 : 1;
}
