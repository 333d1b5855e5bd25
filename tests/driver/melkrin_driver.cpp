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
//   melkrin_driver wait-hidden CLASS [SECONDS]   no visible window of CLASS is left
//   melkrin_driver press CLASS ID                presses the button with control ID
//   melkrin_driver type CLASS ID TEXT            types TEXT into control ID, one character at a time
//   melkrin_driver key CLASS ID down|up|end|escape   presses an arrow key, End or Escape in control ID
//   melkrin_driver tree CLASS                    prints every control: id, class, flags, text
//   melkrin_driver state CLASS ID                prints "enabled visible checked" flags as 0/1
//   melkrin_driver hover CLASS ID                moves the pointer onto the centre of control ID
//   melkrin_driver hover-away                    moves the pointer onto the main window's title band
//   melkrin_driver items CLASS ID                prints a list box's items, "1 " or "0 " for its check mark first
//   melkrin_driver check-item CLASS ID INDEX     clicks item INDEX of a list box
//   melkrin_driver screenshot CLASS FILE.bmp     saves what the screen shows of the window
//   melkrin_driver responds CLASS [MS]           the window's thread answers a message within MS (default 1000)
//   melkrin_driver file-version FILE             prints a program file's version resource as a.b.c.d
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

struct IdSearch {
    int id;
    HWND found = nullptr;
};

BOOL CALLBACK findChildById(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<IdSearch*>(param);
    if (GetDlgCtrlID(hwnd) == search->id) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Controls sit inside pages and frames: search the whole tree.
HWND descendant(HWND window, int id) {
    IdSearch search{id};
    EnumChildWindows(window, findChildById, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK printControl(HWND hwnd, LPARAM root) {
    int depth = 0;
    for (HWND p = GetParent(hwnd); p && p != reinterpret_cast<HWND>(root); p = GetParent(p)) ++depth;
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof(name));
    const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    std::printf("%*s%d %s %s%s \"%s\"\n", depth * 2, "", GetDlgCtrlID(hwnd), name, (style & WS_VISIBLE) ? "v" : "-",
                IsWindowEnabled(hwnd) ? "e" : "-", windowText(hwnd).c_str());
    return TRUE;
}

// Wine's cross-process LB_GETTEXT with the A function returns UTF-16: use W and convert.
std::string listItem(HWND list, int index) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, index, 0);
    if (length < 0) return {};
    std::vector<wchar_t> wide(static_cast<std::size_t>(length) + 1);
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(wide.data()));
    char narrow[512] = {};
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, narrow, sizeof(narrow), nullptr, nullptr);
    return narrow;
}

