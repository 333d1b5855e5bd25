#include "app/help_download_win32.h"

#include <windows.h>
#include <wininet.h>

#include "common/os_error_win32.h"

namespace melkrin {
namespace {

class InternetHandle {
public:
    explicit InternetHandle(HINTERNET h) : h_(h) {}
    ~InternetHandle() {
        if (h_) InternetCloseHandle(h_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET get() const { return h_; }

private:
    HINTERNET h_;
};

}  // namespace

bool Win32HelpDownloader::downloadToFile(const std::string& url, const std::string& path, const std::string& agent) {
    // Declared in this order so the URL handle closes before the session.
    InternetHandle session(InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.get()) return false;
    InternetHandle request(InternetOpenUrlA(session.get(), url.c_str(), nullptr, 0, 0, 0));
    if (!request.get()) return false;

    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throwLastError("Cannot create file \"" + path + "\"");

    char buffer[1024];
    for (;;) {
        DWORD got = 0;
        bool ok = InternetReadFile(request.get(), buffer, sizeof(buffer), &got) != 0;
        if (ok && got == 0) break;
        DWORD written = 0;
        if (ok) ok = WriteFile(file, buffer, got, &written, nullptr) != 0 && written == got;
        if (!ok) {
            CloseHandle(file);
            DeleteFileA(path.c_str());
            return false;
        }
    }
    CloseHandle(file);
    return true;
}

}  // namespace melkrin
