#pragma once

// What the program sent, written out for psql: each statement of a connection with its
// parameters put in as literals, so psql runs the very statements the program ran.
#include "Timing.h"
#include "data/Connection.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <charconv>
#include <cstdio>
#include <libpq-fe.h>

namespace bench {

// A parameter as psql gets it: an untyped literal, which the server types from its place in
// the statement just as it types a parameter.
inline QString literal(const std::optional<QByteArray>& value) {
    if (!value)
        return QStringLiteral("NULL");
    QString text = QString::fromUtf8(*value);
    text.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

inline QString inlined(const QByteArray& sql,
                       const std::vector<std::optional<QByteArray>>& params) {
    QString text = QString::fromUtf8(sql).trimmed();
    for (size_t n = params.size(); n >= 1; --n) // $12 before $1
        text.replace(QLatin1Char('$') + QString::number(n), literal(params[n - 1]));
    while (text.endsWith(QLatin1Char(';')))
        text.chop(1);
    return text;
}

// A statement as the program sent it.
struct Sent {
    QByteArray sql;
    std::vector<std::optional<QByteArray>> params;
    data::Connection::Plan plan;
};

// Records the statements of a connection while it lives.
class Recorder {
public:
    explicit Recorder(data::Connection& connection) : connection_(connection) {
        connection_.setObserver([this](const QByteArray& sql,
                                       const std::vector<std::optional<QByteArray>>& params,
                                       data::Connection::Plan plan) {
            statements.append(inlined(sql, params));
            sent.push_back({sql, params, plan});
        });
    }
    ~Recorder() { connection_.setObserver({}); }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    QStringList statements;
    std::vector<Sent> sent;

private:
    data::Connection& connection_;
};

// A cell as the program holds it, decoded here by plain calls: whole numbers, doubles, dates,
// times and text, by the column's type.
inline QVariant decodedCell(const char* text, int length, Oid type) {
    switch (type) {
    case 16: // bool
        return qint64(length > 0 && text[0] == 't');
    case 20: // int8, int2, int4
    case 21:
    case 23: {
        qint64 i = 0;
        std::from_chars(text, text + length, i);
        return i;
    }
    case 700: // float4, float8, numeric
    case 701:
    case 1700: {
        qint64 i = 0;
        if (auto [p, ec] = std::from_chars(text, text + length, i);
            p == text + length && ec == std::errc())
            return i;
        double d = 0;
        std::from_chars(text, text + length, d);
        return d;
    }
    case 1082: // date
        return QDate::fromString(QString::fromLatin1(text, length), Qt::ISODate);
    case 1114: // timestamp
        return QDateTime::fromString(QString::fromLatin1(text, length).replace(10, 1, u'T'),
                                     Qt::ISODateWithMs);
    default:
        return QString::fromUtf8(text, length);
    }
}

// A bare libpq client running what the program sent, prepared as the program prepares it (a
// statement with parameters once for the session, unless it is planned for its values each
// time) and in the same order.
class LibpqReference {
public:
    LibpqReference(const Target& t, std::vector<Sent> sent) : sent_(std::move(sent)) {
        const QByteArray host = t.socket.toUtf8(), db = t.database.toUtf8(), user = t.user.toUtf8(),
                         pw = t.password.toUtf8();
        const char* keys[] = {"host", "dbname", "user", "password", nullptr};
        const char* values[] = {host.constData(), db.constData(), user.constData(), pw.constData(),
                                nullptr};
        conn_ = PQconnectdbParams(keys, values, 0);
        if (PQstatus(conn_) != CONNECTION_OK) {
            std::fprintf(stderr, "reference: %s", PQerrorMessage(conn_));
            std::exit(1);
        }
    }
    ~LibpqReference() { PQfinish(conn_); }
    LibpqReference(const LibpqReference&) = delete;
    LibpqReference& operator=(const LibpqReference&) = delete;

    // One run; with decode every cell of every result is decoded as the program holds it.
    void run(bool decode) {
        for (size_t i = 0; i < sent_.size(); ++i) {
            PGresult* r = execute(i);
            if (decode) {
                const int rows = PQntuples(r), columns = PQnfields(r);
                std::vector<QVariant> cells;
                cells.reserve(size_t(rows) * size_t(columns));
                for (int row = 0; row < rows; ++row)
                    for (int c = 0; c < columns; ++c)
                        cells.push_back(PQgetisnull(r, row, c)
                                            ? QVariant()
                                            : decodedCell(PQgetvalue(r, row, c),
                                                          PQgetlength(r, row, c), PQftype(r, c)));
            }
            PQclear(r);
        }
    }

    // One run that hands back the largest result (the most cells): the rows an export writes.
    // The caller clears it.
    PGresult* runForRows() {
        PGresult* largest = nullptr;
        const auto cells = [](PGresult* r) { return qint64(PQntuples(r)) * PQnfields(r); };
        for (size_t i = 0; i < sent_.size(); ++i) {
            PGresult* r = execute(i);
            if (!largest || cells(r) > cells(largest))
                std::swap(largest, r);
            PQclear(r);
        }
        return largest;
    }

private:
    PGresult* execute(size_t i) {
        const Sent& s = sent_[i];
        std::vector<const char*> values;
        for (const auto& p : s.params)
            values.push_back(p ? p->constData() : nullptr);
        PGresult* r = nullptr;
        if (s.params.empty() || s.plan == data::Connection::Plan::Fresh) {
            r = PQexecParams(conn_, s.sql.constData(), int(values.size()), nullptr, values.data(),
                             nullptr, nullptr, 0);
        } else {
            const QByteArray name = "ref_" + QByteArray::number(qulonglong(i));
            if (prepared_.size() <= i)
                prepared_.resize(i + 1);
            if (!prepared_[i]) {
                PQclear(PQprepare(conn_, name.constData(), s.sql.constData(), int(values.size()),
                                  nullptr));
                prepared_[i] = true;
            }
            r = PQexecPrepared(conn_, name.constData(), int(values.size()), values.data(), nullptr,
                               nullptr, 0);
        }
        const ExecStatusType status = PQresultStatus(r);
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            std::fprintf(stderr, "reference: %s", PQresultErrorMessage(r));
            std::exit(1);
        }
        return r;
    }

    PGconn* conn_ = nullptr;
    std::vector<Sent> sent_;
    std::vector<bool> prepared_;
};

} // namespace bench

