#include "JournalStatements.h"

#include "Positions.h"
#include "state/DataModule.h"

namespace journal::statements {

QString requisitions() {
    return QStringLiteral(
        "select id, s_caption from accounts_dep.v_mnf_requisition order by s_caption");
}

QString requisitionLines() {
    return QStringLiteral("select id, id_doc, s_caption, id_gds, f_qty, s_gds_mc from "
                          "accounts_dep.v_mnf_requisition_item where f_qty>0");
}

QString goods() {
    return QStringLiteral("select id_gds as id, *\nfrom accounts_dep.v_mnf_req_gds req_gds");
}

QString docItemsByGoods() {
    return QStringLiteral(
        "select * from accounts_dep.get_doc_item_by_gds(:id_gds, :id_gds_color);");
}

QString positionMaterials() {
    return QStringLiteral(
        "select sgu.id as id\n      ,vcgi.s_caption\n      ,cons_use.stock_s_caption\n      "
        ",cons_use.s_caption as s_cons_use_hl\n      ,sgu.f_qty_use\nfrom "
        "accounts_dep.smena_gds_use sgu\ninner join cmn_gds_and_srv.gds_and_srv vcgi on vcgi.id = "
        "sgu.id_gds_use\nleft join accounts_dep.show_consignment(sgu.id_gds_use) cons_use on "
        "cons_use.id = sgu.id_cons_use\nwhere sgu.id_smena = :id_smena");
}

QString positionMembers() {
    return QStringLiteral(
        "select person_temp.id\n      ,person.s_caption as s_caption\nfrom "
        "accounts_dep.person_temp person_temp\ninner join cmn_contractor.person person on "
        "person.id = person_temp.id_person\nwhere person_temp.id_smena = :s_id");
}

QString positionRequisition() {
    return QStringLiteral("select format('Заявка № %s от %s', doc.s_number, to_char(doc.d_date, "
                          "'dd.mm.yyyy')) as s_caption, doc.id as id from accounts_dep.smena smena "
                          "inner join mnf_doc.doc doc on doc.id = smena.id_doc where smena.id = "
                          ":id_smena");
}

QString positionLine() {
    return QStringLiteral("select id::t_id, s_caption, 0::t_id as id_doc, 0::t_id as id_gds, "
                          "0::t_float as f_qty, 0::t_code as s_gds_mc from "
                          "accounts_dep.get_doc_item_caption_by_smena(:id_smena)");
}

QString lineStillRequired() {
    return QStringLiteral("select f_qty from accounts_dep.v_mnf_requisition_item where id=:id");
}

QString operationPrice() {
    return QStringLiteral("select min(price) from accounts_dep.norm where o_id=:o_id");
}

// The materials of a position accepted meanwhile on another workstation stay. The position's
// row is locked, so a deletion meeting an acceptance waits for it and sees the state it left.
QString materialDelete() {
    return QStringLiteral("delete from accounts_dep.smena_gds_use sgu where sgu.id=:id and "
                          "exists (select 1 from accounts_dep.smena s where s.id = "
                          "sgu.id_smena and coalesce(s.ok, '') not in ") +
           acceptedStatesSql() + QStringLiteral(" for share of s)");
}

QString memberInsert() {
    return QStringLiteral(
        "insert into accounts_dep.person_temp(id_smena, id_person) values(:s_id,:p_id)");
}

QString memberDelete() {
    return QStringLiteral("delete from accounts_dep.person_temp where id=:id");
}

QString division() {
    return QStringLiteral("select accounts_dep.divide_between_person(:s_id)");
}

QString materialGoods() {
    return QStringLiteral("select * from accounts_dep.get_gds_from_by_smena(:id_smena)");
}

QString materialRemainder(const char* mode) {
    return QStringLiteral("select res_qty.s_full_caption\n"
                          "      ,res_qty.f_qty as f_qty_free\n"
                          "from accounts_dep.get_reminder_qty_by_smena(:id_smena, :id_gds, "
                          "'%1') res_qty;")
        .arg(QLatin1String(mode));
}

QString materialUsed() {
    return QStringLiteral(
        "select sum(f_qty_use) as sum_qty_use from accounts_dep.smena_gds_use sgu where "
        "sgu.id_smena =:id_smena and id_gds_use=:id_gds_use");
}

QString materialNorm(bool paint) {
    return paint ? QStringLiteral("select gds_attr.f_color_qty as f_qty_from from "
                                  "cmn_gds_and_srv.gds_attr gds_attr where gds_attr.id = :i_id")
                 : QStringLiteral("select f_qty_from from mnf_operation.operation where id_gds_to "
                                  "= :i_id and id_gds_from = :id_gds");
}

// A position accepted meanwhile on another workstation takes no more materials.
QString materialInsert() {
    return QStringLiteral(
               "insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) select "
               ":id_smena::integer, :id_gds_use::numeric, :f_qty_use::double precision where "
               "exists (select 1 from accounts_dep.smena s where s.id = :id_smena and "
               "coalesce(s.ok, '') not in %1)")
        .arg(acceptedStatesSql());
}

// The norm follows what the server holds, not the quantity box of a dialog not yet saved.
QString materialPosition() {
    return QStringLiteral("select kol_vo, i_id from accounts_dep.smena where id = :id_smena");
}

// A consumption locks its position's row (its quantity and state) and its goods item (whose
// free stock every position's consumption shares): a one-key advisory lock on the goods id,
// a key space apart from the two-key month locks of the timesheet.
QString materialLock() {
    return QStringLiteral("select coalesce(s.ok, '') as ok, pg_advisory_xact_lock(cast(:id_gds as "
                          "bigint))::text as goods_locked from accounts_dep.smena s where s.id = "
                          ":id_smena for update");
}

QString materialFigures(bool paint) {
    return QStringLiteral(
               "select s.kol_vo, %1 as f_qty_from, (select sum(u.f_qty_use) from "
               "accounts_dep.smena_gds_use u where u.id_smena = s.id and u.id_gds_use = :id_gds) "
               "as sum_qty_use, (select f_qty from accounts_dep.get_reminder_qty_by_smena(s.id, "
               ":id_gds, 'free') limit 1) as f_qty_free, (select f_qty from "
               "accounts_dep.get_reminder_qty_by_smena(s.id, :id_gds, 'reserved') limit 1) as "
               "f_qty_reserved from accounts_dep.smena s where s.id = :id_smena")
        .arg(paint ? QStringLiteral("(select f_color_qty from cmn_gds_and_srv.gds_attr where id "
                                    "= s.i_id)")
                   : QStringLiteral("(select f_qty_from from mnf_operation.operation where "
                                    "id_gds_to = s.i_id and id_gds_from = :id_gds)"));
}

// Shift 1 compares with != and has no final key; shifts 2..4 list id after prize, compare
// with <> and end their order with the id, so equal rows come in the order they were made.
// The shift itself is bound (:smena), as every value is.
QString shiftJournal(int shift) {
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
               "and oper.vid=vid_oper.id and smena.smena=:smena and smena.data=:data and ok%3:ok "
               "order by izdel.marka, fio,vid_oper.vid, oper.naimen, s_caption_color%4")
        .arg(first ? QStringLiteral("smena.id, ") : QString(),
             first ? QString() : QStringLiteral(" smena.id,"),
             first ? QStringLiteral("!=") : QStringLiteral("<>"),
             first ? QString() : QStringLiteral(",smena.id"));
}