bool saveBitmap(HWND window, const char* file) {
    RECT box{};
    GetWindowRect(window, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, box.left, box.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    const DWORD size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + size;
    bool ok = false;
    if (FILE* out = std::fopen(file, "wb")) {
        ok = std::fwrite(&header, sizeof(header), 1, out) == 1 &&
             std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
             std::fwrite(bits, 1, size, out) == size;
        std::fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
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
    if (command == "responds" && argc >= 3) {
        HWND window = topLevel(argv[2]);
        if (!window) return 1;
        const UINT limit = argc >= 4 ? static_cast<UINT>(std::atoi(argv[3])) : 1000;
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, limit, &result) ? 0 : 1;
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
        HWND control = descendant(window, std::atoi(argv[3]));
        if (!control) return 1;
        std::printf("%s\n", windowText(control).c_str());
        return 0;
    }
    if (command == "wait-hidden" && argc >= 3) {
        return waitFor(secondsArg(argc, argv, 3, 30), [&] { return topLevel(argv[2]) == nullptr; }) ? 0 : 1;
    }
    if (command == "press" && argc >= 4) {
        HWND window = topLevel(argv[2]);
        HWND control = window ? descendant(window, std::atoi(argv[3])) : nullptr;
        if (!control) return 1;
        PostMessageA(control, BM_CLICK, 0, 0);
        Sleep(200);
        return 0;
    }
    if (command == "type" && argc >= 5) {
        HWND window = topLevel(argv[2]);
        HWND control = window ? descendant(window, std::atoi(argv[3])) : nullptr;
        if (!control) return 1;
        // At the end of what the field holds, as after a click behind the text.
        const LRESULT length = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
        SendMessageA(control, EM_SETSEL, static_cast<WPARAM>(length), length);
        for (const char* c = argv[4]; *c; ++c) PostMessageA(control, WM_CHAR, static_cast<unsigned char>(*c), 1);
        Sleep(200);
        return 0;
    }
    if (command == "key" && argc >= 5) {
        HWND window = topLevel(argv[2]);
        HWND control = window ? descendant(window, std::atoi(argv[3])) : nullptr;
        if (!control) return 1;
        const std::string name = argv[4];
        const WPARAM key = name == "up" ? VK_UP : name == "escape" ? VK_ESCAPE : name == "end" ? VK_END : VK_DOWN;
        PostMessageA(control, WM_KEYDOWN, key, 1);
        PostMessageA(control, WM_KEYUP, key, 0xC0000001);
        Sleep(200);
        return 0;
    }
    if (command == "tree" && argc >= 3) {
        HWND window = topLevel(argv[2]);
        if (!window) return 1;
        EnumChildWindows(window, printControl, reinterpret_cast<LPARAM>(window));
        return 0;
    }
    if (command == "state" && argc >= 4) {
        HWND window = topLevel(argv[2]);
        HWND control = window ? descendant(window, std::atoi(argv[3])) : nullptr;
        if (!control) return 1;
        DWORD_PTR check = 0;
        SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &check);
        std::printf("%d %d %d\n", IsWindowEnabled(control) ? 1 : 0, IsWindowVisible(control) ? 1 : 0,
                    check == BST_CHECKED ? 1 : 0);
        return 0;
    }
    if (command == "hover" && argc >= 4) {
        HWND window = topLevel(argv[2]);
        HWND control = window ? descendant(window, std::atoi(argv[3])) : nullptr;
        if (!control) return 1;
        RECT box{};
        GetWindowRect(control, &box);
        // Two steps inside, so the control sees the pointer move over it.
        SetCursorPos(box.left + 3, (box.top + box.bottom) / 2);
        Sleep(150);
        SetCursorPos((box.left + box.right) / 2, (box.top + box.bottom) / 2);
        Sleep(150);
        return 0;
    }
    if (command == "hover-away") {
        // Onto the title band of the main window's background, away from
        // every option (Wine in a virtual desktop puts a pointer warped off
        // the window back).
        RECT box{};
        HWND window = topLevel("TForm1");
        if (!window) return 1;
        GetWindowRect(window, &box);
        const int dpi = GetDeviceCaps(GetDC(nullptr), LOGPIXELSX);
        SetCursorPos(box.left + MulDiv(250, dpi, 96), box.top + MulDiv(40, dpi, 96));
        Sleep(300);
        return 0;
    }
    if (command == "items" && argc >= 4) {
        HWND window = topLevel(argv[2]);
        HWND list = window ? descendant(window, std::atoi(argv[3])) : nullptr;
        if (!list) return 1;
        const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i)
            std::printf("%d %s\n", SendMessageW(list, LB_GETITEMDATA, i, 0) == 1 ? 1 : 0, listItem(list, i).c_str());
        return 0;
    }
    if (command == "check-item" && argc >= 5) {
        HWND window = topLevel(argv[2]);
        HWND list = window ? descendant(window, std::atoi(argv[3])) : nullptr;
        if (!list) return 1;
        const int index = std::atoi(argv[4]);
        SendMessageW(list, LB_SETTOPINDEX, index, 0);
        const int top = static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0));
        const int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
        const LPARAM at = MAKELPARAM(8, (index - top) * height + height / 2);
        PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(list, WM_LBUTTONUP, 0, at);
        Sleep(200);
        return 0;
    }
    if (command == "screenshot" && argc >= 4) {
        HWND window = topLevel(argv[2]);
        if (!window) return 1;
        return saveBitmap(window, argv[3]) ? 0 : 1;
    }
    if (command == "crash" && argc >= 3) {
        // Makes the window's process fail from outside, as a fault of its own
        // would: a thread of it starts at an address where nothing is mapped.
        HWND window = topLevel(argv[2]);
        if (!window) return 1;
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        HANDLE process = OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                         PROCESS_VM_WRITE | PROCESS_VM_READ,
                                     FALSE, pid);
        if (!process) return 1;
        HANDLE thread = CreateRemoteThread(process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(0x10),
                                           nullptr, 0, nullptr);
        const bool started = thread != nullptr;
        if (thread) CloseHandle(thread);
        CloseHandle(process);
        return started ? 0 : 1;
    }
    if (command == "file-version" && argc >= 3) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(argv[2], &ignored);
        if (size == 0) return 1;
        std::vector<char> data(size);
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (!GetFileVersionInfoA(argv[2], 0, size, data.data()) ||
            !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
            return 1;
        std::printf("%u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                    HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
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
