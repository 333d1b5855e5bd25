// A small program with Melkrin's crash handler that fails on purpose in the
// way its argument names, so the end-to-end test sees each kind of failure
// reach the report: "uncaught" (a C++ exception nobody catches), "noexcept"
// (one that leaves a noexcept function: std::terminate), "stack" (a stack
// overflow), "null" (a write through a null pointer).
#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "crash/crash_handler_win32.h"
#include "crash/crash_hooks.h"

namespace {

volatile int sink = 0;

// Not inlined away, and each frame keeps a buffer, so the recursion ends in a
// stack overflow quickly.
__attribute__((noinline)) int recurse(int depth) {
    volatile char buffer[4096];
    buffer[depth % sizeof buffer] = static_cast<char>(depth);
    return recurse(depth + 1) + buffer[0];
}

void throwsThrough() noexcept { throw std::runtime_error("probe failure"); }

__attribute__((noinline)) void failUncaught() { throw std::runtime_error("probe failure"); }

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace melkrin;
    crash::installCrashHandler("www.example.com", "9.9");
    crash::setProgramVersion("9.9");
    if (__argc < 2) return 2;
    const std::string mode = __argv[1];
    if (__argc >= 3) crash::setDebugLogPath(__argv[2]);
    if (mode == "uncaught") failUncaught();
    if (mode == "noexcept") throwsThrough();
    if (mode == "stack") sink = recurse(0);
    if (mode == "null") *static_cast<volatile int*>(nullptr) = 1;
    return 1;
}
