#include "Connection.h"

#include "Error.h"

#include <libpq-fe.h>

namespace data {

void PgResultDeleter::operator()(pg_result* r) const {
    PQclear(r);
}

namespace {

QString serverText(const char* message) {
    return QString::fromUtf8(message).trimmed();
}

void ignoreNotice(void*, const char*) {}

} // namespace

Connection::Connection() = default;

Connection::~Connection() {
    close();
}

void Connection::open(const QString& server, const QString& database, const QString& user,
                      const QString& password, int port) {
    close();
    const QByteArray host = server.toUtf8(), db = database.toUtf8(), usr = user.toUtf8(),
                     pwd = password.toUtf8(), portText = QByteArray::number(port);
    // The server must read 'DD.MM.YYYY' day first whatever its own setting is.
    const char* keys[] = {"host",
                          "port",
                          "dbname",
                          "user",
                          "password",
                          "client_encoding",
                          "application_name",
                          "options",
                          "connect_timeout",
                          nullptr};
    const char* values[] = {host.constData(), portText.constData(),   db.constData(),
                            usr.constData(),  pwd.constData(),        "UTF8",
                            "tabel",          "-c datestyle=ISO,DMY", "10",
                            nullptr};
    conn_ = PQconnectdbParams(keys, values, 0);
    if (PQstatus(conn_) != CONNECTION_OK) {
        const QString reason = serverText(PQerrorMessage(conn_));
        PQfinish(conn_);
        conn_ = nullptr;
        throw DbError(reason.isEmpty() ? QStringLiteral("Не удалось подключиться к БД") : reason);
    }
    PQsetNoticeProcessor(conn_, ignoreNotice, nullptr);
    server_ = server;
    database_ = database;
    user_ = user;
}

void Connection::close() {
    if (conn_)
        PQfinish(conn_);
    conn_ = nullptr;
    prepared_.clear();
}

bool Connection::isOpen() const {
    return conn_ != nullptr;
}

bool Connection::inTransaction() const {
    return conn_ && PQtransactionStatus(conn_) != PQTRANS_IDLE &&
           PQtransactionStatus(conn_) != PQTRANS_UNKNOWN;
}

void Connection::fail(const QString& fallback) {
    const QString reason = conn_ ? serverText(PQerrorMessage(conn_)) : QString();
    throw DbError(reason.isEmpty() ? fallback : reason);
}

void Connection::ensureConnected() {
    if (!conn_)
        throw DbError(QStringLiteral("Подключение к БД отсутствует"));
    if (PQstatus(conn_) == CONNECTION_OK)
        return;
    // The server went away earlier; it may be back by now, as a new session.
    prepared_.clear();
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK)
        fail(QStringLiteral("Нет связи с сервером БД"));
    PQsetNoticeProcessor(conn_, ignoreNotice, nullptr);
}

namespace {

bool succeeded(pg_result* r) {
    const ExecStatusType status = PQresultStatus(r);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

// The server's "cached plan must not change result type": the objects under a prepared
// statement changed, so it has to be prepared again.
bool planOutdated(pg_result* r) {
    const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
    return state && QByteArray(state) == "0A000";
}

} // namespace

PgResult Connection::run(const QByteArray& sql, const std::vector<const char*>& values) {
    return PgResult(PQexecParams(conn_, sql.constData(), int(values.size()), nullptr, values.data(),
                                 nullptr, nullptr, 0));
}

PgResult Connection::runPrepared(const QByteArray& sql, const std::vector<const char*>& values) {
    auto it = prepared_.constFind(sql);
    if (it == prepared_.constEnd()) {
        if (prepared_.size() >= 256) {
            PgResult(PQexec(conn_, "deallocate all"));
            prepared_.clear();
        }
        const QByteArray name = "tabel_" + QByteArray::number(quintptr(this), 16) + "_" +
                                QByteArray::number(prepared_.size() + 1);
        PgResult prepared(
            PQprepare(conn_, name.constData(), sql.constData(), int(values.size()), nullptr));
        if (!prepared || !succeeded(prepared.get()))
            return prepared;
        it = prepared_.insert(sql, name);
    }
    return PgResult(PQexecPrepared(conn_, it.value().constData(), int(values.size()), values.data(),
                                   nullptr, nullptr, 0));
}

PgResult Connection::exec(const QByteArray& sql,
                          const std::vector<std::optional<QByteArray>>& params) {
    ensureConnected();
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const auto& p : params)
        values.push_back(p ? p->constData() : nullptr);
    PgResult result = values.empty() ? run(sql, values) : runPrepared(sql, values);
    if (result && !succeeded(result.get()) && !values.empty() && planOutdated(result.get())) {
        const QByteArray name = prepared_.take(sql);
        PgResult(PQexec(conn_, ("deallocate " + name).constData()));
        result = runPrepared(sql, values);
    }
    if (!result)
        fail(QStringLiteral("Нет связи с сервером БД"));
    if (!succeeded(result.get())) {
        QString reason = serverText(PQresultErrorMessage(result.get()));
        if (reason.isEmpty())
            reason = serverText(PQerrorMessage(conn_));
        throw DbError(reason.isEmpty() ? QStringLiteral("Ошибка выполнения запроса") : reason);
    }
    return result;
}

} // namespace data
