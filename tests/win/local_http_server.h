#pragma once
// A tiny HTTP server on 127.0.0.1 for the tests of the program's downloads:
// every connection gets the same raw answer, optionally cut off by a reset.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace melkrin::testing {

class LocalHttpServer {
public:
    // answer: status line, headers and body exactly as sent. With resetAfter
    // set, the connection is reset once that many bytes of the answer went out.
    explicit LocalHttpServer(std::string answer, long resetAfter = -1);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    std::string url(const std::string& path) const;
    std::vector<std::string> requests() const;

    // A full answer with a Content-Length.
    static std::string answer(const std::string& status, const std::string& body,
                              const std::string& contentType = "application/octet-stream");
    // A port on 127.0.0.1 where nobody listens.
    static int closedPort();

private:
    void serve();

    std::string answer_;
    long resetAfter_;
    unsigned long long listener_ = ~0ull;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace melkrin::testing
