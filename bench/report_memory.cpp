// Whether a report's statement sorts or hashes on disk: each summary report, the summary
// export and the timesheet's print run under EXPLAIN (ANALYZE, BUFFERS) for a month and a
// year, at the session's setting, at each WORK_MEM given and as the reports read (their memory
// and plans); prints what spilled and the largest sort or hash in memory. Exits 1 when a
// report still spills as the reports read, or reads a year slower than at the session's setting.
//
//   bench_report_memory SOCKET DATABASE USER PASSWORD_FILE [YEAR [WORK_MEM...]]
#include "Timing.h"
#include "data/Connection.h"
#include "data/Defaults.h"
#include "data/Error.h"
#include "data/ResultSet.h"
#include "reports/SummaryReports.h"
#include "timesheet/TimesheetStatements.h"

#include <QCoreApplication>
#include <QDate>
#include <QRegularExpression>
#include <cstdio>

namespace {

struct Plan {
    QStringList spills;   // the plan's lines that went to disk
    qint64 largestKb = 0; // the largest sort or hash memory
    double ms = 0;
};

// What spilled, and the statement's time without EXPLAIN (median of three, as the reports
// open it).
Plan explain(data::Connection& db, const QString& sql, const QVariantMap& params,
             const QString& memory) {
    data::ResultSet q(db);
    q.setFreshPlans(true);
    if (memory == QLatin1String("reports"))
        reports::askReportSettings(q);
    else
        q.setWorkMemory(memory);
    for (auto it = params.begin(); it != params.end(); ++it)
        q.setParam(it.key(), it.value());
    Plan p;
    q.setSql(sql);
    p.ms = bench::median(bench::timedRuns(
        3,
        [&] {
            q.close();
            q.open();
        },
        {}, 1));
    q.close();
    q.setSql(QStringLiteral("explain (analyze, buffers) ") + sql);
    q.open();
    static const QRegularExpression memoryKb(QStringLiteral("Memory(?: Usage)?: ([0-9]+)kB"));
    for (q.first(); !q.eof(); q.next()) {
        const QString line = q.asString(q.fieldName(0));
        if (line.contains(QLatin1String("Disk")) || line.contains(QLatin1String("external")))
            p.spills << line.trimmed();
        for (auto it = memoryKb.globalMatch(line); it.hasNext();)
            p.largestKb = std::max(p.largestKb, it.next().captured(1).toLongLong());
    }
    return p;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 0, "[YEAR [WORK_MEM...]]");
    if (!t)
        return 2;
    const int year = t->more.value(0, QStringLiteral("2025")).toInt();
    struct Statement {
        QString name, sql;
        bool month; // the timesheet prints a month only
    };
    std::vector<Statement> statements;
    for (const reports::SummaryReport& r : reports::summaryReports())
        statements.push_back(
            {QStringLiteral("TForm%1").arg(r.number), reports::summaryStatement(r.number), false});
    statements.push_back({QStringLiteral("XLS_Rep"), reports::exportStatement(), false});
    statements.push_back(
        {QStringLiteral("timesheet print"), timesheet::statements::monthPrint(), true});
    const QString memory = data::defaults::reportMemory();
    QStringList memories = t->more.mid(1);
    memories.prepend(QString());
    memories << QStringLiteral("reports"); // the reports' own read: their memory and plans
    bool spilled = false, slower = false;
    try {
        data::Connection db;
        db.open(t->socket, t->database, t->user, t->password);
        data::ResultSet setting(db);
        setting.setSql(QStringLiteral("show work_mem"));
        setting.open();
        std::printf("report memory, %d: the session's work_mem %s, the reports ask for %s "
                    "(\"reports\": their own read)\n",
                    year, qPrintable(setting.asString(setting.fieldName(0))), qPrintable(memory));
        for (const Statement& s : statements)
            for (const bool wholeYear : {false, true}) {
                if (s.month && wholeYear)
                    continue;
                const QDate from(year, 6, 1),
                    to = wholeYear ? QDate(year, 12, 31) : from.addMonths(1);
                const QDate first = wholeYear ? QDate(year, 1, 1) : from;
                const QVariantMap params = {{QStringLiteral("data1"), first.startOfDay()},
                                            {QStringLiteral("data2"), to.startOfDay()},
                                            {QStringLiteral("mnth"), 6},
                                            {QStringLiteral("yea"), year}};
                double sessionMs = 0;
                for (const QString& m : memories) {
                    const Plan p = explain(db, s.sql, params, m);
                    if (m.isEmpty())
                        sessionMs = p.ms;
                    std::printf("  %-16s %-5s %-8s %7.0f ms, largest in memory %6lld kB, %s\n",
                                qPrintable(s.name), wholeYear ? "year" : "month",
                                m.isEmpty() ? "session" : qPrintable(m), p.ms, p.largestKb,
                                p.spills.isEmpty()
                                    ? "nothing on disk"
                                    : qPrintable(p.spills.join(QStringLiteral("; "))));
                    if (m == QLatin1String("reports")) {
                        spilled = spilled || !p.spills.isEmpty();
                        // a tenth's leeway for a shared machine's noise
                        if (wholeYear && p.ms > sessionMs * 1.1) {
                            slower = true;
                            std::printf("  %s: the year at the reports' read is slower than at "
                                        "the session's setting\n",
                                        qPrintable(s.name));
                        }
                    }
                }
            }
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return spilled || slower ? 1 : 0;
}
