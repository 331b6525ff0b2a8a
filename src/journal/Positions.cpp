#include "Positions.h"

#include "HoursRollup.h"
#include "data/DataModule.h"
#include "data/Transaction.h"
#include "data/Value.h"

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
    return p;
}

QString Refusal::message() const {
    return reason == NoMaterials
               ? QStringLiteral("Не заведен расход ТМЦ!")
               : QStringLiteral("Позиция изменена или удалена на другом рабочем месте");
}

Positions::Positions(data::DataModule& dm)
    : dm_(dm), smena_accept_check(dm.connection, QStringLiteral("smena_accept_check")),
      smena_accept_row(dm.connection, QStringLiteral("smena_accept_row")) {
    // A brigade member's copy uses the materials recorded on the position it came from.
    smena_accept_check.setSql(QStringLiteral(
        "select s.ok, s.kol_vo, s.brak, s.time, s.cena, s.o_id, s.w_id, (select count(id) from "
        "accounts_dep.smena_gds_use sgu where sgu.id_smena in (s.id, s.id_smena_from)) as "
        "id_cnt from accounts_dep.smena s where s.id = :id"));
    smena_accept_row.setSql(QStringLiteral("select accounts_dep.smena__accept_row_hwo(:id)"));
}

std::vector<Refusal> Positions::accept(const std::vector<ShownPosition>& positions,
                                       const std::function<void(const Refusal&)>& onRefused) {
    std::vector<Refusal> refused;
    for (const ShownPosition& p : positions) {
        if (isAccepted(p.ok))
            continue;
        if (const auto reason = acceptOne(p)) {
            refused.push_back({p.id, *reason});
            if (onRefused)
                onRefused(refused.back());
        }
    }
    return refused;
}

// Whether the check statement's row still holds what was shown.
bool Positions::holdsAsShown(const ShownPosition& position) const {
    for (const char* field : acceptedFields) {
        const QString now = data::value::toString(smena_accept_check.value(QLatin1String(field)));
        if (now != data::value::toString(position.values.value(QLatin1String(field))))
            return false;
    }
    return true;
}

// Operators may read positions but not lock them (a lock needs a right to write), so the
// routine's own update is the lock: once it has run, the row read again is the very version
// it accepted, and a version other than the one shown is rolled back.
std::optional<Refusal::Reason> Positions::acceptOne(const ShownPosition& position) {
    data::Transaction transaction(dm_.connection);
    struct Closer {
        data::ResultSet& q;
        ~Closer() { q.close(); }
    } closer{smena_accept_check};
    auto readNow = [&] {
        smena_accept_check.close();
        smena_accept_check.setParam(QStringLiteral("id"), position.id);
        smena_accept_check.open();
        return !smena_accept_check.isEmpty();
    };
    if (!readNow())
        return Refusal::ChangedElsewhere;
    if (isAccepted(smena_accept_check.asString(QStringLiteral("ok"))))
        return std::nullopt; // accepted elsewhere meanwhile: nothing left to do
    if (!holdsAsShown(position))
        return Refusal::ChangedElsewhere;
    if (smena_accept_check.asInt64(QStringLiteral("id_cnt")) == 0)
        return Refusal::NoMaterials;
    smena_accept_row.setParam(QStringLiteral("id"), position.id);
    smena_accept_row.execute();
    if (!readNow() || !holdsAsShown(position))
        return Refusal::ChangedElsewhere;
    transaction.commit();
    return std::nullopt;
}

std::optional<Positions::Deleted> Positions::remove(int id) {
    data::Transaction transaction(dm_.connection);
    dm_.deletePosition.setParam(QStringLiteral("id"), id);
    const QVariantMap row = dm_.deletePosition.executeRow();
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
