// The summary reports on a plant's years of data: each of the six statements opened through
// the program's data layer against psql running the same statement with the dates written
// in; then each report opened and laid out into all its pages against psql's statement. The
// year's PDF and preview are bench_report_year's, each in a process of its own.
//
//   bench_report_prepare SOCKET DATABASE USER PASSWORD_FILE [YYYY-MM [RUNS]]
#include "Replay.h"
#include "data/Defaults.h"
#include "data/Error.h"
#include "data/ResultSet.h"
#include "reports/SummaryReports.h"

#include <QApplication>
#include <vector>

namespace {

struct Statement {
    QString name;
    QString sql;
};

void openStatements(data::Connection& db, const bench::Target& t, const reports::ReportPeriod& p,
                    int runs) {
    std::vector<Statement> statements;
    for (const reports::SummaryReport& r : reports::summaryReports())
        statements.push_back({QStringLiteral("TForm%1 %2").arg(r.number).arg(r.query),
                              reports::summaryStatement(r.number)});
    statements.push_back({QStringLiteral("XLS_Rep"), reports::exportStatement()});
    for (const Statement& s : statements) {
        data::ResultSet query(db);
        query.setSql(s.sql);
        query.setFreshPlans(true); // as the reports open it
        reports::askReportSettings(query);
        query.setParam("data1", p.from.startOfDay());
        query.setParam("data2", p.to.addDays(1).startOfDay()); // "по" takes its day
        const bench::Comparison c = bench::compareWithPsql(db, t, runs, [&] {
            query.close();
            query.open();
        });
        const QString what = QStringLiteral("open %1, %2 rows").arg(s.name).arg(query.rowCount());
        bench::printComparison(qPrintable(what), c);
    }
}

void prepareReports(data::Connection& db, const bench::Target& t, const reports::ReportPeriod& p,
                    int runs) {
    for (const reports::SummaryReport& r : reports::summaryReports()) {
        const int number = r.number;
        size_t pages = 0;
        const bench::Comparison c = bench::compareWithPsql(
            db, t, runs, [&] { pages = reports::prepareSummary(db, number, p).pages.size(); });
        const QString what =
            QStringLiteral("open + prepare TForm%1, %2 pages").arg(number).arg(pages);
        bench::printOverhead(qPrintable(what), c);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const auto t = bench::target(app.arguments(), 0, "[YYYY-MM [RUNS]]");
    if (!t)
        return 2;
    const QDate month = QDate::fromString(
        t->more.value(0, QStringLiteral("2025-06")) + QStringLiteral("-01"), Qt::ISODate);
    const int runs = t->more.size() > 1 ? t->more[1].toInt() : 10;
    const reports::ReportPeriod monthPeriod{month, month.addMonths(1).addDays(-1), -1};
    const reports::ReportPeriod year{QDate(month.year(), 1, 1), QDate(month.year(), 12, 31), -1};
    data::Connection db;
    try {
        db.open(t->socket, t->database, t->user, t->password);
        std::printf("summary reports, %s, %d runs (target: statements <= 1.3; prepare: the "
                    "layout's overhead)\n",
                    qPrintable(month.toString(QStringLiteral("MM.yyyy"))), runs);
        openStatements(db, *t, monthPeriod, runs);
        prepareReports(db, *t, monthPeriod, runs);

        std::printf("summary reports, the year %d, 3 runs\n", year.from.year());
        openStatements(db, *t, year, 3);
        prepareReports(db, *t, year, 3);
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
