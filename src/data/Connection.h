#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct pg_conn;
struct pg_result;

namespace data {

// Owns a finished statement result of the server.
struct PgResultDeleter {
    void operator()(pg_result* r) const;
};
using PgResult = std::unique_ptr<pg_result, PgResultDeleter>;

// The program's one database connection. Every statement commits by itself.
// A server that starts with '/' is a unix-socket folder. The session always reads quoted
// text with standard_conforming_strings on; a server that will not is refused.
// When the connection is lost (a server restart), a read outside a transaction is run once
// more on a new session without a word; a write, or anything inside a transaction, is not:
// it fails saying the action was not done, and the next statement reconnects.
class Connection {
public:
    // What a statement does, for the decision whether it may run again after a lost
    // connection: a read may, a write may not (it may have been done).
    enum class Access { Write, Read };

    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Throws DbError with libpq's text when the server refuses, ConversionError when a
    // value holds NUL (libpq would cut it off there: "master\0x" would log in as "master").
    void open(const QString& server, const QString& database, const QString& user,
              const QString& password, int port = 5432);
    void close();
    bool isOpen() const;
    // Inside a transaction block begun by data::Transaction, also one whose connection was
    // lost and that has not been rolled back yet.
    bool inTransaction() const;

    QString server() const { return server_; }
    QString database() const { return database_; }
    QString user() const { return user_; }

    // Runs one statement with positional parameters ($1...); nullopt is sent as NULL.
    // Throws DbError with the server's text when it fails. A statement with parameters is
    // a fixed text run again and again (the journal reloads), so the server keeps it
    // prepared for this session.
    // Plan::Fresh plans the statement for the values given each time, as a literal statement
    // is: a period report over a year wants another plan than over a week, and the server's
    // plan kept for any values (after five runs) can take twice as long.
    enum class Plan { Kept, Fresh };
    PgResult exec(const QByteArray& sql, const std::vector<std::optional<QByteArray>>& params = {},
                  Access access = Access::Write, Plan plan = Plan::Kept);

    // Sees each statement before it is sent, with its parameters and how it is planned. The
    // benchmarks replay exactly what the program ran; nothing here writes it anywhere.
    using Observer = std::function<void(
        const QByteArray& sql, const std::vector<std::optional<QByteArray>>& params, Plan plan)>;
    void setObserver(Observer observer) { observer_ = std::move(observer); }

    // Listening: the server's notifications on the channels asked for, in every session
    // (a reconnect listens again). Notifications of this session's own changes are left out.
    // A notification read along with a statement's result is handed on after that statement.
    void listen(const QByteArray& channel);
    using NotificationHandler =
        std::function<void(const QByteArray& channel, const QByteArray& payload)>;
    void setNotificationHandler(NotificationHandler handler) { notified_ = std::move(handler); }
    // Told when a session begins (open, reconnect), ends (close) or is found lost by a
    // statement: its socket changed.
    enum class SessionEvent { Opened, Resumed, Closed, Lost };
    void setSessionHandler(std::function<void(SessionEvent)> handler) {
        sessionChanged_ = std::move(handler);
    }
    // The session's socket, -1 without one; readable when the server has sent something.
    int socket() const;
    // Reads what the server has sent and hands on its notifications; false when the
    // connection turns out to be lost.
    bool readNotifications();

    // A new session for a connection lost outside a transaction, without blocking, for a
    // caller that watches reconnectSocket(): begin, then continue each time the socket is
    // ready as the step says, until Done (the session handler is told Resumed) or Failed.
    // While it is under way a statement fails at once: waiting for a host that does not
    // answer would hold the window up to the connect timeout.
    enum class ConnectStep { Read, Write, Done, Failed };
    ConnectStep beginReconnect();
    ConnectStep continueReconnect();
    // Gives up the attempt under way (it took too long); the connection stays lost.
    void abandonReconnect();
    int reconnectSocket() const;

private:
    void deliverNotifications();
    void tell(SessionEvent event);
    void ensureConnected();
    void reconnect();
    void startSession();
    PgResult attempt(const QByteArray& sql, const std::vector<const char*>& values, Plan plan);
    PgResult run(const QByteArray& sql, const std::vector<const char*>& values);
    PgResult runPrepared(const QByteArray& sql, const std::vector<const char*>& values);

    pg_conn* conn_ = nullptr;
    QHash<QByteArray, QByteArray> prepared_; // statement text -> prepared name
    Observer observer_;
    std::vector<QByteArray> channels_;
    NotificationHandler notified_;
    std::function<void(SessionEvent)> sessionChanged_;
    QString server_, database_, user_;
    // The connection was lost inside a transaction: its work is gone, and nothing may run as
    // if it went on (on a new session every statement would commit by itself) until the
    // transaction's end (rollback or commit) has been asked for.
    bool transactionLost_ = false;
    QString lostReason_;
    bool reconnecting_ = false; // an attempt without blocking is under way
};

} // namespace data
