#include "DataModule.h"

#include "Channels.h"
#include "data/Defaults.h"
#include "data/Error.h"

namespace state {

DataModule::DataModule(QObject* parent)
    : QObject(parent), workers(connection, QStringLiteral("Workers")),
      products(connection, QStringLiteral("Izdel")), operations(connection, QStringLiteral("Oper")),
      operationTypes(connection, QStringLiteral("Vid_oper")),
      countQuery(connection, QStringLiteral("Control")),
      shift1_(connection, QStringLiteral("Smena1")), shift2_(connection, QStringLiteral("Smena2")),
      shift3_(connection, QStringLiteral("Smena3")), shift4_(connection, QStringLiteral("Smena4")),
      timesheet1_(connection, QStringLiteral("H_Tabel_1")),
      timesheet2_(connection, QStringLiteral("H_Tabel_2")),
      timesheet3_(connection, QStringLiteral("H_Tabel_3")) {
    setObjectName(QStringLiteral("TDataModule6"));
    listener.listen(journalChannel);
    listener.listen(timesheetChannel);
    workers.setSql(QStringLiteral(
        "select person.s_code id, person .s_caption fio, person.id p_id ,staffpos.s_caption as "
        "s_staffpos_hl from cmn_contractor.person person left join hrms_movement.movement "
        "pers_move on pers_move.id_employee = person.id and now()::t_date between "
        "pers_move.d_begin and coalesce(pers_move.d_end, now()::t_date) left join "
        "hrms_staffpos.staffpos staffpos on staffpos.id = pers_move.id_staffpos where "
        "person.b_employee = true order by fio"));
    products.setSql(
        QStringLiteral("select trim(both '\t' from marka) as marka, id, nom, "
                       "round(massa::numeric, 5) massa from accounts_dep.IZDEL order by marka"));
    // Marks come with stray tabs trimmed, in the order of the marks as stored.
    operations.setSql(QStringLiteral(
        "select trim(both '\t' from izdel.MARKA) as marka, vid_oper.VID, oper.NAIMEN, (SELECT "
        "(CASE naimen WHEN 0 THEN "
        "'Готовая продукция' ELSE 'Заготовки' END)) as nmn, count(o_id) norma, "
        "min(price)::numeric cena, oper.id, oper.i_id, oper.VID as oper_vid, oper.i_id_old from "
        "accounts_dep.norm,accounts_dep.OPER,accounts_dep.IZDEL,accounts_dep.VID_OPER where "
        "OPER.i_id=IZDEL.id and norm.o_id=oper.id and oper.vid=vid_oper.id group by "
        "izdel.MARKA, vid_oper.VID, oper.NAIMEN, oper.id, oper.i_id, oper.VID order by "
        "izdel.marka, vid_oper.vid, oper.naimen"));
    operationTypes.setSql(QStringLiteral("select * from accounts_dep.VID_OPER order by vid"));
    operationTypes.setUpdateTable(QStringLiteral("accounts_dep.vid_oper"));
}

DataModule::~DataModule() = default;

data::ResultSet& DataModule::journal(int shift) {
    switch (shift) {
    case 1:
        return shift1_;
    case 2:
        return shift2_;
    case 3:
        return shift3_;
    case 4:
        return shift4_;
    }
    throw data::ConversionError(QStringLiteral("Неверный номер смены: %1").arg(shift));
}

data::ResultSet& DataModule::timesheet(int shift) {
    switch (shift) {
    case 1:
        return timesheet1_;
    case 2:
        return timesheet2_;
    case 3:
        return timesheet3_;
    }
    throw data::ConversionError(QStringLiteral("Неверный номер смены: %1").arg(shift));
}

void DataModule::openStartupConnection(const QString& server) {
    connection.open(server, data::defaults::database(), data::defaults::startupUser(),
                    data::defaults::startupPassword());
}

std::optional<QString> DataModule::tryOpen(const QString& server, const QString& database,
                                           const QString& user, const QString& password) {
    try {
        connection.open(server, database, user, password);
        return std::nullopt;
    } catch (const data::Error& e) {
        return e.text();
    }
}

void DataModule::countCheck(const QString& countSql, const QVariantMap& params,
                            const QString& message) {
    countQuery.close();
    countQuery.setSql(countSql);
    for (auto it = params.begin(); it != params.end(); ++it)
        countQuery.setParam(it.key(), it.value());
    countQuery.open();
    const qint64 count = countQuery.asInt64(QStringLiteral("cnt"));
    countQuery.close();
    if (count > 0)
        throw data::Error(message);
}

} // namespace state
