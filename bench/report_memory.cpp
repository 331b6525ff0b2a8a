// Whether a report's statement sorts or hashes on disk: each summary report, the summary
// export and the timesheet's print run under EXPLAIN (ANALYZE, BUFFERS) for a month and a
// year, at the session's setting and with the memory the reports ask for; prints what
// spilled and the largest sort or hash in memory. Exits 1 when a report still spills.
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
    if (memories.isEmpty())
        memories << memory;
    memories.prepend(QString());
    bool spilled = false;
    try {
        data::Connection db;
        db.open(t->socket, t->database, t->user, t->password);
        data::ResultSet setting(db);
        setting.setSql(QStringLiteral("show work_mem"));
        setting.open();
        std::printf("report memory, %d: the session's work_mem %s, the reports ask for %s\n", year,
                    qPrintable(setting.asString(setting.fieldName(0))), qPrintable(memory));
        for (const Statement& s : statements)
            for (const bool wholeYear : {false, true}) {
                if (s.month && wholeYear)
                    continue;
                const QDate from(year, 6, 1),
                    to = wholeYear ? QDate(year + 1, 1, 1) : from.addMonths(1);
                const QDate first = wholeYear ? QDate(year, 1, 1) : from;
                const QVariantMap params = {{QStringLiteral("data1"), first.startOfDay()},
                                            {QStringLiteral("data2"), to.startOfDay()},
                                            {QStringLiteral("mnth"), 6},
                                            {QStringLiteral("yea"), year}};
                for (const QString& m : memories) {
                    const Plan p = explain(db, s.sql, params, m);
                    std::printf("  %-16s %-5s %-8s %7.0f ms, largest in memory %6lld kB, %s\n",
                                qPrintable(s.name), wholeYear ? "year" : "month",
                                m.isEmpty() ? "session" : qPrintable(m), p.ms, p.largestKb,
                                p.spills.isEmpty()
                                    ? "nothing on disk"
                                    : qPrintable(p.spills.join(QStringLiteral("; "))));
                    if (m == memory && !p.spills.isEmpty())
                        spilled = true;
                }
            }
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return spilled ? 1 : 0;
}
