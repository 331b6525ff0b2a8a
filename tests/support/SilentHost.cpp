#include "SilentHost.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace testdb {

namespace {

int connectToServer(const QByteArray& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Everything readable on `from` goes to `to`; false at the end of either.
bool passOn(int from, int to) {
    char buffer[65536];
    const ssize_t got = ::read(from, buffer, sizeof buffer);
    if (got <= 0)
        return false;
    for (ssize_t sent = 0; sent < got;) {
        const ssize_t n = ::send(to, buffer + sent, size_t(got - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

} // namespace

SilentHost::SilentHost(const QString& socketPath) : socketPath_(socketPath) {
    listening_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listening_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listening_, 16) != 0 ||
        ::getsockname(listening_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the silent host cannot listen on 127.0.0.1");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

SilentHost::~SilentHost() {
    stop_ = true;
    thread_.join();
    ::close(listening_);
}

void SilentHost::run() {
    const QByteArray path = socketPath_.toUtf8();
    std::vector<std::pair<int, int>> pairs; // client, server
    std::vector<int> unanswered;
    const auto drop = [](int fd) { ::close(fd); };
    while (!stop_) {
        const bool silent = silent_;
        if (silent) {
            for (const auto& [client, server] : pairs)
                drop(client), drop(server);
            pairs.clear();
        } else {
            for (int fd : unanswered)
                drop(fd);
            unanswered.clear();
        }
        std::vector<pollfd> watched{{listening_, POLLIN, 0}};
        for (const auto& [client, server] : pairs) {
            watched.push_back({client, POLLIN, 0});
            watched.push_back({server, POLLIN, 0});
        }
        if (::poll(watched.data(), nfds_t(watched.size()), 10) <= 0)
            continue;
        std::vector<std::pair<int, int>> kept;
        for (size_t i = 0; i < pairs.size(); ++i) {
            const auto [client, server] = pairs[i];
            const short fromClient = watched[1 + 2 * i].revents,
                        fromServer = watched[2 + 2 * i].revents;
            const bool alive =
                (!fromClient || passOn(client, server)) && (!fromServer || passOn(server, client));
            if (alive)
                kept.push_back(pairs[i]);
            else
                drop(client), drop(server);
        }
        pairs = std::move(kept);
        if (watched[0].revents & POLLIN) {
            const int client = ::accept(listening_, nullptr, nullptr);
            if (client < 0)
                continue;
            if (silent) {
                unanswered.push_back(client);
            } else if (const int server = connectToServer(path); server >= 0) {
                pairs.emplace_back(client, server);
            } else {
                drop(client);
            }
        }
    }
    for (const auto& [client, server] : pairs)
        drop(client), drop(server);
    for (int fd : unanswered)
        drop(fd);
}

} // namespace testdb
