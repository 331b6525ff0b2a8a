#include "Connection.h"

#include "Error.h"
#include "LibPq.h"
#include "Value.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <algorithm>
#include <poll.h>

namespace data {

void PgResultDeleter::operator()(pg_result* r) const {
    libpq::api().PQclear(r);
}

namespace {

QString serverText(const char* message) {
    return value::fromServer(message).trimmed();
}

QString withReason(const QString& text, const QString& reason) {
    return reason.isEmpty() ? text : text + QLatin1Char('\n') + reason;
}

const char* const lostText = "Связь с сервером БД потеряна, действие не выполнено. Повторите его.";
const char* const noServerText = "Нет связи с сервером БД";

void refuseNul(const QString& value, const char* what) {
    if (value.contains(QChar(0)))
        throw ConversionError(
            QStringLiteral("%1 содержит нулевой символ (код 0)").arg(QString::fromUtf8(what)));
}

void ignoreNotice(void*, const char*) {}

constexpr int connectTimeoutMs = 10000;

// Connects as PQconnectdbParams does, but with the server's SQLSTATE in the messages of a
// refusal: a wrong password must be told apart from a server that cannot be reached, and
// libpq gives a failed connection no result to ask. Waits at most connectTimeoutMs.
pg_conn* connectWithCodes(const char* const* keys, const char* const* values) {
    pg_conn* conn = libpq::api().PQconnectStartParams(keys, values, 0);
    if (!conn || libpq::api().PQstatus(conn) == CONNECTION_BAD)
        return conn;
    libpq::api().PQsetErrorVerbosity(conn, PQERRORS_VERBOSE);
    const QDeadlineTimer deadline(connectTimeoutMs);
    PostgresPollingStatusType step = PGRES_POLLING_WRITING;
    while (step == PGRES_POLLING_READING || step == PGRES_POLLING_WRITING) {
        pollfd socket{libpq::api().PQsocket(conn),
                      short(step == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        int ready = 0;
        do
            ready = socket.fd < 0 ? -1 : ::poll(&socket, 1, int(deadline.remainingTime()));
        while (ready < 0 && errno == EINTR);
        if (ready <= 0)
            return conn; // not connected: PQstatus says CONNECTION_BAD or still in progress
        step = libpq::api().PQconnectPoll(conn);
    }
    return conn;
}

// The last SQLSTATE the server gave in a verbose connection message ("FATAL:  28P01: …").
QString connectionState(const QString& message) {
    static const QRegularExpression code(QStringLiteral(":  ([0-9A-Z]{5}): "));
    QString state;
    for (auto it = code.globalMatch(message); it.hasNext();)
        state = it.next().captured(1);
    return state;
}

// The verbose message as the default verbosity words it: without the code and the server's
// source location.
QString withoutCodes(QString message) {
    static const QRegularExpression code(QStringLiteral("(:  )[0-9A-Z]{5}: "));
    static const QRegularExpression location(
        QStringLiteral("\\n?[^\\n:]+:  [\\w$]+, [\\w./-]+:[0-9]+(?=\\n|$)"));
    return message.replace(code, QStringLiteral("\\1")).remove(location).trimmed();
}

// A channel is the program's own name, quoted all the same.
void listenNow(pg_conn* conn, const QByteArray& channel) {
    char* quoted =
        libpq::api().PQescapeIdentifier(conn, channel.constData(), size_t(channel.size()));
    if (!quoted)
        return;
    libpq::api().PQclear(
        libpq::api().PQexec(conn, QByteArray("listen " + QByteArray(quoted)).constData()));
    libpq::api().PQfreemem(quoted);
}

bool succeeded(pg_result* r) {
    const ExecStatusType status = libpq::api().PQresultStatus(r);
    return r && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK);
}

// The server's "cached plan must not change result type": the objects under a prepared
// statement changed, so it has to be prepared again.
bool planOutdated(pg_result* r) {
    const char* state = r ? libpq::api().PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    return state && QByteArray(state) == "0A000";
}

QString failureText(pg_conn* conn, pg_result* r) {
    const QString reason = r ? serverText(libpq::api().PQresultErrorMessage(r)) : QString();
    return reason.isEmpty() ? serverText(libpq::api().PQerrorMessage(conn)) : reason;
}

bool hasCyrillic(const QString& text) {
    for (const QChar c : text)
        if (c.script() == QChar::Script_Cyrillic)
            return true;
    return false;
}

// What the user reads first when the server refuses in its own English words; the server's
// text follows on a second line. Empty where the text stays as the server gave it.
QString russianLead(const QByteArray& sqlState) {
    static const QHash<QByteArray, const char*> leads = {
        {"40P01", "Действие не выполнено: те же данные в этот момент меняло другое рабочее "
                  "место. Повторите его."},
        {"40001", "Действие не выполнено: те же данные в этот момент меняло другое рабочее "
                  "место. Повторите его."},
        {"22003", "Действие не выполнено: число вне допустимого диапазона."},
        {"23503", "Действие не выполнено: запись ссылается на удалённые данные, или на неё "
                  "ссылаются другие."},
        {"23505", "Действие не выполнено: такая запись уже есть."},
        {"23502", "Действие не выполнено: не заполнено обязательное значение."},
        {"23514", "Действие не выполнено: значение не прошло проверку сервера БД."},
        {"22001", "Действие не выполнено: текст длиннее допустимого."},
        {"22P02", "Действие не выполнено: значение неверного вида."},
        {"42501", "Действие не выполнено: недостаточно прав."},
        {"55P03", "Действие не выполнено: данные заняты другим рабочим местом. Повторите его."},
        {"57014", "Действие не выполнено: запрос прерван."},
    };
    const char* lead = leads.value(sqlState, nullptr);
    return lead ? QString::fromUtf8(lead) : QString();
}

} // namespace

Connection::Connection() = default;

Connection::~Connection() {
    close();
}

void Connection::open(const QString& server, const QString& database, const QString& user,
                      const QString& password, int port) {
    close();
    refuseNul(server, "Имя сервера БД");
    refuseNul(database, "Имя базы данных");
    refuseNul(user, "Имя пользователя");
    refuseNul(password, "Пароль");
    const QByteArray host = server.toUtf8(), db = database.toUtf8(), usr = user.toUtf8(),
                     pwd = password.toUtf8(), portText = QByteArray::number(port);
    // The server must read 'DD.MM.YYYY' day first whatever its own setting is, and a
    // backslash in a quoted literal as an ordinary character (sqltext::quoted doubles
    // quotes only).
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
    const char* values[] = {host.constData(),
                            portText.constData(),
                            db.constData(),
                            usr.constData(),
                            pwd.constData(),
                            "UTF8",
                            "tabel",
                            "-c datestyle=ISO,DMY -c standard_conforming_strings=on",
                            "10",
                            nullptr};
    conn_ = connectWithCodes(keys, values);
    if (libpq::api().PQstatus(conn_) != CONNECTION_OK) {
        const QString verbose = conn_ ? serverText(libpq::api().PQerrorMessage(conn_)) : QString();
        const QString reason = withoutCodes(verbose);
        libpq::api().PQfinish(conn_);
        conn_ = nullptr;
        throw DbError(reason.isEmpty() ? QStringLiteral("Не удалось подключиться к БД") : reason,
                      connectionState(verbose));
    }
    libpq::api().PQsetErrorVerbosity(conn_, PQERRORS_DEFAULT);
    startSession();
    server_ = server;
    database_ = database;
    user_ = user;
    tell(SessionEvent::Opened);
}

// Settings of a session just begun, by open() or by a reconnect.
void Connection::startSession() {
    libpq::api().PQsetNoticeProcessor(conn_, ignoreNotice, nullptr);
    const char* conforming = libpq::api().PQparameterStatus(conn_, "standard_conforming_strings");
    if (!conforming || qstrcmp(conforming, "on") != 0) {
        close();
        throw DbError(QStringLiteral(
            "Сервер БД не включает для сеанса standard_conforming_strings = on: в таком режиме "
            "введённый текст может изменить смысл запроса. Работа с этим сервером невозможна, "
            "подключение закрыто."));
    }
    for (const QByteArray& channel : channels_)
        listenNow(conn_, channel);
}

void Connection::listen(const QByteArray& channel) {
    if (std::find(channels_.begin(), channels_.end(), channel) != channels_.end())
        return;
    channels_.push_back(channel);
    if (conn_ && libpq::api().PQstatus(conn_) == CONNECTION_OK)
        listenNow(conn_, channel);
}

int Connection::socket() const {
    return conn_ && libpq::api().PQstatus(conn_) == CONNECTION_OK ? libpq::api().PQsocket(conn_)
                                                                  : -1;
}

bool Connection::readNotifications() {
    if (!conn_)
        return false;
    const bool ok =
        libpq::api().PQconsumeInput(conn_) == 1 && libpq::api().PQstatus(conn_) == CONNECTION_OK;
    deliverNotifications();
    return ok;
}

void Connection::deliverNotifications() {
    const int own = libpq::api().PQbackendPID(conn_);
    while (PGnotify* n = libpq::api().PQnotifies(conn_)) {
        const QByteArray channel(n->relname), payload(n->extra);
        const bool mine = n->be_pid == own;
        libpq::api().PQfreemem(n);
        if (!mine && notified_)
            notified_(channel, payload);
    }
}

Connection::ConnectStep Connection::beginReconnect() {
    if (!conn_ || inTransaction())
        return ConnectStep::Failed;
    if (!reconnecting_ && libpq::api().PQstatus(conn_) == CONNECTION_OK)
        return ConnectStep::Done;
    prepared_.clear();
    reconnecting_ = libpq::api().PQresetStart(conn_) == 1;
    if (!reconnecting_)
        return ConnectStep::Failed;
    // libpq's rule: before the first poll, wait as for writing.
    return reconnectSocket() >= 0 ? ConnectStep::Write : continueReconnect();
}

Connection::ConnectStep Connection::continueReconnect() {
    if (!reconnecting_)
        return ConnectStep::Failed;
    switch (libpq::api().PQresetPoll(conn_)) {
    case PGRES_POLLING_READING:
        if (reconnectSocket() >= 0)
            return ConnectStep::Read;
        break;
    case PGRES_POLLING_WRITING:
        if (reconnectSocket() >= 0)
            return ConnectStep::Write;
        break;
    case PGRES_POLLING_OK:
        reconnecting_ = false;
        try {
            startSession();
        } catch (const Error&) {
            return ConnectStep::Failed; // closed, and said so
        }
        tell(SessionEvent::Resumed);
        return ConnectStep::Done;
    default:
        break;
    }
    reconnecting_ = false;
    return ConnectStep::Failed;
}

void Connection::abandonReconnect() {
    reconnecting_ = false;
}

int Connection::reconnectSocket() const {
    return reconnecting_ ? libpq::api().PQsocket(conn_) : -1;
}

void Connection::tell(SessionEvent event) {
    if (sessionChanged_)
        sessionChanged_(event);
}

void Connection::close() {
    const bool was = conn_ != nullptr;
    if (conn_)
        libpq::api().PQfinish(conn_);
    conn_ = nullptr;
    prepared_.clear();
    transactionLost_ = false;
    reconnecting_ = false;
    if (was)
        tell(SessionEvent::Closed);
}

bool Connection::isOpen() const {
    return conn_ != nullptr;
}

bool Connection::inTransaction() const {
    return transactionLost_ || (conn_ && libpq::api().PQtransactionStatus(conn_) != PQTRANS_IDLE &&
                                libpq::api().PQtransactionStatus(conn_) != PQTRANS_UNKNOWN);
}

void Connection::ensureConnected() {
    if (!conn_)
        throw DbError(QStringLiteral("Подключение к БД отсутствует"));
    if (reconnecting_)
        throw DbError(withReason(QString::fromUtf8(noServerText),
                                 QStringLiteral("Подключение к серверу БД восстанавливается.")));
    if (libpq::api().PQstatus(conn_) != CONNECTION_OK)
        reconnect(); // the server went away earlier; it may be back by now
}

// A new session with the same parameters; the statements prepared in the old one are gone.
void Connection::reconnect() {
    prepared_.clear();
    libpq::api().PQreset(conn_);
    if (libpq::api().PQstatus(conn_) != CONNECTION_OK)
        throw DbError(withReason(QString::fromUtf8(noServerText),
                                 serverText(libpq::api().PQerrorMessage(conn_))));
    startSession();
    tell(SessionEvent::Resumed);
}

PgResult Connection::run(const QByteArray& sql, const std::vector<const char*>& values) {
    return PgResult(libpq::api().PQexecParams(conn_, sql.constData(), int(values.size()), nullptr,
                                              values.data(), nullptr, nullptr, 0));
}

PgResult Connection::runPrepared(const QByteArray& sql, const std::vector<const char*>& values) {
    auto it = prepared_.constFind(sql);
    if (it == prepared_.constEnd()) {
        if (prepared_.size() >= 256) {
            PgResult(libpq::api().PQexec(conn_, "deallocate all"));
            prepared_.clear();
        }
        const QByteArray name = "tabel_" + QByteArray::number(quintptr(this), 16) + "_" +
                                QByteArray::number(prepared_.size() + 1);
        PgResult prepared(libpq::api().PQprepare(conn_, name.constData(), sql.constData(),
                                                 int(values.size()), nullptr));
        if (!succeeded(prepared.get()))
            return prepared;
        it = prepared_.insert(sql, name);
    }
    return PgResult(libpq::api().PQexecPrepared(conn_, it.value().constData(), int(values.size()),
                                                values.data(), nullptr, nullptr, 0));
}

PgResult Connection::attempt(const QByteArray& sql, const std::vector<const char*>& values,
                             Plan plan) {
    if (values.empty() || plan == Plan::Fresh)
        return run(sql, values);
    PgResult result = runPrepared(sql, values);
    if (!succeeded(result.get()) && !values.empty() && planOutdated(result.get())) {
        const QByteArray name = prepared_.take(sql);
        PgResult(libpq::api().PQexec(conn_, ("deallocate " + name).constData()));
        result = runPrepared(sql, values);
    }
    return result;
}

PgResult Connection::exec(const QByteArray& sql,
                          const std::vector<std::optional<QByteArray>>& params, Access access,
                          Plan plan) {
    // libpq reads the statement up to its first NUL; what follows would silently vanish.
    if (sql.contains('\0'))
        throw ConversionError(QStringLiteral("Текст запроса содержит нулевой символ (код 0)"));
    if (transactionLost_) {
        const QByteArray word = sql.trimmed().toLower();
        if (word == "rollback" || word == "commit")
            transactionLost_ = false; // the transaction's end: from now on a new session
        if (word != "rollback")
            throw DbError(withReason(QString::fromUtf8(lostText), lostReason_));
    }
    if (observer_)
        observer_(sql, params, plan);
    ensureConnected();
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const auto& p : params)
        values.push_back(p ? p->constData() : nullptr);

