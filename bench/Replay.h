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
#include <map>

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
    // insertedIds: what the recorded run's inserts into accounts_dep.smena returned, in order;
    // each run puts the ids its own inserts return in their place in the statements after.
    LibpqReference(const Target& t, std::vector<Sent> sent,
                   std::vector<QByteArray> insertedIds = {})
        : sent_(std::move(sent)), insertedIds_(std::move(insertedIds)) {
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
        newIds_.clear();
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
        newIds_.clear();
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
    static bool isPositionInsert(const QByteArray& sql) {
        static const QByteArray prefix = "insert into accounts_dep.smena";
        const QByteArray s = sql.trimmed().toLower();
        return s.startsWith(prefix) && s.size() > prefix.size() &&
               (s[prefix.size()] == '(' || s[prefix.size()] == ' ');
    }

    PGresult* execute(size_t i) {
        const Sent& s = sent_[i];
        std::vector<const char*> values;
        for (const auto& p : s.params) {
            const auto renamed = p ? newIds_.find(*p) : newIds_.end();
            values.push_back(renamed != newIds_.end() ? renamed->second.constData()
                                                      : (p ? p->constData() : nullptr));
        }
        PGresult* r = nullptr;
        if (s.params.empty() || s.plan == data::Connection::Plan::Fresh) {
            r = PQexecParams(conn_, s.sql.constData(), int(values.size()), nullptr, values.data(),
                             nullptr, nullptr, 0);
        } else {
            // One prepared statement per text, as the program keeps them.
            auto it = prepared_.find(s.sql);
            if (it == prepared_.end()) {
                const QByteArray name = "ref_" + QByteArray::number(qulonglong(prepared_.size()));
                PQclear(PQprepare(conn_, name.constData(), s.sql.constData(), int(values.size()),
                                  nullptr));
                it = prepared_.emplace(s.sql, name).first;
            }
            const QByteArray& name = it->second;
            r = PQexecPrepared(conn_, name.constData(), int(values.size()), values.data(), nullptr,
                               nullptr, 0);
        }
        const ExecStatusType status = PQresultStatus(r);
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            std::fprintf(stderr, "reference: %s", PQresultErrorMessage(r));
            std::exit(1);
        }
        if (!insertedIds_.empty() && status == PGRES_TUPLES_OK && PQntuples(r) == 1 &&
            isPositionInsert(s.sql)) {
            const size_t n = newIds_.size();
            if (n < insertedIds_.size())
                newIds_[insertedIds_[n]] = QByteArray(PQgetvalue(r, 0, 0));
        }
        return r;
    }

    PGconn* conn_ = nullptr;
    std::vector<Sent> sent_;
    std::map<QByteArray, QByteArray> prepared_; // text -> statement name
    std::vector<QByteArray> insertedIds_;
    std::map<QByteArray, QByteArray> newIds_; // recorded id -> this run's
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
// run); by default each statement ends with ";". insertedIds, read right after the recorded
// run, are the ids that run's inserts of positions returned: the libpq client then replays a
// reshaped step too, with its own new ids in their place.
inline Comparison compareWithPsql(data::Connection& connection, const Target& t, int runs,
                                  const std::function<void()>& step,
                                  const std::function<QString(const QStringList&)>& reshape = {},
                                  const std::function<void()>& undo = {},
                                  const std::vector<QByteArray>* insertedIds = nullptr) {
    Comparison c;
    std::vector<Sent> sent;
    std::vector<QByteArray> recordedIds;
    {
        Recorder recorder(connection);
        step();
        c.statements = recorder.statements;
        sent = recorder.sent;
        if (insertedIds)
            recordedIds = *insertedIds;
    }
    if (undo)
        undo();
    const QString perRun = reshape ? reshape(c.statements) : scriptOf(c.statements);
    PsqlSession psql(t.socket, t.database, t.user, t.password);
    // With the ids its inserts returned, the libpq client replays even a reshaped step.
    const bool replay = !reshape || !recordedIds.empty();
    LibpqReference reference(t, replay ? sent : std::vector<Sent>{}, recordedIds);
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
    if (replay) {
        steps.push_back(timed([&] { reference.run(false); }));
        steps.push_back(timed([&] { reference.run(true); }));
    }
    auto ms = alternatedRuns(runs, steps);
    c.program = ms[0];
    c.psql = ms[1];
    if (replay) {
        c.libpq = ms[2];
        c.libpqDecoded = ms[3];
    }
    return c;
}

// The reference that prepares as the program does leads; psql (literal text, planned each
// time) follows.
inline void printComparison(const char* what, const Comparison& c) {
    std::printf("  %s (%lld statements): program median %.2f ms", what,
                static_cast<long long>(c.statements.size()), median(c.program));
    if (!c.libpq.empty())
        std::printf("; libpq prepared %.2f ms (ratio %.2f), with every cell decoded %.2f ms "
                    "(ratio %.2f)",
                    median(c.libpq), median(c.program) / median(c.libpq), median(c.libpqDecoded),
                    median(c.program) / median(c.libpqDecoded));
    if (!c.psql.empty())
        std::printf("; psql %.2f ms (ratio %.2f)", median(c.psql), c.ratio());
    std::printf("\n");
}

// Layout work beside a reference that only runs the statements: the difference is what the
// layout costs, not a ratio of like with like.
inline void printOverhead(const char* what, const Comparison& c) {
    std::printf("  %s (%lld statements): program median %.2f ms; its statements alone: libpq "
                "prepared %.2f ms, psql %.2f ms; layout overhead %.2f ms\n",
                what, static_cast<long long>(c.statements.size()), median(c.program),
                median(c.libpq), median(c.psql), median(c.program) - median(c.libpq));
}

} // namespace bench
