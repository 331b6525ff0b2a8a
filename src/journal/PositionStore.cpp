#include "PositionStore.h"

#include "HoursRollup.h"
#include "JournalStatements.h"
#include "Positions.h"
#include "data/Command.h"
#include "data/Error.h"
#include "data/SqlText.h"
#include "data/Transaction.h"
#include "data/Value.h"
#include "state/DataModule.h"
#include "ui/MessageTexts.h"

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

PositionStore::PositionStore(state::DataModule& dm) : dm_(dm) {}

PositionStore::Checked PositionStore::check(const PositionValues& v) {
    if (!v.date.isValid())
        throw data::ConversionError(QStringLiteral("Неверная дата"));
    Checked c;
    c.quantity = sqltext::typedDecimal(v.quantity, maxQuantity, QStringLiteral("Кол-во"));
    c.rejects = sqltext::typedInteger(v.rejects, 0, maxTypedWhole, QStringLiteral("Брак"));
    c.hours = sqltext::typedInteger(v.hours, 0, dayHours, QStringLiteral("Время"));
    if (c.rejects.toDouble() > c.quantity.toDouble())
        throw data::ConversionError(QStringLiteral("Брак не может быть больше количества!"));
    c.price = sqltext::decimal(data::value::rounded(v.finalPrice, 4));
    return c;
}

qint64 PositionStore::otherDayHours(int workerCode, const QDate& date, int id) const {
    data::Command sum(dm_.connection);
    sum.setSql(statements::otherDayHours());
    sum.setParam(QStringLiteral("w_id"), workerCode);
    sum.setParam(QStringLiteral("data"), date);
    sum.setParam(QStringLiteral("id"), id);
    return data::value::toInt64(sum.executeScalar());
}

void PositionStore::bindValues(data::Command& write, const PositionValues& v, const Checked& c,
                               const QDate& today) {
    write.setParam(QStringLiteral("w_id"), v.workerCode);
    write.setParam(QStringLiteral("i_id"), v.productId);
    write.setParam(QStringLiteral("o_id"), v.operationId);
    write.setParam(QStringLiteral("cena"), c.price);
    write.setParam(QStringLiteral("kol_vo"), c.quantity);
    write.setParam(QStringLiteral("brak"), c.rejects);
    write.setParam(QStringLiteral("data"), v.date);
    write.setParam(QStringLiteral("smena"), v.shift);
    write.setParam(QStringLiteral("time"), c.hours);
    write.setParam(QStringLiteral("vvod"), today);
}

int PositionStore::insert(const PositionValues& v, const QDate& today) {
    const Checked c = check(v);
    if (!today.isValid())
        throw data::ConversionError(QStringLiteral("Неверная дата"));
    data::Command write(dm_.connection, QStringLiteral("SmenaIU"));
    write.setSql(statements::positionInsert());
    bindValues(write, v, c, today);
    write.setParam(QStringLiteral("color"), v.colorId);
    write.setParam(QStringLiteral("id_doc"), v.requisitionId);
    write.setParam(QStringLiteral("id_doc_item"), v.requisitionItemId);
    write.setParam(QStringLiteral("id_gds_use"), v.goodsId);
    data::Transaction transaction(dm_.connection);
    QVariant inserted;
    try {
        inserted = write.executeScalar();
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
    if (!today.isValid())
        throw data::ConversionError(QStringLiteral("Неверная дата"));
    // The old row is locked and read in the same statement, so the day it leaves is known.
    data::Command write(dm_.connection, QStringLiteral("SmenaIU"));
    write.setSql(statements::positionUpdate());
    bindValues(write, v, c, today);
    write.setParam(QStringLiteral("id"), id);
    data::Transaction transaction(dm_.connection);
    QVariantMap old;
    try {
        old = write.executeRow();
    } catch (const data::DbError& e) {
        refuseGoneOperation(e);
        throw;
    }
    if (old.isEmpty()) {
        data::Command exists(dm_.connection);
        exists.setSql(statements::positionCount());
        exists.setParam(QStringLiteral("id"), id);
        throw data::DbError(
            data::value::toInt64(exists.executeScalar()) > 0
                ? ui::texts::positionAlreadyAccepted()
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