    const bool idle = libpq::api().PQtransactionStatus(conn_) == PQTRANS_IDLE;
    PgResult result = attempt(sql, values, plan);
    deliverNotifications();
    if (!succeeded(result.get()) && libpq::api().PQstatus(conn_) == CONNECTION_BAD) {
        const QString reason = failureText(conn_, result.get());
        tell(SessionEvent::Lost); // its socket is closed by what follows
        if (access == Access::Read && idle) {
            reconnect(); // "Нет связи с сервером БД" when the server is not back
            result = attempt(sql, values, plan);
            if (!succeeded(result.get()) && libpq::api().PQstatus(conn_) == CONNECTION_BAD)
                throw DbError(
                    withReason(QString::fromUtf8(lostText), failureText(conn_, result.get())));
        } else {
            // A write may or may not have been done; a transaction died with its session.
            if (!idle) {
                transactionLost_ = true;
                lostReason_ = reason;
            }
            throw DbError(withReason(QString::fromUtf8(lostText), reason));
        }
    }
    if (!succeeded(result.get())) {
        QString reason = failureText(conn_, result.get());
        if (reason.isEmpty())
            reason = QStringLiteral("Ошибка выполнения запроса");
        const QByteArray state = libpq::api().PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
        const char* constraint =
            libpq::api().PQresultErrorField(result.get(), PG_DIAG_CONSTRAINT_NAME);
        // A message the server words in Russian itself (the journal's routines) needs no lead;
        // its detail may quote Russian data under an English message.
        const QString primary = QString::fromUtf8(
            libpq::api().PQresultErrorField(result.get(), PG_DIAG_MESSAGE_PRIMARY));
        const QString lead = hasCyrillic(primary) ? QString() : russianLead(state);
        throw DbError(lead.isEmpty() ? reason : lead + QLatin1Char('\n') + reason,
                      QString::fromLatin1(state), QString::fromUtf8(constraint ? constraint : ""),
                      reason);
    }
    return result;
}

} // namespace data
