#include "HoursRollup.h"

#include "data/Command.h"
#include "data/DataModule.h"
#include "data/Error.h"
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

// Every statement here names the worker's month row and day by the same parameters.
void bindCell(data::Command& command, const DayCell& cell) {
    command.setParam(QStringLiteral("w_id"), cell.worker);
    command.setParam(QStringLiteral("smena"), cell.shift);
    command.setParam(QStringLiteral("month"), cell.date.month());
    command.setParam(QStringLiteral("year"), cell.date.year());
    command.setParam(QStringLiteral("data"), cell.date);
}

const char* const rowKey = "w_id=:w_id and smena=:smena and month=:month and year=:year";

const char* const daySum = "(select coalesce(sum(time), 0) from accounts_dep.smena where "
                           "w_id=:w_id and smena=:smena and data=:data::date)";

// The month's lock, shared with every roll-up of the month and exclusive with its rebuild
// (timesheet::MonthRebuild takes the same key), so a rebuild never interleaves with a roll-up.
// It is a condition of the statements that lock or create the worker's row, evaluated on the
// row found before the row is locked, or before the row is made: no statement of its own.
const char* const monthLocked =
    "pg_advisory_xact_lock_shared(:year::integer, :month::integer) is not null";

// Locks the worker's row of the month; false when there is none. A row that a rebuild we
// waited for has replaced is not found here; creating it then finds the rebuild's row.
bool lockRow(data::DataModule& dm, const DayCell& cell) {
    data::Command lock(dm.connection);
    lock.setSql(QStringLiteral("select 1 from accounts_dep.h_tabel where %1 and %2 for update")
                    .arg(QLatin1String(rowKey), QLatin1String(monthLocked)));
    bindCell(lock, cell);
    return !data::value::isNull(lock.executeScalar());
}

void createRow(data::DataModule& dm, const DayCell& cell) {
    data::Command create(dm.connection);
    create.setSql(QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year) "
                                 "select :smena::integer, :w_id::integer, :month::integer, "
                                 ":year::integer where %1%2 on conflict (w_id, smena, month, "
                                 "year) do nothing")
                      .arg(QLatin1String(monthLocked),
                           cell.createRow
                               ? QString()
                               : QStringLiteral(" and %1 <> 0").arg(QLatin1String(daySum))));
    bindCell(create, cell);
    create.execute();
}

// Runs after the locks: a new statement, so its sum sees every position committed by now.
void writeSum(data::DataModule& dm, const DayCell& cell) {
    data::Command write(dm.connection);
    // The day names a column, which no parameter can: it is the one number written in.
    write.setSql(
        QStringLiteral("update accounts_dep.h_tabel set d%1=%2 where %3")
            .arg(QString::number(cell.date.day()), QLatin1String(daySum), QLatin1String(rowKey)));
    bindCell(write, cell);
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
