#pragma once
#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>

namespace melkrin::update {

// The one hidden window of class "TTransferSyncWindow" through which transfer
// workers run routines on the user-interface thread. It is created by the
// first client and destroyed with the last (a count under a process-wide
// lock); both happen on the user-interface thread.
class TransferSyncWindow {
public:
    static constexpr UINT kRunRoutine = 0x8FFF;

    // A reference for one client; the window exists while any is held.
    static HWND acquire();
    static void release();

    // From a worker: runs the routine on the window's thread and waits until
    // it returned. Nothing runs once `cancelled` is set (the transfer was
    // stopped, or its client is being destroyed). An exception of the routine
    // comes back here and is dropped: a failing handler never ends a
    // transfer abnormally.
    static void run(HWND window, const std::atomic<bool>* cancelled, const std::function<void()>& routine);

    // Waits for a handle while running the routines that workers send, so a
    // worker can finish while the user-interface thread waits for it.
    // False when the time ran out.
    static bool waitRunningRoutines(HANDLE handle, DWORD milliseconds);
};

}  // namespace melkrin::update
