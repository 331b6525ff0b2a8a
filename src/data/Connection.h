#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
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
// A server that starts with '/' is a unix-socket folder. When the server has gone away the
// statement that notices it fails with the reason; the next one reconnects on its own.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void open(const QString& server, const QString& database, const QString& user,
              const QString& password, int port = 5432);
    void close();
    bool isOpen() const;
    // Inside a transaction block begun by data::Transaction.
    bool inTransaction() const;

    QString server() const { return server_; }
    QString database() const { return database_; }
    QString user() const { return user_; }

    // Runs one statement with positional parameters ($1...); nullopt is sent as NULL.
    // Throws DbError with the server's text when it fails. A statement with parameters is
    // a fixed text run again and again (the journal reloads), so the server keeps it
    // prepared for this session.
    PgResult exec(const QByteArray& sql, const std::vector<std::optional<QByteArray>>& params = {});

private:
    void ensureConnected();
    [[noreturn]] void fail(const QString& fallback);
    PgResult run(const QByteArray& sql, const std::vector<const char*>& values);
    PgResult runPrepared(const QByteArray& sql, const std::vector<const char*>& values);

    pg_conn* conn_ = nullptr;
    QHash<QByteArray, QByteArray> prepared_; // statement text -> prepared name
    QString server_, database_, user_;
};

} // namespace data
