#include "Listener.h"

#include "Connection.h"

#include <QSocketNotifier>
#include <QThread>

namespace data {

std::optional<Announcement> parseAnnouncement(const QString& payload) {
    const QStringList parts = payload.split(QLatin1Char(' '));
    if (parts.size() != 3)
        return std::nullopt;
    Announcement a;
    a.date = QDate::fromString(parts[0], Qt::ISODate);
    bool shiftOk = false, idOk = false;
    a.shift = parts[1].toInt(&shiftOk);
    a.id = parts[2].toInt(&idOk);
    if (!a.date.isValid() || !shiftOk || !idOk)
        return std::nullopt;
    return a;
}

Listener::Listener(Connection& connection, QObject* parent)
    : QObject(parent), connection_(connection) {
    retry_.setInterval(10000);
    connect(&retry_, &QTimer::timeout, this, &Listener::retry);
    connection_.setNotificationHandler(
        [this](const QByteArray& channel, const QByteArray& payload) {
            emit notified(QString::fromUtf8(channel), QString::fromUtf8(payload));
        });
    connection_.setSessionHandler([this](Connection::SessionEvent event) {
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
    const int socket = connection_.socket();
    // A module used from a plain thread (a test's workstation) has no event loop to watch with.
    if (socket < 0 || !thread()->eventDispatcher())
        return;
    retry_.stop();
    notifier_ = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &Listener::readSocket);
}

void Listener::readSocket() {
    if (connection_.readNotifications())
        return;
    // The server went away: the socket would report its end for ever.
    notifier_.reset();
    retry_.start();
}

void Listener::retry() {
    if (connection_.socket() >= 0 || connection_.reconnectIfLost())
        retry_.stop(); // the reconnect itself has watched the new socket and said so
}

} // namespace data
