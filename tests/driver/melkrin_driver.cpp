// UI driver for the end-to-end tests: finds Melkrin's windows by class,
// reads and answers message boxes, clicks controls by their text. One
// command per invocation; exit code 0 on success, 1 on failure or time-out.
//
//   melkrin_driver wait-window CLASS [SECONDS]   a visible top-level window of CLASS exists
//   melkrin_driver wait-gone CLASS [SECONDS]     no window of CLASS is left
//   melkrin_driver dialog-text [SECONDS]         prints the text of the first message box
//   melkrin_driver answer yes|no|ok [SECONDS]    presses that button of the first message box
//   melkrin_driver no-dialog [SECONDS]           succeeds when no message box comes up in time
//   melkrin_driver click CLASS TEXT              presses the control with that window text
//   melkrin_driver text CLASS ID                 prints the window text of control ID
//   melkrin_driver close CLASS                   sends the window the system's close command
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Search {
    const char* className;
    HWND found = nullptr;
    bool visibleOnly = true;
};

BOOL CALLBACK findTopLevel(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    char name[256] = {};
    GetClassNameA(hwnd, name, sizeof(name));
    if (lstrcmpA(name, search->className) != 0) return TRUE;
    if (search->visibleOnly && !IsWindowVisible(hwnd)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

HWND topLevel(const char* className, bool visibleOnly = true) {
    Search search{className};
    search.visibleOnly = visibleOnly;
    EnumWindows(findTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

template <class Probe>
bool waitFor(double seconds, Probe probe) {
    const DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    for (;;) {
        if (probe()) return true;
        if (static_cast<LONG>(GetTickCount() - deadline) >= 0) return false;
        Sleep(50);
    }
}

std::string windowText(HWND hwnd) {
    char buffer[4096] = {};
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    return buffer;
}

struct TextSearch {
    std::string text;
    HWND found = nullptr;
};

BOOL CALLBACK findChildByText(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<TextSearch*>(param);
    if (windowText(hwnd) == search->text) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

double secondsArg(int argc, char** argv, int index, double fallback) {
    return argc > index ? std::atof(argv[index]) : fallback;
}

int usage() {
    std::fprintf(stderr, "usage: melkrin_driver COMMAND ARGS (see the source for the commands)\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];

    if (command == "wait-window" && argc >= 3) {
        return waitFor(secondsArg(argc, argv, 3, 30), [&] { return topLevel(argv[2]) != nullptr; }) ? 0 : 1;
    }
    if (command == "wait-gone" && argc >= 3) {
        return waitFor(secondsArg(argc, argv, 3, 30), [&] { return topLevel(argv[2], false) == nullptr; }) ? 0 : 1;
    }
    if (command == "dialog-text") {
        HWND dialog = nullptr;
        if (!waitFor(secondsArg(argc, argv, 2, 30), [&] { return (dialog = topLevel("#32770")) != nullptr; })) return 1;
        // The message text is the static control 0xFFFF of a message box.
        HWND text = GetDlgItem(dialog, 0xFFFF);
        std::printf("%s\n", windowText(text ? text : dialog).c_str());
        return 0;
    }
    if (command == "answer" && argc >= 3) {
        const std::string button = argv[2];
        const WPARAM id = button == "yes" ? IDYES : button == "no" ? IDNO : IDOK;
        HWND dialog = nullptr;
        if (!waitFor(secondsArg(argc, argv, 3, 30), [&] { return (dialog = topLevel("#32770")) != nullptr; })) return 1;
        PostMessageA(dialog, WM_COMMAND, id, 0);
        return waitFor(10, [&] { return !IsWindow(dialog); }) ? 0 : 1;
    }
    if (command == "no-dialog") {
        return waitFor(secondsArg(argc, argv, 2, 3), [] { return topLevel("#32770") != nullptr; }) ? 1 : 0;
    }
    if (command == "click" && argc >= 4) {
        HWND window = topLevel(argv[2]);
        if (!window) return 1;
        TextSearch search{argv[3]};
        EnumChildWindows(window, findChildByText, reinterpret_cast<LPARAM>(&search));
        if (!search.found) return 1;
        PostMessageA(search.found, BM_CLICK, 0, 0);
        return 0;
    }
    if (command == "text" && argc >= 4) {
        HWND window = topLevel(argv[2]);
        if (!window) return 1;
        HWND control = GetDlgItem(window, std::atoi(argv[3]));
        if (!control) return 1;
        std::printf("%s\n", windowText(control).c_str());
        return 0;
    }
    if (command == "close" && argc >= 3) {
        HWND window = topLevel(argv[2]);
        if (!window) return 1;
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    return usage();
}
