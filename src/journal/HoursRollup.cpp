#include "HoursRollup.h"

#include "JournalStatements.h"
#include "data/Command.h"
#include "data/Error.h"
#include "data/Transaction.h"
#include "data/Value.h"
#include "state/DataModule.h"

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

// Locks the worker's row of the month; false when there is none. A row that a rebuild we
// waited for has replaced is not found here; creating it then finds the rebuild's row.
bool lockRow(state::DataModule& dm, const DayCell& cell) {
    data::Command lock(dm.connection);
    lock.setSql(statements::dayRowLock());
    bindCell(lock, cell);
    return !data::value::isNull(lock.executeScalar());
}

void createRow(state::DataModule& dm, const DayCell& cell) {
    data::Command create(dm.connection);
    create.setSql(cell.createRow ? statements::dayRowCreate() : statements::dayRowCreateForHours());
    bindCell(create, cell);
    create.execute();
}

// Runs after the locks: a new statement, so its sum sees every position committed by now.
void writeSum(state::DataModule& dm, const DayCell& cell) {
    data::Command write(dm.connection);
    write.setSql(statements::dayCellWrite(cell.date.day()));
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

void rollUpDayCells(state::DataModule& dm, std::vector<DayCell> cells) {
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

void rollUpDayCell(state::DataModule& dm, int workerCode, const QDate& date, int shift) {
    rollUpDayCells(dm, {{workerCode, date, shift, true}});
}

void updateDayCell(state::DataModule& dm, int workerCode, const QDate& date, int shift) {
    rollUpDayCells(dm, {{workerCode, date, shift, false}});
}

} // namespace journal
