// A stand-in for the game, for the end-to-end tests and the demo command.
// Installed as <root>\Bin\Sam2.exe it takes the game's command line
//   +demo "content/serioussam2/demos/<file>" ... +width W +height H +bmk_bAutoQuit 1
// reads <root>\Content\SeriousSam2\Sam2.ini, renders the demo's frames in
// memory at W x H (the work grows with the pixel count, the antialiasing level
// and HDR), holds <root>\Sam2.log open while it writes it, and leaves a log
// with an "Average: " line. A configuration or command line it cannot use
// gives a log without a figure, as a broken game would.
//
// For tests, <root>\StandIn\behaviour.txt may hold lines "nolog" (write no
// log), "nofigure" (a log without the figure), "hold=<ms>" (keep the log
// open that long after the figure), "frames=<n>" (render n frames),
// "fps=<a>,<b>,..." (the figure of the first game, the second, ...; the last
// one after that, counted by the lines of ends.txt), "hang"
// (a game that hangs: it starts its log and then never ends, and it starts a
// helper process of its own that would leave <root>\StandIn\survivor.txt if
// it outlived the game) and "hangonce" (only the next start hangs). Every
// start is recorded in <root>\StandIn\calls.txt as "<working folder>|<command
// line>", and every end that played the demo in <root>\StandIn\ends.txt (the
// benchmarks take the times of both files).
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string readAll(const std::string& path, bool& ok) {
    ok = false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got) bytes.append(buffer, got);
    CloseHandle(file);
    ok = true;
    return bytes;
}

