#include "Listener.h"

#include "Connection.h"

#include <QSocketNotifier>
#include <QThread>

namespace data {

Listener::Listener(Connection& connection, QObject* parent)
    : QObject(parent), connection_(connection) {
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &Listener::attempt);
    deadline_.setSingleShot(true);
    deadline_.setInterval(10000); // as the connect timeout of a blocking connect
    connect(&deadline_, &QTimer::timeout, this, &Listener::giveUp);
    connection_.setNotificationHandler(
        [this](const QByteArray& channel, const QByteArray& payload) {
            emit notified(QString::fromUtf8(channel), QString::fromUtf8(payload));
        });
    connection_.setSessionHandler([this](Connection::SessionEvent event) {
        if (event == Connection::SessionEvent::Lost)
            return lost();
        watch();
        if (event == Connection::SessionEvent::Resumed)
            emit resumed();
    });
    watch();
}

Listener::~Listener() {
    connection_.setNotificationHandler({});
    connection_.setSessionHandler({});
}

void Listener::listen(const QByteArray& channel) {
    connection_.listen(channel);
}

// Every session has a socket of its own; a closed one is watched no longer.
void Listener::watch() {
    notifier_.reset();
    connecting_.reset();
    retry_.stop();
    deadline_.stop();
    const int socket = connection_.socket();
    // A module used from a plain thread (a test's workstation) has no event loop to watch with.
    if (socket < 0 || !thread()->eventDispatcher())
        return;
    notifier_ = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &Listener::readSocket);
}

void Listener::readSocket() {
    if (!connection_.readNotifications())
        lost();
}

// The server went away: its socket would report the end for ever. The first attempt comes at
// once, since a statement may have lost the session to a server already back.
void Listener::lost() {
    // A module used from a plain thread has no event loop to try again with.
    if (thread() != QThread::currentThread() || !thread()->eventDispatcher())
        return;
    notifier_.reset();
    if (!connecting_ && !retry_.isActive())
        retry_.start(0);
}

void Listener::attempt() {
    step(connection_.beginReconnect());
    if (connecting_ && !deadline_.isActive())
        deadline_.start();
}

void Listener::step(Connection::ConnectStep next) {
    connecting_.reset();
    switch (next) {
    case Connection::ConnectStep::Done:
        // The session handler has watched the new socket and said so.
        deadline_.stop();
        if (!notifier_)
            watch();
        return;
    case Connection::ConnectStep::Failed:
        deadline_.stop();
        if (connection_.isOpen())
            retry_.start(retryInterval_);
        return;
    case Connection::ConnectStep::Read:
    case Connection::ConnectStep::Write:
        break;
    }
    connecting_ = std::make_unique<QSocketNotifier>(
        connection_.reconnectSocket(),
        next == Connection::ConnectStep::Read ? QSocketNotifier::Read : QSocketNotifier::Write);
    connect(connecting_.get(), &QSocketNotifier::activated, this,
            [this] { step(connection_.continueReconnect()); });
}

// The host has not answered within the connect timeout: that wait was the pause already.
void Listener::giveUp() {
    connecting_.reset();
    connection_.abandonReconnect();
    attempt();
}

} // namespace data
