// Holds a Wine prefix's desktop open while test programs come and go.
//
// Wine closes a desktop, and ends the explorer.exe that draws it, a second
// after the last program on it has gone; the next program that needs a
// desktop starts explorer.exe anew, and explorer.exe inherits that program's
// stderr. Under CTest that is a test's output pipe: CTest then waits for it
// as long as later tests keep the desktop in use, well past the test's own
// end (a window test that passed in 157 ms ran into its 120 s limit so).
//
// cmake/wine-run.sh starts this program with no stdio of any test's before it
// starts a test. It asks for the desktop window, which makes Wine start the
// desktop's explorer.exe as its child, writes the file named by its first
// argument to say so, and stays on the desktop for the number of seconds its
// second argument names: the desktop is then never closed while tests run.
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 3) return 2;
    if (!GetDesktopWindow()) return 3;
    HANDLE ready = CreateFileA(__argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE) return 4;
    CloseHandle(ready);
    const unsigned long seconds = std::strtoul(__argv[2], nullptr, 10);
    Sleep(seconds * 1000);
    return 0;
}
