#include "TimesheetStatements.h"

#include "state/DataModule.h"

#include <QStringList>

namespace timesheet::statements {

// The total is summed as an integer: 31 cells of a smallint may pass what a smallint holds.
QString shiftMonth() {
    return QStringLiteral(
        "select person.s_caption fio, "
        "h_tabel.*,(d1::integer+d2+d3+d4+d5+d6+d7+d8+d9+d10+d11 "
        "+d12+d13+d14+d15+d16+d17+d18+d19+d20+d21+d22+d23+d24+d25 "
        "+d26+d27+d28+d29+d30+d31) as summ from accounts_dep.h_tabel, cmn_contractor.person "
        "where h_tabel.w_id=person.s_code::integer and h_tabel.smena=:smena and month=:mnth "
        "and year=:yea order by fio");
}

void prepareShiftMonths(state::DataModule& dm) {
    for (int shift = 1; shift <= 3; ++shift) {
        dm.timesheet(shift).setSql(shiftMonth());
        dm.timesheet(shift).setParam(QStringLiteral("smena"), shift);
    }
}

// The key space of the lock is the month itself: (year, month) in the two-key form. Taken
// exclusive here and shared by every roll-up of the month (journal::rollUpDayCells, the
// brigade's division on the server), so no roll-up interleaves with the delete and insert.
QString monthLock() {
    return QStringLiteral("select pg_advisory_xact_lock(:yea, :mnth)");
}

QString monthDelete() {
    return QStringLiteral("delete from accounts_dep.h_tabel where month=:mnth and year=:yea");
}

QString monthInsert() {
    QStringList cells, sums, updates;
    for (int day = 1; day <= 31; ++day) {
        cells << QStringLiteral("d%1").arg(day);
        // Day 31 of a short month lies past :next and sums nothing.
        sums << QStringLiteral("coalesce(sum(time) filter (where data = cast(:first as date) + "
                               "%1), 0)")
                    .arg(day - 1);
        updates << QStringLiteral("d%1=excluded.d%1").arg(day);
    }
    // Positions without a worker belong to nobody's row. A roll-up that created a row after
    // the delete is overwritten with the same sums rather than refused.
    return QStringLiteral("insert into accounts_dep.h_tabel(w_id, smena, month, year, %1) "
                          "select w_id, smena, cast(:mnth as smallint), cast(:yea as smallint), "
                          "%2 from accounts_dep.smena where data >= cast(:first as date) and "
                          "data < cast(:next as date) and w_id is not null group by w_id, smena "
                          "on conflict (w_id, smena, month, year) do update set %3")
        .arg(cells.join(QLatin1Char(',')), sums.join(QStringLiteral(", ")),
             updates.join(QLatin1Char(',')));
}

// Namesakes stay two lines: the rows are grouped by the worker's code, not the name text.
QString monthPrint() {
    QStringList sums;
    for (int day = 1; day <= 31; ++day)
        sums << QStringLiteral("sum(d%1) as sd%1").arg(day);
    return QStringLiteral("select person.s_caption fio,%1 from accounts_dep.h_tabel, "
                          "cmn_contractor.person person where "
                          "h_tabel.w_id=person.s_code::t_integer and month=:mnth and "
                          "year=:yea group by fio, h_tabel.w_id order by fio, h_tabel.w_id")
        .arg(sums.join(QLatin1Char(',')));
}

} // namespace timesheet::statements
