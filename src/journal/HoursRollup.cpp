#include "HoursRollup.h"

#include "data/Command.h"
#include "data/DataModule.h"
#include "data/Error.h"
#include "data/SqlText.h"
#include "data/Transaction.h"
#include "data/Value.h"

namespace journal {

namespace {

struct DayCell {
    int worker;
    QDate date;
    int shift;

    QString rowKey() const {
        return QStringLiteral("w_id=%1 and smena=%2 and month=%3 and year=%4")
            .arg(sqltext::integer(worker), sqltext::integer(shift), sqltext::integer(date.month()),
                 sqltext::integer(date.year()));
    }
};

DayCell checked(int worker, const QDate& date, int shift) {
    if (!date.isValid())
        throw data::ConversionError(QStringLiteral("Неверная дата"));
    return {worker, date, shift};
}

// Locks the worker's row of the month; false when there is none.
bool lockRow(data::DataModule& dm, const DayCell& cell) {
    data::Command lock(dm.ADO_DB);
    lock.setSql(QStringLiteral("select 1 from accounts_dep.h_tabel where %1 for update")
                    .arg(cell.rowKey()));
    return !data::value::isNull(lock.executeScalar());
}

void createRow(data::DataModule& dm, const DayCell& cell) {
    data::Command create(dm.ADO_DB);
    create.setSql(QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year) "
                                 "values(%1, %2, %3, %4) on conflict (w_id, smena, month, year) "
                                 "do nothing")
                      .arg(sqltext::integer(cell.shift), sqltext::integer(cell.worker),
                           sqltext::integer(cell.date.month()),
                           sqltext::integer(cell.date.year())));
    create.execute();
}

// Runs after the lock: a new statement, so its sum sees every position committed by now.
void writeSum(data::DataModule& dm, const DayCell& cell) {
    data::Command write(dm.ADO_DB);
    write.setSql(QStringLiteral("update accounts_dep.h_tabel set d%1=(select coalesce(sum(time), "
                                "0) from accounts_dep.smena where w_id=%2 and smena=%3 and "
                                "data=%4) where %5")
                     .arg(sqltext::integer(cell.date.day()), sqltext::integer(cell.worker),
                          sqltext::integer(cell.shift), sqltext::toDate(cell.date), cell.rowKey()));
    write.execute();
}

} // namespace

void rollUpDayCell(data::DataModule& dm, int workerCode, const QDate& date, int shift) {
    const DayCell cell = checked(workerCode, date, shift);
    data::Transaction transaction(dm.ADO_DB);
    if (!lockRow(dm, cell)) {
        createRow(dm, cell);
        lockRow(dm, cell);
    }
    writeSum(dm, cell);
    transaction.commit();
}

void updateDayCell(data::DataModule& dm, int workerCode, const QDate& date, int shift) {
    const DayCell cell = checked(workerCode, date, shift);
    data::Transaction transaction(dm.ADO_DB);
    if (lockRow(dm, cell))
        writeSum(dm, cell);
    transaction.commit();
}

} // namespace journal
