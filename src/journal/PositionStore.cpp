#include "PositionStore.h"

#include "HoursRollup.h"
#include "data/Command.h"
#include "data/DataModule.h"
#include "data/Error.h"
#include "data/SqlText.h"
#include "data/Transaction.h"
#include "data/Value.h"

#include <cmath>

namespace journal {

namespace {

constexpr qint64 maxTypedWhole = 9999; // the boxes take four digits
// Far above any shift's work, and still kept exactly to the last decimal typed.
constexpr double maxQuantity = 999999999;

// The operation was picked, then deleted before the save reached the server.
void refuseGoneOperation(const data::DbError& e) {
    if (e.isForeignKeyViolation(QStringLiteral("smena_o_id_fkey")))
        throw e.refused(
            QStringLiteral("Операция удалена из справочника: выберите операцию снова."));
}

} // namespace

PositionStore::PositionStore(data::DataModule& dm) : dm_(dm) {}

PositionStore::Checked PositionStore::check(const PositionValues& v) {
    if (!v.date.isValid())
        throw data::ConversionError(QStringLiteral("Неверная дата"));
    Checked c;
    c.quantity = sqltext::typedDecimal(v.quantity, maxQuantity, QStringLiteral("Кол-во"));
    c.rejects = sqltext::typedInteger(v.rejects, 0, maxTypedWhole, QStringLiteral("Брак"));
    c.hours = sqltext::typedInteger(v.hours, 0, maxTypedWhole, QStringLiteral("Время"));
    if (c.rejects.toDouble() > c.quantity.toDouble())
        throw data::ConversionError(QStringLiteral("Брак не может быть больше количества!"));
    c.price = sqltext::decimal(data::value::rounded(v.finalPrice, 4));
    return c;
}

int PositionStore::insert(const PositionValues& v, const QDate& today) {
    const Checked c = check(v);
    data::Command SmenaIU(dm_.connection, QStringLiteral("SmenaIU"));
    SmenaIU.setSql(
        QStringLiteral("insert into accounts_dep.SMENA(w_id, i_id, o_id, cena, kol_vo, brak, data, "
                       "smena, color, time, vvod,ok, prize, id_doc, id_doc_item, f_gds_qty_use, "
                       "id_gds_use, id_cons_use) values(%1, %2, %3, %4,%5, %6, to_date('%7', "
                       "'DD.MM.YYYY HH24:MI:SS'), %8, %9, %10, %11, 'no', 0, %12, %13, 0, %14, 0) "
                       "returning id")
            .arg(sqltext::integer(v.workerCode), sqltext::integer(v.productId),
                 sqltext::integer(v.operationId), c.price, c.quantity, c.rejects,
                 sqltext::date(v.date), sqltext::integer(v.shift), sqltext::integer(v.colorId))
            .arg(c.hours, sqltext::toDate(today), sqltext::integer(v.requisitionId),
                 sqltext::integer(v.requisitionItemId), sqltext::integer(v.goodsId)));
    data::Transaction transaction(dm_.connection);
    QVariant inserted;
    try {
        inserted = SmenaIU.executeScalar();
    } catch (const data::DbError& e) {
        refuseGoneOperation(e);
        throw;
    }
    const int id = data::value::toInt32(inserted, QStringLiteral("id"));
    rollUpDayCell(dm_, v.workerCode, v.date, v.shift);
    transaction.commit();
    return id;
}

void PositionStore::update(int id, const PositionValues& v, const QDate& today) {
    const Checked c = check(v);
    // The old row is locked and read in the same statement, so the day it leaves is known.
    data::Command SmenaIU(dm_.connection, QStringLiteral("SmenaIU"));
    SmenaIU.setSql(
        QStringLiteral("update accounts_dep.SMENA s set w_id=%1, i_id=%2, o_id=%3, cena=%4, "
                       "kol_vo=%5, brak=%6, data=to_date('%7', 'DD.MM.YYYY'), smena=%8, time=%9, "
                       "vvod=%10, prize=0, f_gds_qty_use=0, id_cons_use=0 from (select id, data, "
                       "smena, w_id from accounts_dep.smena where id=%11 for update) old where "
                       "s.id=old.id and coalesce(s.ok, '') not in ('ok', 'да') returning "
                       "old.data, old.smena, old.w_id")
            .arg(sqltext::integer(v.workerCode), sqltext::integer(v.productId),
                 sqltext::integer(v.operationId), c.price, c.quantity, c.rejects,
                 sqltext::date(v.date), sqltext::integer(v.shift), c.hours)
            .arg(sqltext::toDate(today), sqltext::integer(id)));
    data::Transaction transaction(dm_.connection);
    QVariantMap old;
    try {
        old = SmenaIU.executeRow();
    } catch (const data::DbError& e) {
        refuseGoneOperation(e);
        throw;
    }
    if (old.isEmpty()) {
        data::Command exists(dm_.connection);
        exists.setSql(QStringLiteral("select count(*) from accounts_dep.smena where id=") +
                      sqltext::integer(id));
        throw data::DbError(
            data::value::toInt64(exists.executeScalar()) > 0
                ? QStringLiteral("Позиция уже принята, изменить её нельзя!")
                : QStringLiteral("Позиция изменена или удалена на другом рабочем месте"));
    }
    std::vector<DayCell> cells = {{v.workerCode, v.date, v.shift, true}};
    const QDate oldDate = data::value::toDate(old.value(QStringLiteral("data")));
    const int oldShift = data::value::toInt32(old.value(QStringLiteral("smena")));
    const QVariant oldWorker = old.value(QStringLiteral("w_id"));
    if (!data::value::isNull(oldWorker) && (oldDate != v.date || oldShift != v.shift ||
                                            data::value::toInt32(oldWorker) != v.workerCode))
        cells.push_back({data::value::toInt32(oldWorker), oldDate, oldShift, false});
    rollUpDayCells(dm_, std::move(cells));
    transaction.commit();
}

} // namespace journal
