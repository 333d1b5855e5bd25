#include "local_http_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace melkrin::testing {
namespace {

struct WinsockUser {
    WinsockUser() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockUser() { WSACleanup(); }
};

SOCKET listenOnLoopback(int& port) {
    static WinsockUser winsock;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    int length = sizeof(address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
}

}  // namespace

LocalHttpServer::LocalHttpServer(std::string answer, long resetAfter)
    : answer_(std::move(answer)), resetAfter_(resetAfter) {
    SOCKET s = listenOnLoopback(port_);
    listen(s, 8);
    listener_ = static_cast<unsigned long long>(s);
    thread_ = std::thread([this] { serve(); });
}

LocalHttpServer::~LocalHttpServer() {
    stopping_ = true;
    closesocket(static_cast<SOCKET>(listener_));
    thread_.join();
}

std::string LocalHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> LocalHttpServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::string LocalHttpServer::answer(const std::string& status, const std::string& body,
                                    const std::string& contentType) {
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

int LocalHttpServer::closedPort() {
    int port = 0;
    closesocket(listenOnLoopback(port));
    return port;
}

void LocalHttpServer::serve() {
    for (;;) {
        SOCKET client = accept(static_cast<SOCKET>(listener_), nullptr, nullptr);
        if (client == INVALID_SOCKET) return;
        if (stopping_) {
            closesocket(client);
            return;
        }
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const int got = recv(client, buffer, sizeof(buffer), 0);
            if (got <= 0) break;
            request.append(buffer, static_cast<std::size_t>(got));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        const std::size_t size = resetAfter_ >= 0 ? static_cast<std::size_t>(resetAfter_) : answer_.size();
        std::size_t sent = 0;
        while (sent < size) {
            const int n = send(client, answer_.data() + sent, static_cast<int>(size - sent), 0);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
        if (resetAfter_ >= 0) {
            // A hard close: the peer sees the connection reset, not a clean end.
            Sleep(100);
            linger hard{1, 0};
            setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof(hard));
        } else {
            shutdown(client, SD_SEND);
        }
        closesocket(client);
    }
}

}  // namespace melkrin::testing
