#include "MonthRebuild.h"

#include "data/Error.h"
#include "data/Transaction.h"

#include <QDate>
#include <QStringList>

namespace timesheet {

namespace {

// The key space of the lock is the month itself: (year, month) in the two-key form. Taken
// exclusive here and shared by every roll-up of the month (journal::rollUpDayCells, the
// brigade's division on the server), so no roll-up interleaves with the delete and insert.
const QString lockSql = QStringLiteral("select pg_advisory_xact_lock(:yea, :mnth)");

const QString deleteSql =
    QStringLiteral("delete from accounts_dep.h_tabel where month=:mnth and year=:yea");

QString insertSql() {
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

} // namespace

MonthRebuild::MonthRebuild(data::Connection& connection)
    : LockMonth(connection, QStringLiteral("LockMonth")),
      DelMonth(connection, QStringLiteral("DelMonth")),
      InsMonth(connection, QStringLiteral("InsMonth")), connection_(connection) {
    LockMonth.setSql(lockSql);
    DelMonth.setSql(deleteSql);
    InsMonth.setSql(insertSql());
}

void MonthRebuild::run(int month, int year) {
    const QDate first(year, month, 1);
    if (!first.isValid())
        throw data::ConversionError(QStringLiteral("Неверный месяц: %1.%2").arg(month).arg(year));
    for (data::Command* c : {&LockMonth, &DelMonth, &InsMonth}) {
        c->setParam(QStringLiteral("mnth"), month);
        c->setParam(QStringLiteral("yea"), year);
    }
    InsMonth.setParam(QStringLiteral("first"), first);
    InsMonth.setParam(QStringLiteral("next"), first.addMonths(1));

    data::Transaction transaction(connection_);
    // A statement of its own: the delete that follows must see what a rebuild we waited for
    // has committed.
    LockMonth.executeScalar();
    DelMonth.execute();
    try {
        InsMonth.execute();
    } catch (const data::DbError& e) {
        if (!e.isOutOfRange())
            throw;
        throw e.refused(QStringLiteral("Табель за %1 не пересчитан: часы работника за день больше "
                                       "32 767, столько ячейка табеля не вмещает.")
                            .arg(first.toString(QStringLiteral("MM.yyyy"))));
    }
    transaction.commit();
}

} // namespace timesheet
