#include "Command.h"

#include "Connection.h"
#include "Value.h"

#include <libpq-fe.h>

namespace data {

Command::Command(Connection& connection, const QString& name)
    : connection_(connection), name_(name) {}

int Command::execute() {
    const ParsedStatement parsed = parseStatement(sql_);
    PgResult result = connection_.exec(parsed.positional, params_.bind(parsed));
    return QByteArray(PQcmdTuples(result.get())).toInt();
}

QVariant Command::executeScalar() {
    const ParsedStatement parsed = parseStatement(sql_);
    PgResult result = connection_.exec(parsed.positional, params_.bind(parsed));
    pg_result* r = result.get();
    if (PQntuples(r) == 0 || PQnfields(r) == 0 || PQgetisnull(r, 0, 0))
        return {};
    return value::decode(PQgetvalue(r, 0, 0), PQgetlength(r, 0, 0), PQftype(r, 0));
}

QVariantMap Command::executeRow() {
    const ParsedStatement parsed = parseStatement(sql_);
    PgResult result = connection_.exec(parsed.positional, params_.bind(parsed));
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
