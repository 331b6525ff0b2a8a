#include "HoursRollup.h"

#include "data/Command.h"
#include "data/DataModule.h"
#include "data/Error.h"
#include "data/SqlText.h"
#include "data/Transaction.h"
#include "data/Value.h"

#include <algorithm>
#include <tuple>

namespace journal {

namespace {

// The order every writer of the timesheet takes its locks in: month, then worker's row.
auto lockOrder(const DayCell& c) {
    return std::make_tuple(c.date.year(), c.date.month(), c.worker, c.shift, c.date.day());
}

QString rowKey(const DayCell& cell) {
    return QStringLiteral("w_id=%1 and smena=%2 and month=%3 and year=%4")
        .arg(sqltext::integer(cell.worker), sqltext::integer(cell.shift),
             sqltext::integer(cell.date.month()), sqltext::integer(cell.date.year()));
}

QString daySum(const DayCell& cell) {
    return QStringLiteral("(select coalesce(sum(time), 0) from accounts_dep.smena where w_id=%1 "
                          "and smena=%2 and data=%3)")
        .arg(sqltext::integer(cell.worker), sqltext::integer(cell.shift),
             sqltext::toDate(cell.date));
}

// The month's lock, shared with every roll-up of the month and exclusive with its rebuild
// (timesheet::MonthRebuild takes the same key), so a rebuild never interleaves with a roll-up.
// It is a condition of the statements that lock or create the worker's row, evaluated on the
// row found before the row is locked, or before the row is made: no statement of its own.
QString monthLocked(const DayCell& cell) {
    return QStringLiteral("pg_advisory_xact_lock_shared(%1, %2) is not null")
        .arg(sqltext::integer(cell.date.year()), sqltext::integer(cell.date.month()));
}

// Locks the worker's row of the month; false when there is none. A row that a rebuild we
// waited for has replaced is not found here; creating it then finds the rebuild's row.
bool lockRow(data::DataModule& dm, const DayCell& cell) {
    data::Command lock(dm.connection);
    lock.setSql(QStringLiteral("select 1 from accounts_dep.h_tabel where %1 and %2 for update")
                    .arg(rowKey(cell), monthLocked(cell)));
    return !data::value::isNull(lock.executeScalar());
}

void createRow(data::DataModule& dm, const DayCell& cell) {
    data::Command create(dm.connection);
    create.setSql(QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year) "
                                 "select %1, %2, %3, %4 where %5%6 on conflict (w_id, smena, "
                                 "month, year) do nothing")
                      .arg(sqltext::integer(cell.shift), sqltext::integer(cell.worker),
                           sqltext::integer(cell.date.month()), sqltext::integer(cell.date.year()),
                           monthLocked(cell),
                           cell.createRow
                               ? QString()
                               : QStringLiteral(" and ") + daySum(cell) + QStringLiteral(" <> 0")));
    create.execute();
}

// Runs after the locks: a new statement, so its sum sees every position committed by now.
void writeSum(data::DataModule& dm, const DayCell& cell) {
    data::Command write(dm.connection);
    write.setSql(QStringLiteral("update accounts_dep.h_tabel set d%1=%2 where %3")
                     .arg(sqltext::integer(cell.date.day()), daySum(cell), rowKey(cell)));
    try {
        write.execute();
    } catch (const data::DbError& e) {
        if (!e.isOutOfRange())
            throw;
        throw e.refused(QStringLiteral("Часы работника %1 за %2 (смена %3) больше 32 767: столько "
                                       "ячейка табеля не вмещает. Запись не выполнена.")
                            .arg(cell.worker)
                            .arg(cell.date.toString(QStringLiteral("dd.MM.yyyy")))
                            .arg(cell.shift));
    }
}

} // namespace

void rollUpDayCells(data::DataModule& dm, std::vector<DayCell> cells) {
    for (const DayCell& cell : cells)
        if (!cell.date.isValid())
            throw data::ConversionError(QStringLiteral("Неверная дата"));
    std::sort(cells.begin(), cells.end(),
              [](const DayCell& a, const DayCell& b) { return lockOrder(a) < lockOrder(b); });
    data::Transaction transaction(dm.connection);
    for (const DayCell& cell : cells) {
        if (!lockRow(dm, cell)) {
            createRow(dm, cell);
            if (!lockRow(dm, cell))
                continue; // no row, and no hours that would need one
        }
        writeSum(dm, cell);
    }
    transaction.commit();
}

void rollUpDayCell(data::DataModule& dm, int workerCode, const QDate& date, int shift) {
    rollUpDayCells(dm, {{workerCode, date, shift, true}});
}

void updateDayCell(data::DataModule& dm, int workerCode, const QDate& date, int shift) {
    rollUpDayCells(dm, {{workerCode, date, shift, false}});
}

} // namespace journal
