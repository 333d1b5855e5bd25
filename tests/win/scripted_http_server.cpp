#include "scripted_http_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>

namespace melkrin::testing {

ScriptedHttpServer::ScriptedHttpServer(Script script) : script_(std::move(script)) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    listen(s, 16);
    listener_ = static_cast<unsigned long long>(s);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

ScriptedHttpServer::~ScriptedHttpServer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    released_.notify_all();
    closesocket(static_cast<SOCKET>(listener_));
    acceptor_.join();
    for (auto& t : connections_) t.join();
    WSACleanup();
}

std::string ScriptedHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> ScriptedHttpServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void ScriptedHttpServer::release() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        releasedFlag_ = true;
    }
    released_.notify_all();
}

std::string ScriptedHttpServer::reply(const std::string& status, const std::string& headers, const std::string& body,
                                      bool withLength) {
    std::string text = "HTTP/1.1 " + status + "\r\n" + headers;
    if (withLength) text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return text + "Connection: close\r\n\r\n" + body;
}

void ScriptedHttpServer::acceptLoop() {
    for (int index = 0;; ++index) {
        SOCKET client = accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
        if (client == INVALID_SOCKET) return;
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            closesocket(client);
            return;
        }
        connections_.emplace_back([this, client, index] { serve(static_cast<unsigned long long>(client), index); });
    }
}

void ScriptedHttpServer::serve(unsigned long long handle, int) {
    const SOCKET client = static_cast<SOCKET>(handle);
    // A client that stops reading must not hold this thread for ever.
    const DWORD sendLimit = 5000;
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendLimit), sizeof(sendLimit));
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int got = recv(client, buffer, sizeof(buffer), 0);
        if (got <= 0) break;
        request.append(buffer, static_cast<std::size_t>(got));
    }
    int index;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        index = static_cast<int>(requests_.size());
        requests_.push_back(request);
    }
    const Reply reply = script_(request, index);
    auto sendAll = [client](const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const int n = send(client, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    };
    bool open = sendAll(reply.bytes);
    for (int round = 0; open && reply.more; ++round) {
        if (reply.intervalMs > 0) {
            std::unique_lock<std::mutex> lock(mutex_);
            if (released_.wait_for(lock, std::chrono::milliseconds(reply.intervalMs),
                                   [this] { return releasedFlag_ || stopping_; }))
                break;
        } else {
            std::lock_guard<std::mutex> lock(mutex_);
            if (releasedFlag_ || stopping_) break;
        }
        const std::string chunk = reply.more(round);
        if (chunk.empty()) break;
        open = sendAll(chunk);
    }
    if (reply.holdOpen) {
        std::unique_lock<std::mutex> lock(mutex_);
        released_.wait_for(lock, std::chrono::seconds(30), [this] { return releasedFlag_ || stopping_; });
    }
    shutdown(client, SD_SEND);
    closesocket(client);
}

}  // namespace melkrin::testing
