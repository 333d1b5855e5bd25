#pragma once
// An HTTP server on 127.0.0.1 that answers each request as the test's script
// says: any status, no length, a cut-off body, a body that stalls, or no
// answer at all. Every connection has its own thread; a reply may also
// go on for ever, or a byte at a time.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace melkrin::testing {

class ScriptedHttpServer {
public:
    struct Reply {
        std::string bytes;      // sent as they are
        bool holdOpen = false;  // then keep the connection until released (at most 30 s)
        // Then more bytes: called with 0, 1, 2 ... every intervalMs until it
        // returns nothing, the client goes, or the server is released.
        std::function<std::string(int round)> more;
        int intervalMs = 0;
    };
    // request: the request's head; index: 0 for the first request.
    using Script = std::function<Reply(const std::string& request, int index)>;

    explicit ScriptedHttpServer(Script script);
    ~ScriptedHttpServer();
    ScriptedHttpServer(const ScriptedHttpServer&) = delete;
    ScriptedHttpServer& operator=(const ScriptedHttpServer&) = delete;

    std::string url(const std::string& path) const;
    int port() const { return port_; }
    std::vector<std::string> requests() const;
    // Lets held connections close.
    void release();

    // Status line, headers (CR LF each) and body; the length only when asked.
    static std::string reply(const std::string& status, const std::string& headers, const std::string& body,
                             bool withLength = true);

private:
    void acceptLoop();
    void serve(unsigned long long client, int index);

    Script script_;
    unsigned long long listener_ = ~0ull;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool releasedFlag_ = false;
    bool stopping_ = false;
    std::vector<std::string> requests_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

}  // namespace melkrin::testing
