#include "StartupStatements.h"

namespace app::statements {

QString buildStamp() {
    return QStringLiteral("select d, t from accounts_dep.ver");
}

// pg_has_role raises an error on a role name that does not exist; on an oid from pg_roles it
// cannot.
QString heldGroups() {
    return QStringLiteral("select rolname::text as rolname from pg_roles where rolname in "
                          "('tabel_user', 'tabel_operator', 'tabel_reader') and "
                          "pg_has_role(current_user, oid, 'member')");
}

QString schemaVersioned() {
    return QStringLiteral(
        "select to_regclass('accounts_dep.schema_version') is not null as versioned");
}

QString schemaVersion() {
    return QStringLiteral(
        "select coalesce(max(version), 0) as version from accounts_dep.schema_version");
}

} // namespace app::statements
