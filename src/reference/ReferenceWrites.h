#pragma once

#include <QString>
#include <QVariantMap>
#include <functional>

// The two writes every edited reference list shares: a save that refuses a duplicate before and
// after it is written, and a delete that the server's key refuses while the row is in use.
namespace data {
class Connection;
}
namespace state {
class DataModule;
}

namespace reference {

// What makes a row a duplicate: a count yielding cnt over its parameters, and the server's
// unique key that refuses one saved on another workstation meanwhile. Both end the action with
// the same message.
struct DuplicateRule {
    QString countSql;
    QVariantMap params;
    QString uniqueKey;
    QString message;
};

// Runs the count, then write (which returns the saved row's id). A duplicate either way throws
// data::Error(rule.message); any other error passes unchanged.
int saveUnlessDuplicate(state::DataModule& dm, const DuplicateRule& rule,
                        const std::function<int()>& write);

// Runs the delete statement on :id; false when the server's foreignKey kept the row because
// another refers to it (also one saved at the same moment).
bool deleteUnlessUsed(data::Connection& connection, const QString& deleteSql, int id,
                      const QString& foreignKey);

} // namespace reference
