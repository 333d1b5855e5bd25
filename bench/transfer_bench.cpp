// Melkrin's update download on its own: Win32HttpTransfer fetches one URL
// into a file with the settings the update uses (the client's own read size,
// progress told to the window's thread) while this thread runs a message
// loop, as melkrin.exe's does. Prints the seconds from the start to the
// completion, the bytes received and the progress notifications; exit code 1
// when the transfer did not complete.
//
//   transfer_bench URL OUTPUT-FILE [BUFFER-SIZE]    (the largest read; default the client's)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "update/http_client_win32.h"

using namespace melkrin::update;

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: transfer_bench URL OUTPUT-FILE [BUFFER-SIZE]\n");
        return 2;
    }
    Win32HttpTransfer transfer;
    transfer.hiddenOutputFile = true;
    if (argc == 4) transfer.transferBufferSize = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
    bool done = false, complete = false;
    std::uint32_t received = 0;
    int progressCalls = 0;
    // The notifications come as sent messages, which GetMessage handles
    // without returning: a posted one lets the loop see the end at once.
    auto ended = [&] {
        done = true;
        PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
    };
    TransferReceiver receiver;
    receiver.onTransferProgress = [&](const std::string&, std::uint32_t, std::uint32_t, std::uint32_t,
                                    std::int64_t, int, float) { ++progressCalls; };
    receiver.onTransferDone = [&](const std::string&, std::uint32_t bytes, const std::string&) {
        received = bytes;
        complete = true;
        ended();
    };
    receiver.onTransferIncomplete = [&](const std::string&, std::uint32_t, std::uint32_t bytes,
                                      const std::string&) {
        received = bytes;
        ended();
    };
    receiver.onServerUnreachable = [&]() { ended(); };
    receiver.onHttpError = [&](int, const std::string&) { ended(); };
    receiver.onTransferRefused = [&](TransferRefusal, int) { ended(); };

    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    if (!transfer.startTransfer(argv[1], argv[2], std::move(receiver))) return 1;
    while (!done) {
        MSG message;
        if (GetMessageA(&message, nullptr, 0, 0) <= 0) break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("%.4f %u %d\n", seconds, received, progressCalls);
    return complete ? 0 : 1;
}
