#pragma once

// The server's notifications as signals, without blocking the window: the connection's
// socket is watched by the event loop, and a lost connection is tried again, connecting
// without blocking, until it is back.

#include "Connection.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <memory>

class QSocketNotifier;

namespace data {

class Listener : public QObject {
    Q_OBJECT
public:
    explicit Listener(Connection& connection, QObject* parent = nullptr);
    ~Listener() override;

    // Listens on the channel from now on, in this session and every later one.
    void listen(const QByteArray& channel);
    // How long a lost connection waits after a failed attempt before the next one.
    void setRetryInterval(int ms) { retryInterval_ = ms; }
    // How long one attempt waits for a host that does not answer; the next begins at once.
    void setConnectTimeout(int ms) { deadline_.setInterval(ms); }
    bool watching() const { return notifier_ != nullptr; }

signals:
    // Another session's change, announced at its commit.
    void notified(const QString& channel, const QString& payload);
    // The connection is back after it was lost: what was announced meanwhile is unknown.
    void resumed();

private:
    void watch();
    void readSocket();
    void lost();
    void attempt();
    void step(Connection::ConnectStep next);
    void giveUp();

    Connection& connection_;
    std::unique_ptr<QSocketNotifier> notifier_;   // the session's socket
    std::unique_ptr<QSocketNotifier> connecting_; // the socket of an attempt under way
    QTimer retry_;
    QTimer deadline_;
    int retryInterval_ = 2000;
};

} // namespace data
