#pragma once

// What the program sent, written out for psql: each statement of a connection with its
// parameters put in as literals, so psql runs the very statements the program ran.
#include "Timing.h"
#include "data/Connection.h"

#include <QString>
#include <QStringList>
#include <cstdio>

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

// Records the statements of a connection while it lives.
class Recorder {
public:
    explicit Recorder(data::Connection& connection) : connection_(connection) {
        connection_.setObserver(
            [this](const QByteArray& sql, const std::vector<std::optional<QByteArray>>& params) {
                statements.append(inlined(sql, params));
            });
    }
    ~Recorder() { connection_.setObserver({}); }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    QStringList statements;

private:
    data::Connection& connection_;
};

} // namespace bench

namespace bench {

struct Comparison {
    std::vector<double> program, psql;
    QStringList statements;
    double ratio() const { return median(program) / median(psql); }
};

// Runs step once to learn its statements, then times it against psql running those
// statements in one session. reshape may turn the recorded statements into psql's script
// (one string per run); by default each statement ends with ";".
inline Comparison compareWithPsql(data::Connection& connection, const Target& t, int runs,
                                  const std::function<void()>& step,
                                  const std::function<QString(const QStringList&)>& reshape = {}) {
    Comparison c;
    {
        Recorder recorder(connection);
        step();
        c.statements = recorder.statements;
    }
    c.program = timedRuns(runs, step);
    QString perRun;
    if (reshape)
        perRun = reshape(c.statements);
    else
        for (const QString& s : c.statements)
            perRun += s + QStringLiteral(";\n");
    c.psql = psqlScriptRuns(t.socket, t.database, t.user, t.password, perRun, runs);
    return c;
}

inline void printComparison(const char* what, const Comparison& c) {
    std::printf("  %s (%lld statements): program median %.2f ms, psql %.2f ms, ratio %.2f\n", what,
                static_cast<long long>(c.statements.size()), median(c.program), median(c.psql),
                c.psql.empty() ? 0.0 : c.ratio());
}

} // namespace bench
