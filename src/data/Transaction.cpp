#include "Transaction.h"

#include "Connection.h"

namespace data {

Transaction::Transaction(Connection& connection)
    : connection_(connection), joined_(connection.inTransaction()) {
    if (!joined_)
        connection_.exec("begin");
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
