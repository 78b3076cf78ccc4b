#ifndef TRAKMOOR_TESTS_MAP_LOCALHTTPSERVER_H
#define TRAKMOOR_TESTS_MAP_LOCALHTTPSERVER_H

// A scripted HTTP/1.1 server on 127.0.0.1 for the download tests: it never reaches past this
// machine, and stops with its object.

#include <arpa/inet.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace maptest {

using namespace std::chrono_literals;
using Texts = std::vector<std::string>;

// Content-Length tells `missing` bytes more than the body has, for an answer cut short.
inline std::string httpAnswer(const std::string& status, const std::string& body,
                              const std::string& headers = "", std::size_t missing = 0) {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size() + missing) +
           "\r\nConnection: close\r\n" + headers + "\r\n" + body;
}

// HTTP/1.1 on 127.0.0.1: connection i gets reply(i, its request), or reply i of a list (in turn);
// replies with an X-Slow header go out in pieces of 64 bytes 5 ms apart.
class Server {
public:
    using Reply = std::function<std::string(int, const std::string&)>;
    explicit Server(Reply reply) : reply_(std::move(reply)) {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t size = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
        listen(listener_, 8);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/api/interpreter";
        thread_ = std::thread([this] {
            for (int client = -1, i = 0; (client = accept(listener_, nullptr, nullptr)) >= 0;) {
                serve(client, i++);
                close(client);
            }
        });
    }
    explicit Server(Texts replies)
        : Server([replies](int i, const std::string&) { return replies[i % replies.size()]; }) {}
    explicit Server(const std::string& reply) : Server(Texts{reply}) {}
    ~Server() {
        // Wakes the thread from accept.
        shutdown(listener_, SHUT_RDWR);
        thread_.join();
        close(listener_);
    }
    Texts requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    std::string url;

private:
    void serve(int client, int number) {
        // A query ends in ';' (sent as %3B); a GET after a redirect with its empty line.
        std::string request;
        std::string in(4096, '\0');
        while (!request.ends_with(request.starts_with("GET") ? "\r\n\r\n" : "%3B")) {
            const ssize_t n = recv(client, in.data(), in.size(), 0);
            if (n <= 0) {
                return;
            }
            request.append(in.data(), static_cast<std::size_t>(n));
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        const std::string reply = reply_(number, request);
        const std::size_t piece = reply.find("X-Slow") != reply.npos ? 64 : reply.size();
        for (std::size_t at = 0; at < reply.size(); at += piece) {
            std::this_thread::sleep_for(piece == 64 ? 5ms : 0ms);
            if (send(client, &reply[at], std::min(piece, reply.size() - at), MSG_NOSIGNAL) < 0) {
                return;
            }
        }
    }

    Reply reply_;
    int listener_ = socket(AF_INET, SOCK_STREAM, 0);
    std::mutex mutex_;
    Texts requests_;
    std::thread thread_;
};

} // namespace maptest

#endif