void appendLine(const std::string& path, const std::string& line) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// The value of "+name value" or "+name \"value\"" in the command line.
std::string option(const std::string& commandLine, const std::string& name) {
    const std::string key = "+" + name + " ";
    const auto at = commandLine.find(key);
    if (at == std::string::npos) return {};
    std::size_t start = at + key.size();
    if (start < commandLine.size() && commandLine[start] == '"') {
        const auto end = commandLine.find('"', start + 1);
        return end == std::string::npos ? std::string() : commandLine.substr(start + 1, end - start - 1);
    }
    const auto end = commandLine.find(' ', start);
    return commandLine.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// "name = value;" from the configuration; -1 when the line is missing.
int setting(const std::string& config, const std::string& name) {
    const std::string key = "\n" + name + " = ";
    const std::string text = "\n" + config;
    const auto at = text.find(key);
    if (at == std::string::npos) return -1;
    return std::atoi(text.c_str() + at + key.size());
}

class Log {
public:
    explicit Log(const std::string& path) {
        // Others may read the log while it is written, but nobody may open it
        // for exclusive use: that is how the benchmark tells the game is done.
        file_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    }
    ~Log() {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }
    void line(const std::string& text) {
        if (file_ == INVALID_HANDLE_VALUE) return;
        const std::string bytes = text + "\r\n";
        DWORD written = 0;
        WriteFile(file_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        FlushFileBuffers(file_);
    }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

// One frame of the demo: a procedural scene, sampled `samples` times per
// pixel, with integer arithmetic and a sine table so that the cost is the
// number of samples, not the maths library.
std::uint64_t renderFrame(std::vector<std::uint32_t>& pixels, int width, int height, int frame, int samples,
                          bool hdr, std::uint32_t seed) {
    static std::uint8_t sine[1024];
    static bool ready = false;
    if (!ready) {
        for (int i = 0; i < 1024; ++i) sine[i] = static_cast<std::uint8_t>(127.5 + 127.5 * std::sin(i * 6.2831853 / 1024));
        ready = true;
    }
    std::uint64_t checksum = 0;
    const unsigned phase = static_cast<unsigned>(frame * 13 + seed % 1024);
    for (int y = 0; y < height; ++y) {
        const int dy = ((y - height / 2) * 1024) / height;
        for (int x = 0; x < width; ++x) {
            unsigned r = 0, g = 0, b = 0;
            for (int s = 0; s < samples; ++s) {
                const int dx = ((x - width / 2) * 1024 + s * 256) / width;
                const unsigned d = static_cast<unsigned>(dx * dx + dy * dy) >> 8;
                r += sine[(d + phase) & 1023];
                g += sine[(static_cast<unsigned>(dx) * 3 + phase * 2) & 1023];
                b += sine[(static_cast<unsigned>(dy) * 5 + d / 4 + phase) & 1023];
            }
            r /= samples;
            g /= samples;
            b /= samples;
            if (hdr) {  // a tone-mapping pass
                r = r * 510 / (255 + r);
                g = g * 510 / (255 + g);
                b = b * 510 / (255 + b);
            }
            const std::uint32_t pixel = (r & 255) << 16 | (g & 255) << 8 | (b & 255);
            pixels[static_cast<std::size_t>(y) * width + x] = pixel;
            checksum += pixel;
        }
    }
    return checksum;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string commandLine = GetCommandLineA();
    char exePath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exePath, MAX_PATH);
    const std::string binFolder = folderOf(exePath);
    const std::string root = folderOf(binFolder.substr(0, binFolder.size() - 1));
    char workingFolder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, workingFolder);

    if (commandLine.find("--survivor") != std::string::npos) {
        Sleep(15000);
        appendLine(root + "StandIn\\survivor.txt", "survived");
        return 0;
    }
    CreateDirectoryA((root + "StandIn").c_str(), nullptr);
    appendLine(root + "StandIn\\calls.txt", std::string(workingFolder) + "|" + commandLine);

    bool ok = false;
    const std::string behaviour = readAll(root + "StandIn\\behaviour.txt", ok);
    if (behaviour.find("nolog") != std::string::npos) return 0;

    Log log(root + "Sam2.log");
    log.line("Serious Sam 2 (stand-in for benchmark tests)");
    log.line("Command line: " + commandLine);
    if (behaviour.find("hang") != std::string::npos) {
        // A child of the hung game, as a crash reporter or launcher would be:
        // stopping the game must end it too. It waits 15 s, then leaves its mark.
        const std::string helper = "\"" + std::string(exePath) + "\" --survivor";
        std::vector<char> line(helper.begin(), helper.end());
        line.push_back('\0');
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                           &startup, &info)) {
            CloseHandle(info.hThread);
            CloseHandle(info.hProcess);
        }
        // "hangonce": only this start hangs; the next one plays.
        if (behaviour.find("hangonce") != std::string::npos) {
            HANDLE file = CreateFileA((root + "StandIn\\behaviour.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        }
        log.line("Hanging");
        for (;;) Sleep(INFINITE);
    }

    const std::string config = readAll(root + "Content\\SeriousSam2\\Sam2.ini", ok);
    if (!ok) {
        log.line("Cannot read Content\\SeriousSam2\\Sam2.ini");
        return 1;
    }
    std::string demo = option(commandLine, "demo");
    for (auto& c : demo)
        if (c == '/') c = '\\';
    const std::string demoBytes = demo.empty() ? std::string() : readAll(root + demo, ok);
    if (demo.empty() || !ok) {
        log.line("Cannot open demo \"" + option(commandLine, "demo") + "\"");
        return 1;
    }
    const int width = std::atoi(option(commandLine, "width").c_str());
    const int height = std::atoi(option(commandLine, "height").c_str());
    if (width < 16 || height < 16 || width > 8192 || height > 8192) {
        log.line("Unusable resolution " + option(commandLine, "width") + " x " + option(commandLine, "height"));
        return 1;
    }
    const int api = setting(config, "gfx_iAPI");
    const int antialiasing = setting(config, "gfx_iAntiAliasing");
    const int anisotropy = setting(config, "tex_iAnisotropy");
    const int hdr = setting(config, "gfx_bHDRRendering");
    if (api != 1 && api != 2) {
        log.line("Unknown renderer in Sam2.ini");
        return 1;
    }
    log.line(std::string("Renderer: ") + (api == 1 ? "OpenGL" : "Direct3D"));
    log.line("Resolution: " + std::to_string(width) + " x " + std::to_string(height));
    log.line("Antialiasing: " + std::to_string(antialiasing) + ", anisotropy: " + std::to_string(anisotropy) +
             ", HDR: " + std::to_string(hdr));
    log.line("Playing demo " + demo);

    std::uint32_t seed = 2166136261u;
    for (unsigned char c : demoBytes) seed = (seed ^ c) * 16777619u;
    const int samples = 1 + (antialiasing > 0 ? antialiasing : 0);
    const double work = static_cast<double>(width) * height * samples;
    int frames = static_cast<int>(std::max(8.0, std::min(60.0, 40e6 / work)));
    // The benchmarks ask for a longer play, so that start-up noise does not count.
    const auto framesWanted = behaviour.find("frames=");
    if (framesWanted != std::string::npos) frames = std::max(1, std::atoi(behaviour.c_str() + framesWanted + 7));

    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    std::uint64_t checksum = 0;
    for (int frame = 0; frame < frames; ++frame)
        checksum += renderFrame(pixels, width, height, frame, samples, hdr == 1, seed);
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - begin.QuadPart) / frequency.QuadPart;
    double fps = seconds > 0 ? frames / seconds : 0.0;
    // "fps=60,70,61": the figures of the games in turn, by the number of
    // games that ended before (lines of ends.txt); past the list, the last.
    const auto given = behaviour.find("fps=");
    if (given != std::string::npos) {
        bool had = false;
        const std::string ends = readAll(root + "StandIn\\ends.txt", had);
        const auto played = static_cast<std::size_t>(std::count(ends.begin(), ends.end(), '\n'));
        std::vector<double> figures;
        const char* at = behaviour.c_str() + given + 4;
        for (;;) {
            char* next = nullptr;
            const double value = std::strtod(at, &next);
            if (next == at) break;
            figures.push_back(value);
            if (*next != ',') break;
            at = next + 1;
        }
        if (!figures.empty()) fps = figures[std::min(played, figures.size() - 1)];
    }

    char line[128];
    std::snprintf(line, sizeof(line), "Frames: %d, checksum %llu", frames, static_cast<unsigned long long>(checksum));
    log.line(line);
    if (behaviour.find("nofigure") == std::string::npos) {
        std::snprintf(line, sizeof(line), "Average: %.2f FPS", fps);
        log.line(line);
    }
    log.line("Demo finished, quitting.");
    const auto hold = behaviour.find("hold=");
    if (hold != std::string::npos) Sleep(static_cast<DWORD>(std::atoi(behaviour.c_str() + hold + 5)));
    appendLine(root + "StandIn\\ends.txt", line);
    return 0;
}
