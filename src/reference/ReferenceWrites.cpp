#include "ReferenceWrites.h"

#include "data/Command.h"
#include "data/Error.h"
#include "state/DataModule.h"

namespace reference {

int saveUnlessDuplicate(state::DataModule& dm, const DuplicateRule& rule,
                        const std::function<int()>& write) {
    dm.countCheck(rule.countSql, rule.params, rule.message);
    try {
        return write();
    } catch (const data::DbError& e) {
        // Saved meanwhile on another workstation: the unique key said so.
        if (!e.isUniqueViolation(rule.uniqueKey))
            throw;
        throw data::Error(rule.message);
    }
}

bool deleteUnlessUsed(data::Connection& connection, const QString& deleteSql, int id,
                      const QString& foreignKey) {
    data::Command remove(connection);
    remove.setSql(deleteSql);
    remove.setParam(QStringLiteral("id"), id);
    try {
        remove.execute();
    } catch (const data::DbError& e) {
        if (!e.isForeignKeyViolation(foreignKey))
            throw;
        return false;
    }
    return true;
}

} // namespace reference
