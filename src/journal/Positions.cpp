#include "Positions.h"

#include "HoursRollup.h"
#include "JournalStatements.h"
#include "data/NumberText.h"
#include "data/Transaction.h"
#include "data/Value.h"
#include "state/DataModule.h"

namespace journal {

namespace {

// What the master checked before accepting: a change to any of these is a different position.
const char* const acceptedFields[] = {"kol_vo", "brak", "time", "cena", "o_id", "w_id"};

} // namespace

bool isAccepted(const QString& state) {
    return state == QLatin1String("ok") || state == QStringLiteral("да");
}

QString acceptedStatesSql() {
    return QStringLiteral("('ok', 'да')");
}

ShownPosition ShownPosition::current(const data::ResultSet& journalQuery) {
    ShownPosition p;
    p.id = journalQuery.asInt(QStringLiteral("id"));
    p.ok = journalQuery.asString(QStringLiteral("ok"));
    for (const char* field : acceptedFields)
        p.values.insert(QLatin1String(field), journalQuery.value(QLatin1String(field)));
    // The columns the journal shows, so the operator finds the row the box speaks of.
    const auto shown = [&](const char* field) {
        return journalQuery.hasField(QLatin1String(field))
                   ? journalQuery.asString(QLatin1String(field)).trimmed()
                   : QString();
    };
    p.label = QStringLiteral("Рабочий: %1; операция: %2, %3; кол-во: %4")
                  .arg(shown("fio"), shown("vid"), shown("marka"),
                       data::value::withDecimalComma(journalQuery.value(QStringLiteral("kol_vo"))));
    return p;
}

QString Refusal::message() const {
    const QString text =
        reason == NoMaterials
            ? QStringLiteral("Не заведен расход ТМЦ!")
            : QStringLiteral("Позиция изменена или удалена на другом рабочем месте");
    return position.isEmpty() ? text : text + QLatin1Char('\n') + position;
}

Positions::Positions(state::DataModule& dm)
    : dm_(dm), acceptCheck_(dm.connection, QStringLiteral("acceptCheck_")),
      acceptRow_(dm.connection, QStringLiteral("acceptRow_")),
      deletePosition_(dm.connection, QStringLiteral("DelSmena")) {
    acceptCheck_.setSql(statements::acceptCheck());
    acceptRow_.setSql(statements::acceptRow());
    deletePosition_.setSql(statements::deletePosition());
}

std::vector<Refusal> Positions::accept(const std::vector<ShownPosition>& positions,
                                       const std::function<void(const Refusal&)>& onRefused) {
    std::vector<Refusal> refused;
    for (const ShownPosition& p : positions) {
        if (isAccepted(p.ok))
            continue;
        if (const auto reason = acceptOne(p)) {
            refused.push_back({p.id, *reason, p.label});
            if (onRefused)
                onRefused(refused.back());
        }
    }
    return refused;
}

// Whether the check statement's row still holds what was shown.
bool Positions::holdsAsShown(const ShownPosition& position) const {
    for (const char* field : acceptedFields) {
        const QString now = data::value::toString(acceptCheck_.value(QLatin1String(field)));
        if (now != data::value::toString(position.values.value(QLatin1String(field))))
            return false;
    }
    return true;
}

// Operators may read positions but not lock them (a lock needs a right to write), so the
// routine's own update is the lock: once it has run, the row read again is the very version
// it accepted, and a version other than the one shown is rolled back. The materials are
// counted again under that lock too: a deletion of one locks the position first, so it either
// committed before the update and is counted, or waits and finds the position accepted.
std::optional<Refusal::Reason> Positions::acceptOne(const ShownPosition& position) {
    data::Transaction transaction(dm_.connection);
    const data::CloseOnExit closeCheck(acceptCheck_);
    auto readNow = [&] {
        acceptCheck_.close();
        acceptCheck_.setParam(QStringLiteral("id"), position.id);
        acceptCheck_.open();
        return !acceptCheck_.isEmpty();
    };
    if (!readNow())
        return Refusal::ChangedElsewhere;
    if (isAccepted(acceptCheck_.asString(QStringLiteral("ok"))))
        return std::nullopt; // accepted elsewhere meanwhile: nothing left to do
    if (!holdsAsShown(position))
        return Refusal::ChangedElsewhere;
    if (acceptCheck_.asInt64(QStringLiteral("id_cnt")) == 0)
        return Refusal::NoMaterials;
    acceptRow_.setParam(QStringLiteral("id"), position.id);
    acceptRow_.execute();
    if (!readNow() || !holdsAsShown(position))
        return Refusal::ChangedElsewhere;
    if (acceptCheck_.asInt64(QStringLiteral("id_cnt")) == 0)
        return Refusal::NoMaterials;
    transaction.commit();
    return std::nullopt;
}

std::optional<Positions::Deleted> Positions::remove(int id) {
    data::Transaction transaction(dm_.connection);
    deletePosition_.setParam(QStringLiteral("id"), id);
    const QVariantMap row = deletePosition_.executeRow();
    if (row.isEmpty())
        return std::nullopt;
    const Deleted deleted{data::value::toInt32(row.value(QStringLiteral("w_id")), "w_id"),
                          data::value::toDate(row.value(QStringLiteral("data")), "data"),
                          data::value::toInt32(row.value(QStringLiteral("smena")), "smena")};
    if (!data::value::isNull(row.value(QStringLiteral("w_id"))))
        updateDayCell(dm_, deleted.worker, deleted.date, deleted.shift);
    transaction.commit();
    return deleted;
}

} // namespace journal