// Removes a position only while the server holds it unaccepted, and tells whose day it was.
QString deletePosition() {
    return QStringLiteral("delete from accounts_dep.smena where id=:id and coalesce(ok, '') not "
                          "in %1 returning w_id, data, smena")
        .arg(acceptedStatesSql());
}

// What acceptance checks a position against; a brigade member's copy uses the materials
// recorded on the position it came from.
QString acceptCheck() {
    return QStringLiteral("select s.ok, s.kol_vo, s.brak, s.time, s.cena, s.o_id, s.w_id, (select "
                          "count(id) from accounts_dep.smena_gds_use sgu where sgu.id_smena in "
                          "(s.id, s.id_smena_from)) as id_cnt from accounts_dep.smena s where "
                          "s.id = :id");
}

QString acceptRow() {
    return QStringLiteral("select accounts_dep.smena__accept_row_hwo(:id)");
}

// A new position: not accepted ('no'), no bonus, no consumption yet.
QString positionInsert() {
    return QStringLiteral(
        "insert into accounts_dep.SMENA(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, "
        "time, vvod,ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use) "
        "values(:w_id, :i_id, :o_id, :cena, :kol_vo, :brak, :data::date, :smena, :color, :time, "
        ":vvod::date, 'no', 0, :id_doc, :id_doc_item, 0, :id_gds_use, 0) returning id");
}

// The old row is locked and read in the same statement, so the day it leaves is known; a
// position accepted meanwhile is not changed.
QString positionUpdate() {
    return QStringLiteral(
               "update accounts_dep.SMENA s set w_id=:w_id, i_id=:i_id, o_id=:o_id, cena=:cena, "
               "kol_vo=:kol_vo, brak=:brak, data=:data::date, smena=:smena, time=:time, "
               "vvod=:vvod::date, prize=0, f_gds_qty_use=0, id_cons_use=0 from (select id, data, "
               "smena, w_id from accounts_dep.smena where id=:id for update) old where "
               "s.id=old.id and coalesce(s.ok, '') not in %1 returning old.data, old.smena, "
               "old.w_id")
        .arg(acceptedStatesSql());
}

QString positionCount() {
    return QStringLiteral("select count(*) from accounts_dep.smena where id=:id");
}

// Every shift of the day counts: a worker has 24 hours a day, however they are split.
QString otherDayHours() {
    return QStringLiteral("select coalesce(sum(time), 0) from accounts_dep.smena where w_id = "
                          ":w_id and data = :data and id <> :id");
}

