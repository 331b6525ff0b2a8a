#include "DataModule.h"

#include "Defaults.h"
#include "Error.h"

namespace data {

namespace {

// Shift 1 compares with != and has no final key; shifts 2..4 list id after prize, compare
// with <> and end their order with the id, so equal rows come in the order they were made.
QString journalStatement(int shift) {
    const bool first = shift == 1;
    return QStringLiteral(
               "select %1smena.data, smena.smena, smena.i_id, smena.o_id, smena.w_id, smena.cena,"
               "person.s_caption fio, izdel.marka, vid_oper.vid, "
               "(SELECT (CASE naimen WHEN 0 THEN 'Готовая продукция' ELSE 'Заготовки' END)) as "
               "nmn, "
               "oper.naimen, smena.kol_vo, smena.brak, "
               "round((kol_vo::numeric-brak::numeric)*smena.cena::numeric, 2) as summa, "
               "smena.prize,%2"
               "(select s_caption from cmn_gds_and_srv.gds_and_srv gas where id=color) as "
               "s_caption_color,"
               "time, smena.ok, date(vvod) as vvod, smena.id_doc, smena.id_doc_item, "
               "smena.f_gds_qty_use, smena.id_gds_use, smena.id_cons_use "
               "from cmn_contractor.person person,accounts_dep.izdel,accounts_dep.oper,"
               "accounts_dep.smena,accounts_dep.vid_oper "
               "where smena.i_id=izdel.id and smena.o_id=oper.id and w_id=person.s_code::t_integer "
               "and oper.vid=vid_oper.id and smena.smena=%3 and smena.data=:data and ok%4:ok "
               "order by izdel.marka, fio,vid_oper.vid, oper.naimen, s_caption_color%5")
        .arg(first ? QStringLiteral("smena.id, ") : QString(),
             first ? QString() : QStringLiteral(" smena.id,"), QString::number(shift),
             first ? QStringLiteral("!=") : QStringLiteral("<>"),
             first ? QString() : QStringLiteral(",smena.id"));
}

// The total is summed as an integer: 31 cells of a smallint may pass what a smallint holds.
QString timesheetStatement(int shift) {
    return QStringLiteral(
               "select person.s_caption fio, "
               "h_tabel.*,(d1::integer+d2+d3+d4+d5+d6+d7+d8+d9+d10+d11 "
               "+d12+d13+d14+d15+d16+d17+d18+d19+d20+d21+d22+d23+d24+d25 "
               "+d26+d27+d28+d29+d30+d31) as summ from accounts_dep.h_tabel, cmn_contractor.person "
               "where h_tabel.w_id=person.s_code::integer and h_tabel.smena=%1 and month=:mnth "
               "and year=:yea order by fio")
        .arg(shift);
}

} // namespace

DataModule::DataModule(QObject* parent)
    : QObject(parent), workers(connection, QStringLiteral("Workers")),
      products(connection, QStringLiteral("Izdel")), operations(connection, QStringLiteral("Oper")),
      operationTypes(connection, QStringLiteral("Vid_oper")),
      countQuery(connection, QStringLiteral("Control")),
      deletePosition(connection, QStringLiteral("DelSmena")),
      shift1_(connection, QStringLiteral("Smena1")), shift2_(connection, QStringLiteral("Smena2")),
      shift3_(connection, QStringLiteral("Smena3")), shift4_(connection, QStringLiteral("Smena4")),
      timesheet1_(connection, QStringLiteral("H_Tabel_1")),
      timesheet2_(connection, QStringLiteral("H_Tabel_2")),
      timesheet3_(connection, QStringLiteral("H_Tabel_3")) {
    setObjectName(QStringLiteral("TDataModule6"));
    for (int shift = 1; shift <= 4; ++shift)
        journal(shift).setSql(journalStatement(shift));
    for (int shift = 1; shift <= 3; ++shift)
        timesheet(shift).setSql(timesheetStatement(shift));

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

    // Removes a position only while the server holds it unaccepted, and tells whose day it was.
    deletePosition.setSql(
        QStringLiteral("delete from accounts_dep.smena where id=:id and "
                       "coalesce(ok, '') not in ('ok', 'да') returning w_id, data, "
                       "smena"));
}

DataModule::~DataModule() = default;

ResultSet& DataModule::journal(int shift) {
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
    throw ConversionError(QStringLiteral("Неверный номер смены: %1").arg(shift));
}

ResultSet& DataModule::timesheet(int shift) {
    switch (shift) {
    case 1:
        return timesheet1_;
    case 2:
        return timesheet2_;
    case 3:
        return timesheet3_;
    }
    throw ConversionError(QStringLiteral("Неверный номер смены: %1").arg(shift));
}

void DataModule::openStartupConnection(const QString& server) {
    connection.open(server, defaults::database(), defaults::startupUser(),
                    defaults::startupPassword());
}

std::optional<QString> DataModule::tryOpen(const QString& server, const QString& database,
                                           const QString& user, const QString& password) {
    try {
        connection.open(server, database, user, password);
        return std::nullopt;
    } catch (const Error& e) {
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
        throw Error(message);
}

} // namespace data
