#include "ReferenceStatements.h"

namespace reference::statements {

QString insertOperation() {
    return QStringLiteral("insert into accounts_dep.oper(vid, naimen, i_id, cena_new) "
                          "values (:oper_vid, :naimen, :i_id, :cena_new) returning id");
}

QString updateOperation() {
    return QStringLiteral(
        "update accounts_dep.oper set vid=:oper_vid, naimen=:naimen,  i_id=:i_id where id=:id");
}

// A journal position's key to its operation refuses it while one refers to it.
QString deleteOperation() {
    return QStringLiteral("delete from accounts_dep.oper where id=:id");
}

QString operationDuplicates() {
    return QStringLiteral("select count(*) as cnt from accounts_dep.oper where vid=:oper_vid "
                          "and naimen=:naimen and i_id=:i_id");
}

QString otherOperationDuplicates() {
    return operationDuplicates() + QStringLiteral(" and id<>:id");
}

// Every operation, also one without steps, with its lowest step price; its own stored price
// only when it has no step.
QString operationsExport() {
    return QStringLiteral(
        "select trim(both '\t' from izdel.marka) as marka, vid_oper.vid, oper.naimen, case when "
        "oper.naimen=0 then 'Готовая продукция' else 'Заготовки' end as nmn, coalesce((select "
        "min(norm.price) from accounts_dep.norm where norm.o_id=oper.id), oper.cena) as cena, "
        "oper.id, oper.i_id, oper.vid as oper_vid from accounts_dep.oper, accounts_dep.izdel, "
        "accounts_dep.vid_oper where oper.i_id=izdel.id and oper.vid=vid_oper.id order by "
        "izdel.marka, vid_oper.vid, oper.naimen");
}

QString productMark() {
    return QStringLiteral("select marka from accounts_dep.izdel where id=:id");
}

// An operation's key to its type refuses it while an operation refers to it.
QString deleteOperationType() {
    return QStringLiteral("delete from accounts_dep.vid_oper where id=:id");
}

// The server upper-cases both sides, as its unique index does.
QString typeDuplicates() {
    return QStringLiteral(
        "select count(*) as cnt from accounts_dep.vid_oper where upper(vid)=upper(:vid)");
}

QString otherTypeDuplicates() {
    return typeDuplicates() + QStringLiteral(" and id<>:id");
}

QString normSteps() {
    return QStringLiteral("select id, o_id, norma, price, prize from accounts_dep.norm "
                          "where o_id=:o_id order by norma, id");
}

// Locking the operation's own row would not do: the waiting statement keeps the snapshot it
// began with and still counts a step deleted meanwhile. A row lock on each step re-reads
// it after the wait, and a step deleted meanwhile is then no longer counted.
QString deleteNormStep() {
    return QStringLiteral(
        "with steps as (select id from accounts_dep.norm where o_id=:o_id order by id for update) "
        "delete from accounts_dep.norm where id=:id and o_id=:o_id "
        "and (select count(*) from steps) > 1");
}

QString normStepCount() {
    return QStringLiteral("select count(*) from accounts_dep.norm where id=:id");
}

} // namespace reference::statements
