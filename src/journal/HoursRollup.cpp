#include "HoursRollup.h"

#include "data/DataModule.h"
#include "data/Error.h"
#include "data/SqlText.h"

namespace journal {

namespace {

QString dayHours(int workerCode, const QDate& date, int shift) {
    return QStringLiteral("select coalesce(sum(time), 0) from accounts_dep.smena where w_id=%1 "
                          "and smena=%2 and data=%3")
        .arg(sqltext::integer(workerCode), sqltext::integer(shift), sqltext::toDate(date));
}

void requireDate(const QDate& date) {
    if (!date.isValid())
        throw data::ConversionError(QStringLiteral("Неверная дата"));
}

} // namespace

void rollUpDayCell(data::DataModule& dm, int workerCode, const QDate& date, int shift) {
    requireDate(date);
    const QString cell = QStringLiteral("d") + sqltext::integer(date.day());
    dm.H_Tabel_ins.setSql(
        QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year, %1) select %2, "
                       "%3, %4, %5, (%6) on conflict (w_id, smena, month, year) do update set "
                       "%1 = excluded.%1")
            .arg(cell, sqltext::integer(shift), sqltext::integer(workerCode),
                 sqltext::integer(date.month()), sqltext::integer(date.year()),
                 dayHours(workerCode, date, shift)));
    dm.H_Tabel_ins.execute();
}

void updateDayCell(data::DataModule& dm, int workerCode, const QDate& date, int shift) {
    requireDate(date);
    dm.H_Tabel_ins.setSql(
        QStringLiteral("update accounts_dep.h_tabel set d%1=(%2) where w_id=%3 and smena=%4 and "
                       "month=%5 and year=%6")
            .arg(sqltext::integer(date.day()), dayHours(workerCode, date, shift),
                 sqltext::integer(workerCode), sqltext::integer(shift),
                 sqltext::integer(date.month()), sqltext::integer(date.year())));
    dm.H_Tabel_ins.execute();
}

} // namespace journal
