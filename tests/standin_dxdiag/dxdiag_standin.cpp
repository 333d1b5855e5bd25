// A stand-in for the DirectX diagnostic tool, for the Windows tests of the
// diagnostic step: Wine's own tool writes only the system section of its
// report. Called as "dxdiag.exe /whql:on /t <report>", it writes a report with
// a display and a sound section, and records how it was started in
// "dxdiag_start.txt" beside the report: its working folder, whether it was
// asked to start hidden, and its command line, one per line.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

bool writeText(const std::string& path, const std::string& text) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

// A window program, as the real tool is.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const int argc = __argc;
    char** const argv = __argv;
    std::string report;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "/t") report = argv[i + 1];
    if (report.empty()) return 2;

    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    const bool hidden = (startup.dwFlags & STARTF_USESHOWWINDOW) && startup.wShowWindow == SW_HIDE;
    const std::string reportFolder = report.substr(0, report.find_last_of('\\') + 1);
    if (!writeText(reportFolder + "dxdiag_start.txt", std::string(folder) + "\r\n" + (hidden ? "hidden" : "shown") +
                                                           "\r\n" + GetCommandLineA() + "\r\n"))
        return 3;

    const std::string text =
        "------------------\r\n"
        "System Information\r\n"
        "------------------\r\n"
        "Operating System: Windows 7\r\n"
        "\r\n"
        "---------------\r\n"
        "Display Devices\r\n"
        "---------------\r\n"
        "        Card name: Stand-in Adapter\r\n"
        "   Display Memory: 512.0 MB\r\n"
        "   Driver Version: 8.17.0012.9573 (English)\r\n"
        "\r\n"
        "-------------\r\n"
        "Sound Devices\r\n"
        "-------------\r\n"
        "            Description: Stand-in Audio\r\n";
    return writeText(report, text) ? 0 : 4;
}
