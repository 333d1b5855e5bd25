#pragma once
// Doubles for the update component: a transfer client the test completes by
// hand, message boxes, the scheduler, the online test and a verifier.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/scheduler.h"
#include "update/self_updater.h"

namespace melkrin::testing {

class FakeHttpTransfer : public update::THttpTransfer {
public:
    struct Start {
        std::string url, output;
        update::CacheOptions cache;
        std::uint64_t maxBody = update::kNoSizeLimit;
    };
    bool StartTransfer(const std::string& url, const std::string& output) override {
        if (busy) return false;
        starts.push_back({url, output, CacheOptionsSet, MaxBodySize});
        url_ = url;
        busy = active = true;
        return true;
    }
    // Idle at once, as the real client is.
    void StopTransfer(bool deleteOutputFile) override {
        stops.push_back(deleteOutputFile);
        busy = active = false;
    }
    bool Busy() const override { return busy; }
    bool WorkerActive() const override { return active; }
    const std::string& URL() const override { return url_; }

    // The completions as the real client delivers them: busy ends before the
    // notification, the worker only after it returned.
    void finishDone(const std::string& body) {
        busy = false;
        if (TransferDone) TransferDone(*this, "text/plain", static_cast<std::uint32_t>(body.size()), body);
        active = false;
    }
    void finishIncomplete() {
        busy = false;
        if (TransferIncomplete) TransferIncomplete(*this, "text/plain", 100, 10, "partial");
        active = false;
    }
    void finishUnreachable() {
        busy = false;
        if (ServerUnreachable) ServerUnreachable(*this);
        active = false;
    }
    void finishRefused(update::TransferRefusal reason, int status = 200) {
        busy = false;
        if (TransferRefused) TransferRefused(*this, reason, status);
        active = false;
    }
    void finishHttpError(int status) {
        busy = false;
        if (HttpError) HttpError(*this, status, "<html>error page</html>");
        active = false;
    }

    // What arrives while the worker runs.
    bool sendHeaders(std::uint32_t contentLength, update::LocalDateTime lastModified = 0) {
        update::HeadersInfo h;
        h.StatusCode = 200;
        h.ContentLength = contentLength;
        h.LastModified = lastModified;
        bool go = true;
        if (HeadersReceived) HeadersReceived(*this, h, go);
        return go;
    }
    void sendProgress(std::uint32_t size, std::uint32_t read, int percents, float rate, std::int64_t left) {
        if (TransferProgress) TransferProgress(*this, "application/octet-stream", size, read, 0, left, percents, rate);
    }
    bool sendPasswordRequest(const std::string& realm) {
        bool tryAgain = false;
        if (PasswordRequest) PasswordRequest(*this, realm, tryAgain);
        return tryAgain;
    }
    void finishSkipped() {
        busy = false;
        if (TransferSkipped) TransferSkipped(*this);
        active = false;
    }

    std::vector<Start> starts;
    std::vector<bool> stops;
    bool busy = false, active = false;

private:
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
