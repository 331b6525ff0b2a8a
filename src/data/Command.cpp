#include "Command.h"

#include "Connection.h"
#include "LibPq.h"
#include "Value.h"

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
    return QByteArray(libpq::api().PQcmdTuples(result.get())).toInt();
}

QVariant Command::executeScalar() {
    PgResult result = run();
    pg_result* r = result.get();
    if (libpq::api().PQntuples(r) == 0 || libpq::api().PQnfields(r) == 0 ||
        libpq::api().PQgetisnull(r, 0, 0))
        return {};
    return value::decode(libpq::api().PQgetvalue(r, 0, 0), libpq::api().PQgetlength(r, 0, 0),
                         libpq::api().PQftype(r, 0));
}

QVariantMap Command::executeRow() {
    PgResult result = run();
    pg_result* r = result.get();
    QVariantMap row;
    if (libpq::api().PQntuples(r) == 0)
        return row;
    for (int c = 0; c < libpq::api().PQnfields(r); ++c)
        row.insert(value::fromServer(libpq::api().PQfname(r, c)).toLower(),
                   libpq::api().PQgetisnull(r, 0, c)
                       ? QVariant()
                       : value::decode(libpq::api().PQgetvalue(r, 0, c),
                                       libpq::api().PQgetlength(r, 0, c),
                                       libpq::api().PQftype(r, c)));
    return row;
}

} // namespace data
