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
    // Done only once the server said so: a commit that meets a lost connection leaves the
    // transaction to the destructor's rollback, which ends the lost state, so the next action
    // reconnects instead of counting as part of this one.
    connection_.exec("commit");
    done_ = true;
}

} // namespace data
