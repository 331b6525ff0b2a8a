#include "SchemaVersion.h"

#include "StartupStatements.h"
#include "data/Connection.h"
#include "data/ResultSet.h"

namespace app {

int schemaVersionOfThisBuild() {
    return TABEL_SCHEMA_VERSION;
}

namespace {

int storedVersion(data::Connection& db) {
    data::ResultSet versioned(db);
    versioned.setSql(statements::schemaVersioned());
    versioned.open();
    versioned.first();
    if (!versioned.value(QStringLiteral("versioned")).toBool())
        return 0; // made before the schema had a version
    data::ResultSet version(db);
    version.setSql(statements::schemaVersion());
    version.open();
    version.first();
    return version.value(QStringLiteral("version")).toInt();
}

} // namespace

std::optional<QString> schemaRefusal(data::Connection& db) {
    const int stored = storedVersion(db);
    const int own = schemaVersionOfThisBuild();
    if (stored == own)
        return std::nullopt;
    if (stored < own)
        return QStringLiteral("База данных %1 на сервере %2 не обновлена для этой версии программы "
                              "(версия схемы журнала %3, нужна %4).\n"
                              "Администратор БД обновляет её командой\n"
                              "tabel-db upgrade --server %2 --db %1\n"
                              "(в исходниках программы: scripts/db upgrade --server %2 --db %1).")
            .arg(db.database(), db.server())
            .arg(stored)
            .arg(own);
    return QStringLiteral("База данных %1 на сервере %2 обновлена для более новой версии "
                          "программы (версия схемы журнала %3, эта программа знает %4).\n"
                          "Установите на этом рабочем месте новую версию программы.")
        .arg(db.database(), db.server())
        .arg(stored)
        .arg(own);
}

} // namespace app