namespace bench {

struct Comparison {
    std::vector<double> program, psql, libpq, libpqDecoded;
    QStringList statements;
    double ratio() const { return median(program) / median(psql); }
};

// Runs step once to learn its statements, then times it against psql running those
// statements and against a bare libpq client running them prepared as the program prepares
// them, alternating run by run; with decode the libpq client also decodes every cell, and so
// should step. reshape may turn the recorded statements into psql's script (one string per
// run); by default each statement ends with ";".
inline Comparison compareWithPsql(data::Connection& connection, const Target& t, int runs,
                                  const std::function<void()>& step,
                                  const std::function<QString(const QStringList&)>& reshape = {},
                                  const std::function<void()>& undo = {}) {
    Comparison c;
    std::vector<Sent> sent;
    {
        Recorder recorder(connection);
        step();
        c.statements = recorder.statements;
        sent = recorder.sent;
    }
    if (undo)
        undo();
    const QString perRun = reshape ? reshape(c.statements) : scriptOf(c.statements);
    PsqlSession psql(t.socket, t.database, t.user, t.password);
    LibpqReference reference(t, reshape ? std::vector<Sent>{} : sent);
    std::vector<Step> steps = {[&]() -> std::optional<double> {
                                   QElapsedTimer clock;
                                   clock.start();
                                   step();
                                   const double ms = clock.nsecsElapsed() / 1e6;
                                   if (undo)
                                       undo();
                                   return ms;
                               },
                               psqlStep(psql, perRun)};
    if (!reshape) {
        steps.push_back(timed([&] { reference.run(false); }));
        steps.push_back(timed([&] { reference.run(true); }));
    }
    auto ms = alternatedRuns(runs, steps);
    c.program = ms[0];
    c.psql = ms[1];
    if (!reshape) {
        c.libpq = ms[2];
        c.libpqDecoded = ms[3];
    }
    return c;
}

inline void printComparison(const char* what, const Comparison& c) {
    std::printf("  %s (%lld statements): program median %.2f ms, psql %.2f ms, ratio %.2f", what,
                static_cast<long long>(c.statements.size()), median(c.program), median(c.psql),
                c.psql.empty() ? 0.0 : c.ratio());
    if (!c.libpq.empty())
        std::printf("; libpq prepared %.2f ms (ratio %.2f), with every cell decoded %.2f ms "
                    "(ratio %.2f)",
                    median(c.libpq), median(c.program) / median(c.libpq), median(c.libpqDecoded),
                    median(c.program) / median(c.libpqDecoded));
    std::printf("\n");
}

} // namespace bench
