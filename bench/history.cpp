// The history of the journal on logs of different lengths: a period's list as the history
// window opens it, and the history of one position, each alternating run by run with a bare
// libpq client and psql running the same statements. With a second database (the same plant,
// its log grown further) it sets the period's list there against the first, so a statement
// that grows with the whole log shows.
//
//   bench_history SOCKET DATABASE USER PASSWORD_FILE FROM TO [RUNS [DATABASE2]]
//   (FROM and TO as YYYY-MM-DD)
#include "journal/History.h"

#include "Replay.h"
#include "data/Error.h"
#include "data/ResultSet.h"
#include "journal/JournalStatements.h"

#include <QCoreApplication>
#include <QDate>

namespace {

struct Measured {
    qint64 logRows = 0;
    int listRows = 0, positionRows = 0, position = 0;
    bench::Comparison list, positionHistory;
};

Measured measure(const bench::Target& t, const QDate& from, const QDate& to, int runs) {
    Measured m;
    data::Connection db;
    db.open(t.socket, t.database, t.user, t.password);
    data::ResultSet probe(db);
    probe.setSql(QStringLiteral("select count(*) from accounts_dep.smena_log"));
    probe.open();
    m.logRows = probe.value(QStringLiteral("count")).toLongLong();
    // A position changed in the period, with the most changes of its first day.
    probe.close();
    probe.setSql(QStringLiteral(
        "select id_smena from accounts_dep.smena_log where at >= cast(:from as date) "
        "and at < cast(:from as date) + 1 group by id_smena order by count(*) desc, id_smena "
        "limit 1"));
    probe.setParam(QStringLiteral("from"), from);
    probe.open();
    m.position = probe.rowCount() ? probe.value(QStringLiteral("id_smena")).toInt() : 0;
    probe.close();

    data::ResultSet rows(db, QStringLiteral("History"));
    m.list = bench::compareWithPsql(db, t, runs, [&] {
        journal::openPeriodHistory(rows, from, to, std::nullopt);
        m.listRows = rows.rowCount();
        rows.close();
    });
    // As the history window opens one position's: the plan kept for the session.
    rows.setFreshPlans(false);
    rows.setSql(journal::statements::positionHistory());
    rows.setParam(QStringLiteral("id_smena"), m.position);
    m.positionHistory = bench::compareWithPsql(db, t, runs, [&] {
        rows.close();
        rows.open();
        m.positionRows = rows.rowCount();
    });
    return m;
}

void print(const bench::Target& t, const Measured& m, const QDate& from, const QDate& to) {
    std::printf("history on %s, %lld log rows:\n", qPrintable(t.database),
                static_cast<long long>(m.logRows));
    const QString list = QStringLiteral("period %1..%2, %3 changes")
                             .arg(from.toString(Qt::ISODate), to.toString(Qt::ISODate))
                             .arg(m.listRows);
    bench::printComparison(qPrintable(list), m.list);
    const QString one =
        QStringLiteral("position %1, %2 changes").arg(m.position).arg(m.positionRows);
    bench::printComparison(qPrintable(one), m.positionHistory);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 2, "FROM TO [RUNS [DATABASE2]]");
    if (!t)
        return 2;
    const QDate from = QDate::fromString(t->more[0], Qt::ISODate);
    const QDate to = QDate::fromString(t->more[1], Qt::ISODate);
    const int runs = t->more.size() > 2 ? t->more[2].toInt() : 10;
    if (!from.isValid() || !to.isValid() || runs < 1)
        return 2;
    try {
        const Measured first = measure(*t, from, to, runs);
        print(*t, first, from, to);
        if (t->more.size() > 3) {
            bench::Target second = *t;
            second.database = t->more[3];
            const Measured longer = measure(second, from, to, runs);
            print(second, longer, from, to);
            std::printf("  the period's list on %lld log rows against %lld: %.2f × the time "
                        "(%d and %d changes)\n",
                        static_cast<long long>(longer.logRows),
                        static_cast<long long>(first.logRows),
                        bench::median(longer.list.program) / bench::median(first.list.program),
                        longer.listRows, first.listRows);
        }
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
