#pragma once
// Doubles for the update component: a transfer client the test completes by
// hand, message boxes, the scheduler, the online test and a verifier.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/scheduler.h"
#include "update/update_checker.h"

namespace melkrin::testing {

class FakeHttpTransfer : public update::HttpClient {
public:
    struct Start {
        std::string url, output;
        update::CacheOptions cache;
        std::uint64_t maxBody = update::kNoSizeLimit;
    };
    bool startTransfer(const std::string& url, const std::string& output, update::TransferReceiver r) override {
        if (busy) return false;
        starts.push_back({url, output, cacheOptions, maxBodySize});
        url_ = url;
        receiver = std::move(r);
        busy = active = true;
        return true;
    }
    // Idle at once, as the real client is.
    void stopTransfer(bool deleteOutputFile) override {
        stops.push_back(deleteOutputFile);
        busy = active = false;
    }
    bool isBusy() const override { return busy; }
    bool workerActive() const override { return active; }
    const std::string& url() const override { return url_; }

    // The completions as the real client delivers them, to the receiver of
    // the transfer that ends: busy ends before the notification, the worker
    // only after it returned.
    void finishDone(const std::string& body) {
        const auto r = ending();
        if (r.onTransferDone) r.onTransferDone("text/plain", static_cast<std::uint32_t>(body.size()), body);
        active = false;
    }
    void finishIncomplete() {
        const auto r = ending();
        if (r.onTransferIncomplete) r.onTransferIncomplete("text/plain", 100, 10, "partial");
        active = false;
    }
    void finishUnreachable() {
        const auto r = ending();
        if (r.onServerUnreachable) r.onServerUnreachable();
        active = false;
    }
    void finishRefused(update::TransferRefusal reason, int status = 200) {
        const auto r = ending();
        if (r.onTransferRefused) r.onTransferRefused(reason, status);
        active = false;
    }
    void finishHttpError(int status) {
        const auto r = ending();
        if (r.onHttpError) r.onHttpError(status, "<html>error page</html>");
        active = false;
    }

    // What arrives while the worker runs.
    bool sendHeaders(std::uint32_t contentLength, update::LocalDateTime lastModified = 0) {
        update::HeadersInfo h;
        h.statusCode = 200;
        h.contentLength = contentLength;
        h.lastModified = lastModified;
        return receiver.onHeadersReceived ? receiver.onHeadersReceived(h) : true;
    }
    void sendProgress(std::uint32_t size, std::uint32_t read, int percents, float rate, std::int64_t left) {
        if (receiver.onTransferProgress) receiver.onTransferProgress("application/octet-stream", size, read, 0, left, percents, rate);
    }
    bool sendPasswordRequest(const std::string& realm) {
        return receiver.onPasswordNeeded ? receiver.onPasswordNeeded(realm) : false;
    }
    void finishSkipped() {
        const auto r = ending();
        if (r.onTransferSkipped) r.onTransferSkipped();
        active = false;
    }

    // The receiver of the transfer under way (or the last one).
    update::TransferReceiver receiver;
    std::vector<Start> starts;
    std::vector<bool> stops;
    bool busy = false, active = false;

private:
    // The ending transfer's receiver: its handler may start the next transfer,
    // which brings a receiver of its own.
    update::TransferReceiver ending() {
        busy = false;
        return receiver;
    }
    std::string url_;
};

class FakeUpdateMessages : public update::UpdateMessageBoxes {
public:
    struct Shown {
        std::string text, caption;
        update::MessageIcon icon;
    };
    void show(const std::string& text, const std::string& caption, update::MessageIcon icon) override {
        shown.push_back({text, caption, icon});
    }
    std::vector<Shown> shown;
};

class ManualScheduler : public Scheduler {
public:
    void after(unsigned milliseconds, std::function<void()> task) override {
        pending.emplace_back(milliseconds, std::move(task));
    }
    // Runs what is due now, as the timer messages would.
    void fireAll() {
        auto due = std::move(pending);
        pending.clear();
        for (auto& [ms, task] : due) task();
    }
    std::vector<std::pair<unsigned, std::function<void()>>> pending;
};

class FakeOnlineTest : public update::OnlineTest {
public:
    bool online() override {
        ++asked;
        return answer;
    }
    bool answer = true;
    int asked = 0;
};

// Trusts exactly the bytes it was told were signed.
class FakeVerifier : public update::SignatureVerifier {
public:
    bool verify(std::string_view message, const update::Signature&) override {
        for (const auto& good : trusted)
            if (message == good) return true;
        return false;
    }
    std::vector<std::string> trusted;
};

}  // namespace melkrin::testing