namespace {

const char* const dayRowKey = "w_id=:w_id and smena=:smena and month=:month and year=:year";

const char* const daySum = "(select coalesce(sum(time), 0) from accounts_dep.smena where "
                           "w_id=:w_id and smena=:smena and data=:data::date)";

// The month's lock, shared with every roll-up of the month and exclusive with its rebuild
// (the month rebuild takes the same key), so a rebuild never interleaves with a roll-up. It is
// a condition of the statements that lock or create the worker's row, evaluated on the row
// found before the row is locked, or before the row is made: no statement of its own.
const char* const monthLockedShared =
    "pg_advisory_xact_lock_shared(:year::integer, :month::integer) is not null";

QString dayRowInsert(const QString& condition) {
    return QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year) select "
                          ":smena::integer, :w_id::integer, :month::integer, :year::integer "
                          "where %1 on conflict (w_id, smena, month, year) do nothing")
        .arg(condition);
}

} // namespace

QString dayRowLock() {
    return QStringLiteral("select 1 from accounts_dep.h_tabel where %1 and %2 for update")
        .arg(QLatin1String(dayRowKey), QLatin1String(monthLockedShared));
}

QString dayRowCreate() {
    return dayRowInsert(QLatin1String(monthLockedShared));
}

QString dayRowCreateForHours() {
    return dayRowInsert(QStringLiteral("%1 and %2 <> 0")
                            .arg(QLatin1String(monthLockedShared), QLatin1String(daySum)));
}

// The day names a column, which no parameter can: it is the one number written in.
QString dayCellWrite(int day) {
    return QStringLiteral("update accounts_dep.h_tabel set d%1=%2 where %3")
        .arg(QString::number(day), QLatin1String(daySum), QLatin1String(dayRowKey));
}

// The history of the positions as the server logs it (accounts_dep.smena_log).
namespace {

// Names of the workers, products and operations a row's change mentions, as "w_id=501" ->
// name, so the history reads as the journal does, and colours by name. Each is found by its key's
// index (the logged values are the journal's integers), once per key, so a row's names cost a few
// index look-ups.
const char* const historySelect =
    "select l.id, to_char(l.at, 'DD.MM.YYYY HH24:MI:SS') as at_text, l.login, l.kind, "
    "l.id_smena, l.data, l.smena, l.w_id,\n"
    "  (select p.s_caption from cmn_contractor.person p where p.s_code::t_integer = l.w_id "
    "limit 1) as fio,\n"
    "  l.old::text as old_row, l.new::text as new_row,\n"
    "  (select jsonb_strip_nulls(jsonb_object_agg(e.key || '=' || e.value, case e.key\n"
    "       when 'w_id' then (select p.s_caption from cmn_contractor.person p where "
    "p.s_code::t_integer = e.value::integer limit 1)\n"
    "       when 'i_id' then (select z.marka from accounts_dep.izdel z where z.id = "
    "e.value::numeric)\n"
    "       when 'o_id' then (select v.vid from accounts_dep.oper o join accounts_dep.vid_oper "
    "v on v.id = o.vid where o.id = e.value::integer)\n"
    "       when 'color' then (select g.s_caption from cmn_gds_and_srv.gds_and_srv g where "
    "g.id = e.value::numeric)\n"
    "     end))::text\n"
    "   from (values ('w_id', l.old->>'w_id'), ('w_id', l.new->>'w_id'), "
    "('i_id', l.old->>'i_id'),\n"
    "                ('i_id', l.new->>'i_id'), ('o_id', l.old->>'o_id'), "
    "('o_id', l.new->>'o_id'),\n"
    "                ('color', l.old->>'color'), ('color', l.new->>'color')) e(key, value)\n"
    "   where e.value is not null) as names\n"
    "from accounts_dep.smena_log l\n";

} // namespace

QString positionHistory() {
    return QString::fromLatin1(historySelect) +
           QStringLiteral("where l.id_smena = :id_smena\norder by l.id desc");
}

// Newest first by the time of the change, which the log's index on it gives in order: the
// list reads only its period's rows, however long the log has grown.
QString periodHistory() {
    return QString::fromLatin1(historySelect) +
           QStringLiteral(
               "where l.at >= cast(:from as date) and l.at < cast(:to as date) + 1\n"
               "  and (cast(:w_id as integer) is null or l.w_id = cast(:w_id as integer)\n"
               "       or (l.old->>'w_id')::integer = cast(:w_id as integer))\n"
               "order by l.at desc, l.id desc");
}

void prepareShiftJournals(state::DataModule& dm) {
    for (int shift = 1; shift <= 4; ++shift) {
        dm.journal(shift).setSql(shiftJournal(shift));
        dm.journal(shift).setParam(QStringLiteral("smena"), shift);
    }
}

} // namespace journal::statements
