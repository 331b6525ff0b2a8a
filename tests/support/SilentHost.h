#pragma once

// A TCP port on 127.0.0.1 in front of a server's unix socket, run by a thread of its own: it
// passes everything on until told to fall silent, as a host that went away does.

#include <QString>
#include <atomic>
#include <thread>

namespace testdb {

class SilentHost {
public:
    // socketPath: the server's socket file (".../.s.PGSQL.5432").
    explicit SilentHost(const QString& socketPath);
    ~SilentHost();
    SilentHost(const SilentHost&) = delete;
    SilentHost& operator=(const SilentHost&) = delete;

    int port() const { return port_; }
    // Drops every connection; new ones are taken and never answered.
    void fallSilent() { silent_ = true; }
    // Drops the unanswered ones; new ones reach the server again.
    void answer() { silent_ = false; }

private:
    void run();

    QString socketPath_;
    int listening_ = -1;
    int port_ = 0;
    std::atomic<bool> silent_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace testdb
