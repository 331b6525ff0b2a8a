#include "Command.h"

#include "Connection.h"
#include "Value.h"

#include <libpq-fe.h>

namespace data {

Command::Command(Connection& connection, const QString& name)
    : connection_(connection), name_(name) {}

PgResult Command::run() {
    const ParsedStatement parsed = parseStatement(sql_);
    return connection_.exec(parsed.positional, params_.bind(parsed), Connection::Access::Write,
                            freshPlans_ ? Connection::Plan::Fresh : Connection::Plan::Kept);
}

int Command::execute() {
    PgResult result = run();
    return QByteArray(PQcmdTuples(result.get())).toInt();
}

QVariant Command::executeScalar() {
    PgResult result = run();
    pg_result* r = result.get();
    if (PQntuples(r) == 0 || PQnfields(r) == 0 || PQgetisnull(r, 0, 0))
        return {};
    return value::decode(PQgetvalue(r, 0, 0), PQgetlength(r, 0, 0), PQftype(r, 0));
}

QVariantMap Command::executeRow() {
    PgResult result = run();
    pg_result* r = result.get();
    QVariantMap row;
    if (PQntuples(r) == 0)
        return row;
    for (int c = 0; c < PQnfields(r); ++c)
        row.insert(value::fromServer(PQfname(r, c)).toLower(),
                   PQgetisnull(r, 0, c)
                       ? QVariant()
                       : value::decode(PQgetvalue(r, 0, c), PQgetlength(r, 0, c), PQftype(r, c)));
    return row;
}

} // namespace data
