#include "Transaction.h"

#include "Connection.h"

namespace data {

Transaction::Transaction(Connection& connection)
    : connection_(connection), joined_(connection.inTransaction()) {
    // Nothing has been done yet, so a begin that meets a lost connection may run again.
    if (!joined_)
        connection_.exec("begin", {}, Connection::Access::Read);
}

Transaction::~Transaction() {
    if (done_ || joined_)
        return;
    try {
        connection_.exec("rollback");
    } catch (...) {
        // The connection is gone, and the server has rolled the work back with it.
    }
}

void Transaction::commit() {
    if (done_ || joined_)
        return;
    done_ = true;
    connection_.exec("commit");
}

} // namespace data
