#include "TestDatabase.h"

#include "data/Error.h"
#include "data/Value.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <cstdlib>
#include <libpq-fe.h>
#include <stdexcept>

void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace testdb {

namespace {

QString env(const char* name) {
    const QString v = qEnvironmentVariable(name);
    if (v.isEmpty())
        throw std::runtime_error(std::string(name) +
                                 " is not set: run the tests through scripts/test");
    return v;
}

QString& createdName() {
    static QString name;
    return name;
}

} // namespace

QString socketFolder() {
    return env("TABEL_TEST_SOCKET");
}

QString adminPassword() {
    QFile f(env("TABEL_TEST_ADMIN_PASSWORD_FILE"));
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the test cluster's admin password file");
    return QString::fromUtf8(f.readAll()).trimmed();
}

QString psqlProgram() {
    const QString found = QStandardPaths::findExecutable(QStringLiteral("psql"));
    return found.isEmpty() ? QStringLiteral("/usr/lib/postgresql/15/bin/psql") : found;
}

QString databaseName() {
    QString& name = createdName();
    if (!name.isEmpty())
        return name;
    const QString program = QCoreApplication::applicationName().isEmpty()
                                ? QStringLiteral("tests")
                                : QCoreApplication::applicationName();
    QString candidate =
        QStringLiteral("t_%1_%2").arg(program).arg(QCoreApplication::applicationPid());
    candidate = candidate.toLower().replace(QLatin1Char('-'), QLatin1Char('_'));
    data::Connection server;
    server.open(socketFolder(), QStringLiteral("postgres"), QStringLiteral("postgres"),
                adminPassword());
    const QString templ =
        qEnvironmentVariable("TABEL_TEST_TEMPLATE", QStringLiteral("tabel_template"));
    server.exec(
        QStringLiteral("drop database if exists \"%1\" with (force)").arg(candidate).toUtf8());
    // A clone is refused while any session is still on the template (one that another
    // program's start is just leaving): try again a few times before giving up.
    for (int attempt = 1;; ++attempt) {
        try {
            server.exec(QStringLiteral("create database \"%1\" template \"%2\"")
                            .arg(candidate, templ)
                            .toUtf8());
            break;
        } catch (const data::DbError&) {
            if (attempt == 5)
                throw;
            QThread::msleep(300);
        }
    }
    name = candidate;
    std::atexit([] {
        try {
            data::Connection s;
            s.open(socketFolder(), QStringLiteral("postgres"), QStringLiteral("postgres"),
                   adminPassword());
            s.exec(QStringLiteral("drop database if exists \"%1\" with (force)")
                       .arg(createdName())
                       .toUtf8());
        } catch (...) {
        }
    });
    return name;
}

void openAdmin(data::Connection& connection) {
    connection.open(socketFolder(), databaseName(), QStringLiteral("postgres"), adminPassword());
}

void openAs(data::Connection& connection, const QString& user, const QString& password) {
    connection.open(socketFolder(), databaseName(), user, password);
}

QVariant exec(const QString& sql) {
    // Several statements in one go: the simple protocol, on a connection of its own.
    static PGconn* conn = [] {
        const QByteArray host = socketFolder().toUtf8(), db = databaseName().toUtf8(),
                         pwd = adminPassword().toUtf8();
        const char* keys[] = {"host",    "dbname", "user", "password", "client_encoding",
                              "options", nullptr};
        const char* values[] = {
            host.constData(), db.constData(), "postgres",
            pwd.constData(),  "UTF8",         "-c datestyle=ISO,DMY -c client_min_messages=warning",
            nullptr};
        PGconn* c = PQconnectdbParams(keys, values, 0);
        if (PQstatus(c) != CONNECTION_OK)
            throw std::runtime_error(PQerrorMessage(c));
        return c;
    }();
    PGresult* r = PQexec(conn, sql.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        const QString message = QString::fromUtf8(PQresultErrorMessage(r)).trimmed();
        PQclear(r);
        throw data::DbError(message);
    }
    QVariant out;
    if (PQntuples(r) > 0 && PQnfields(r) > 0 && !PQgetisnull(r, 0, 0))
        out = data::value::decode(PQgetvalue(r, 0, 0), PQgetlength(r, 0, 0), PQftype(r, 0));
    PQclear(r);
    return out;
}

QVariant execOldRows(const QString& sql) {
    exec(QStringLiteral("set session_replication_role = replica"));
    QVariant out;
    try {
        out = exec(sql);
    } catch (...) {
        exec(QStringLiteral("set session_replication_role = origin"));
        throw;
    }
    exec(QStringLiteral("set session_replication_role = origin"));
    return out;
}

void truncate(const QString& tables) {
    // one implicit transaction: the setting ends with it, also when the truncate fails
    exec(QStringLiteral("set local session_replication_role = replica; truncate ") + tables);
}

} // namespace testdb
