#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "update/http_client.h"
#include "update/transfer_rules.h"

namespace melkrin::update {

struct TransferJob;

// HttpClient on WinINet: a fresh worker thread per transfer, every
// notification run on the user-interface thread (the thread that created
// the client) through the TTransferSyncWindow.
class Win32HttpTransfer : public HttpClient {
public:
    Win32HttpTransfer();
    // Stops a running worker first and waits a little for it.
    ~Win32HttpTransfer() override;
    Win32HttpTransfer(const Win32HttpTransfer&) = delete;
    Win32HttpTransfer& operator=(const Win32HttpTransfer&) = delete;

    bool startTransfer(const std::string& url, const std::string& outputFileName, TransferReceiver receiver) override;
    void stopTransfer(bool deleteOutputFile) override;
    bool isBusy() const override;
    bool workerActive() const override;
    const std::string& url() const override { return url_; }

    // The threads of earlier transfers that have not ended yet (tests).
    std::size_t liveWorkers();

private:
    friend struct TransferJob;
    static DWORD WINAPI threadMain(void* job);
    void reapWorkers();
    // The stall watch: a timer on the user-interface thread while a worker runs.
    void startWatch();
    void stopWatch();
    static void CALLBACK watchTick(HWND, UINT, UINT_PTR timer, DWORD);
    void giveUp();

    HWND syncWindow_ = nullptr;
    std::shared_ptr<TransferJob> job_;
    std::vector<HANDLE> workers_;
    std::string url_;
    std::optional<StallWatch> watch_;
    UINT_PTR watchTimer_ = 0;
};

}  // namespace melkrin::update
