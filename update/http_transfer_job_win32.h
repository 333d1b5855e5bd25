#pragma once
// One transfer of the WinINet client (http_client_win32.h): the worker's
// side, from the request to the completion on the user-interface thread.
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "update/http_client.h"
#include "update/transfer_rules.h"

namespace melkrin::update {

class Win32HttpTransfer;

// Thrown at a check point after stopTransfer: the worker ends silently.
struct StopRequested {};

// Smaller reads cost more in calls than they save in memory.
inline constexpr std::uint32_t kLeastReadBlock = 64u << 10;

// Everything one transfer needs, shared by the worker and the client. The
// worker touches the client only inside routines run on the user-interface
// thread, and those do nothing once the client is being destroyed.
struct TransferJob {
    Win32HttpTransfer* owner = nullptr;
    HWND syncWindow = nullptr;

    // The settings as they stood at the start.
    std::string url, outputFileName;
    HttpProxy proxy;
    std::vector<RequestFlag> flags;
    std::uint32_t bufferSize = kLeastReadBlock;
    ReadSizer sizer{kLeastReadBlock};
    HttpTimeouts timeouts;
    std::string username, password, acceptTypes, agent;
    // Where this transfer's events go.
    TransferReceiver receiver;
    bool hiddenOutput = false;
    std::uint64_t maxBodySize = kNoSizeLimit;
    std::uint32_t stallLimit = kStallLimitMs;
    bool followRedirects = true;

    std::atomic<bool> stop{false};
    std::atomic<bool> deleteOnStop{false};
    std::atomic<bool> busy{true};
    std::atomic<bool> workerActive{true};

    // Closing these from the user-interface thread wakes a worker that waits
    // on the network, so a stalled server cannot hold a stop request back.
    std::mutex handlesLock;
    HINTERNET session = nullptr, connection = nullptr, request = nullptr;
    // The worker's own copy of the request handle: the slot above may be
    // emptied by a stop at any time.
    HINTERNET workerRequest = nullptr;

    HANDLE inputFile = INVALID_HANDLE_VALUE;
    HANDLE outputFile = INVALID_HANDLE_VALUE;
    bool outputFailed = false;
    bool createdOutput = false;
    int statusCode = -1;
    bool continueDownload = true;
    std::uint32_t fileSize = 0, bytesRead = 0;
    std::uint64_t totalRead = 0;
    std::string contentType, body;
    ULONGLONG startTime = 0;
    int proxyChallenges = 0;
    int redirects = 0;
    // A redirect went on to another host than the credentials were given
    // for: a 401 there is the answer, no password is asked or sent.
    bool leftCredentialHost = false;
    std::optional<TransferRefusal> refusal;

    // What the stall watch on the user-interface thread reads while the
    // worker runs.
    std::atomic<bool> answered{false};
    std::atomic<std::uint64_t> progressBytes{0};
    std::atomic<int> inNotification{0};
    std::atomic<int> sharedStatus{-1};
    std::atomic<std::uint32_t> sharedFileSize{0};

    // The worker's whole transfer; throws StopRequested after a stop.
    void transfer();
    // On the user-interface thread, after the worker's transfer.
    void complete();
    void endOnStop();
    // From the user-interface thread: see the definition.
    void closeHandlesAside();

private:
    void checkPoint() {
        if (stop) throw StopRequested{};
    }
    void onUi(const std::function<void()>& routine);
    HINTERNET keep(HINTERNET& slot, HINTERNET handle);
    std::vector<HINTERNET> takeHandles();
    void closeHandles();
    void closeFiles();
    bool openAndSend();
    void sendRequest();
    void readHeaders();
    void readBody();
    bool nextRead(DWORD most, DWORD& wanted);
    bool read(char* into, DWORD wanted, DWORD& got);
    void notifyProgress();
};

// The notification that ends a transfer with this outcome.
void notifyEnding(const TransferReceiver& receiver, TransferOutcome outcome, int statusCode,
                  const std::string& contentType, std::uint32_t fileSize, std::uint32_t bytesRead,
                  const std::string& data);

}  // namespace melkrin::update
