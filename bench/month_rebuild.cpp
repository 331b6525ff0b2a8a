// Times the monthly timesheet rebuild on a plant's month (about 26 000 positions), and on the
// same month with its positions doubled and quadrupled: the program's one transaction
// alternating run by run with psql and a bare libpq client running the same transaction;
// then once the old per-cell form (an existence query and a write per worker, shift and day).
// The copies are marked and removed again, also those of a run that stopped halfway.
//
//   bench_month_rebuild SOCKET DATABASE USER PASSWORD_FILE [YYYY-MM [RUNS]]
#include "Replay.h"
#include "data/Command.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/ResultSet.h"
#include "data/Transaction.h"
#include "timesheet/MonthRebuild.h"
#include "timesheet/TimesheetStatements.h"

#include <QCoreApplication>
#include <QDate>
#include <cstdio>

namespace {

const char* const copyMark = "bench copy";

// The month's positions times `times`: copies of each, marked.
void scale(data::Connection& db, const QDate& month, int times) {
    data::Command c(db);
    c.setSql("delete from accounts_dep.smena where ok = :mark");
    c.setParam("mark", copyMark);
    c.execute();
    if (times <= 1)
        return;
    c.setSql("insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, "
             "time, color, ok) select data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, "
             "color, cast(:mark as varchar) from accounts_dep.smena, generate_series(2, :times) "
             "where data >= "
             ":first and data < :next and ok is distinct from :mark");
    c.setParam("times", times);
    c.setParam("first", month);
    c.setParam("next", month.addMonths(1));
    c.execute();
}

// The month rebuilt as it used to be: delete, then per day the day's sums and per row of them
// an existence query and an insert or update of one cell, each statement on its own.
void perCell(data::Connection& db, int month, int year) {
    const QString m = QString::number(month), y = QString::number(year);
    data::Command write(db);
    write.setSql("delete from accounts_dep.h_tabel where month=" + m + " and year=" + y);
    write.execute();
    data::ResultSet dt(db);
    dt.setSql(" select smena, w_id, sum(time) as tim from accounts_dep.smena where data=:data "
              "and w_id is not null group by smena,w_id;");
    data::ResultSet control(db);
    const QDate first(year, month, 1);
    for (int day = 1; day <= first.daysInMonth(); ++day) {
        dt.close();
        dt.setParam("data", first.addDays(day - 1));
        dt.open();
        for (dt.first(); !dt.eof(); dt.next()) {
            const QString s = dt.asString("smena"), w = dt.asString("w_id"),
                          t = dt.isNull("tim") ? "0" : dt.asString("tim");
            control.close();
            control.setSql("select count(w_id) as cnt from accounts_dep.h_tabel h_tabel where "
                           "w_id=" +
                           w + " and smena=" + s + " and month=" + m + " and year=" + y);
            control.open();
            const bool exists = control.asInt64("cnt") != 0;
            control.close();
            write.setSql(exists ? "update accounts_dep.h_tabel set d" + QString::number(day) +
                                      "='" + t + "' where w_id=" + w + " and smena=" + s +
                                      " and month=" + m + " and year=" + y
                                : "insert into accounts_dep.h_tabel(smena, w_id, month, year, d" +
                                      QString::number(day) + ") values(" + s + ", " + w + ", " + m +
                                      ", " + y + ", " + t + ")");
            write.execute();
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 0, "[YYYY-MM [RUNS]]");
    if (!t)
        return 2;
    const QDate month = QDate::fromString(t->more.value(0, "2025-06") + "-01", Qt::ISODate);
    const int runs = t->more.size() > 1 ? t->more[1].toInt() : 30;
    if (!month.isValid()) {
        std::fprintf(stderr, "no such month: %s\n", qPrintable(t->more.value(0)));
        return 2;
    }
    try {
        data::Connection db;
        db.open(t->socket, t->database, t->user, t->password);
        timesheet::MonthRebuild rebuild(db);
        data::Command count(db);
        count.setSql("select count(*) from accounts_dep.smena where data >= :first and data < "
                     ":next");
        count.setParam("first", month);
        count.setParam("next", month.addMonths(1));

        std::printf("month rebuild %s, %d runs (targets: ratio <= 1.1, under 100 ms at 4x)\n",
                    qPrintable(month.toString("yyyy-MM")), runs);
        for (const int times : {1, 2, 4}) {
            scale(db, month, times);
            const qint64 positions = count.executeScalar().toLongLong();
            const bench::Comparison c = bench::compareWithPsql(
                db, *t, runs, [&] { rebuild.run(month.month(), month.year()); });
            std::printf("  %dx, %lld positions:\n", times, positions);
            bench::printComparison("rebuild", c);
            std::printf("    program min %.1f max %.1f ms, psql min %.1f max %.1f ms\n",
                        bench::minimum(c.program), bench::maximum(c.program),
                        bench::minimum(c.psql), bench::maximum(c.psql));
            if (c.psql.empty())
                return 1;
        }
        scale(db, month, 1);
        const std::vector<double> old = bench::timedRuns(
            1, [&] { perCell(db, month.month(), month.year()); }, {}, 0);
        rebuild.run(month.month(), month.year());
        count.setSql("select count(*) from accounts_dep.h_tabel where month = :m and year = :y");
        count.setParam("m", month.month());
        count.setParam("y", month.year());
        const qint64 rows = count.executeScalar().toLongLong();
        std::printf("  %lld timesheet rows; the per-cell form once %.0f ms\n", rows,
                    old.empty() ? 0 : old[0]);
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
