#pragma once

// Shared pieces of the benchmarks: medians, and psql's own \timing of the same statements in
// one session, so the program's figure has a reference measured the same minute.
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

namespace bench {

// The bench cluster every benchmark talks to: SOCKET DATABASE USER PASSWORD_FILE, then the
// benchmark's own arguments. Nothing, after a usage line on stderr, when they are missing.
struct Target {
    QString socket, database, user, password;
    QStringList more;
};

inline std::optional<Target> target(const QStringList& args, int required, const char* usage) {
    if (args.size() < 5 + required) {
        std::fprintf(stderr, "usage: %s SOCKET DATABASE USER PASSWORD_FILE %s\n",
                     qPrintable(args.value(0)), usage);
        return std::nullopt;
    }
    QFile pwFile(args[4]);
    if (!pwFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read the password file\n");
        return std::nullopt;
    }
    return Target{args[1], args[2], args[3], QString::fromUtf8(pwFile.readAll()).trimmed(),
                  args.mid(5)};
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty()
               ? 0
               : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

// Runs one measured step warmup + runs times, each followed by an unmeasured undo; the
// milliseconds of the counted runs.
inline std::vector<double> timedRuns(int runs, const std::function<void()>& step,
                                     const std::function<void()>& undo = {}, int warmup = 3) {
    std::vector<double> ms;
    for (int run = -warmup; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        step();
        const double elapsed = t.nsecsElapsed() / 1e6;
        if (undo)
            undo();
        if (run >= 0)
            ms.push_back(elapsed);
    }
    return ms;
}

inline double minimum(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

inline double maximum(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// Runs a psql script (its statements ending in ";" or a psql command such as \\gset)
// warmup + runs times in one psql session; per counted run, the sum of psql's times of its
// statements. Empty when psql did not give the same number of timings for every run.
inline std::vector<double> psqlScriptRuns(const QString& socket, const QString& database,
                                          const QString& user, const QString& password,
                                          const QString& perRun, int runs, int warmup = 3) {
    QString script = QStringLiteral("\\o /dev/null\n\\timing on\n");
    for (int run = 0; run < warmup + runs; ++run)
        script += perRun;
    QProcess psql;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), password);
    psql.setProcessEnvironment(env);
    psql.start(QStringLiteral("psql"),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), socket,
                QStringLiteral("-U"), user, QStringLiteral("-d"), database});
    psql.write(script.toUtf8());
    psql.closeWriteChannel();
    psql.waitForFinished(600000);
    const QString out = QString::fromUtf8(psql.readAllStandardOutput());
    static const QRegularExpression timing(QStringLiteral("Time: ([0-9.]+) ms"));
    std::vector<double> each;
    for (auto it = timing.globalMatch(out); it.hasNext();)
        each.push_back(it.next().captured(1).toDouble());
    const size_t total = size_t(warmup + runs);
    if (each.empty() || each.size() % total != 0 || psql.exitCode() != 0) {
        std::fprintf(stderr, "psql gave %zu timings: %s\n", each.size(),
                     qPrintable(QString::fromUtf8(psql.readAllStandardError())));
        return {};
    }
    const size_t n = each.size() / total;
    std::vector<double> perRunMs;
    for (size_t run = size_t(warmup); run < total; ++run) {
        double sum = 0;
        for (size_t i = 0; i < n; ++i)
            sum += each[run * n + i];
        perRunMs.push_back(sum);
    }
    return perRunMs;
}

// One psql session kept open for a whole benchmark, given one run's script at a time, so the
// program and psql alternate run by run: on a shared machine, blocks of runs measured
// minutes apart gave the same statements ratios from 0.67 to 1.92.
class PsqlSession {
public:
    PsqlSession(const QString& socket, const QString& database, const QString& user,
                const QString& password) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSWORD"), password);
        psql_.setProcessEnvironment(env);
        psql_.start(QStringLiteral("psql"),
                    {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                     QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), socket,
                     QStringLiteral("-U"), user, QStringLiteral("-d"), database});
        psql_.write("\\o /dev/null\n\\timing on\n");
    }
    ~PsqlSession() {
        psql_.closeWriteChannel();
        if (!psql_.waitForFinished(10000))
            psql_.kill();
    }
    PsqlSession(const PsqlSession&) = delete;
    PsqlSession& operator=(const PsqlSession&) = delete;

    // One run of a script (statements ending in ";"): the sum of psql's \timing of them;
    // nullopt once psql has failed.
    std::optional<double> run(const QString& script) {
        if (failed_)
            return std::nullopt;
        psql_.write(script.toUtf8() + "\n\\echo __run_end__\n");
        QByteArray out;
        while (!out.contains("__run_end__\n")) {
            if (!psql_.waitForReadyRead(600000)) {
                failed_ = true;
                std::fprintf(stderr, "psql stopped: %s\n",
                             psql_.readAllStandardError().constData());
                return std::nullopt;
            }
            out += psql_.readAllStandardOutput();
        }
        static const QRegularExpression timing(QStringLiteral("Time: ([0-9.]+) ms"));
        double sum = 0;
        for (auto it = timing.globalMatch(QString::fromUtf8(out)); it.hasNext();)
            sum += it.next().captured(1).toDouble();
        return sum;
    }

private:
    QProcess psql_;
    bool failed_ = false;
};

// Runs the steps in turn, warmup + runs rounds; per step, the milliseconds of the counted
// rounds. A step gives its own figure (psql's \timing) or nullopt to be timed here.
using Step = std::function<std::optional<double>()>;
inline std::vector<std::vector<double>> alternatedRuns(int runs, const std::vector<Step>& steps,
                                                       int warmup = 3) {
    std::vector<std::vector<double>> ms(steps.size());
    for (int run = -warmup; run < runs; ++run)
        for (size_t i = 0; i < steps.size(); ++i) {
            QElapsedTimer t;
            t.start();
            const std::optional<double> own = steps[i]();
            const double elapsed = own ? *own : t.nsecsElapsed() / 1e6;
            if (run >= 0)
                ms[i].push_back(elapsed);
        }
    return ms;
}

// A step timed here.
inline Step timed(std::function<void()> f) {
    return [f = std::move(f)]() -> std::optional<double> {
        f();
        return std::nullopt;
    };
}

// A step of psql running a script; a psql that failed ends the benchmark, since no figure
// of it would mean anything.
inline Step psqlStep(PsqlSession& psql, QString script) {
    return [&psql, script = std::move(script)]() -> std::optional<double> {
        const std::optional<double> ms = psql.run(script);
        if (!ms)
            std::exit(1);
        return ms;
    };
}

// Statements as one run of a psql script.
inline QString scriptOf(const QStringList& statements) {
    QString perRun;
    for (const QString& s : statements)
        perRun += s + QStringLiteral(";\n");
    return perRun;
}

// The same for a list of statements, each run once per run.
inline std::vector<double> psqlRuns(const QString& socket, const QString& database,
                                    const QString& user, const QString& password,
                                    const QStringList& statements, int runs, int warmup = 3) {
    QString perRun;
    for (const QString& s : statements)
        perRun += s + QStringLiteral(";\n");
    return psqlScriptRuns(socket, database, user, password, perRun, runs, warmup);
}

} // namespace bench
