#include "Transaction.h"

#include "Connection.h"

namespace data {

Transaction::Transaction(Connection& connection) : connection_(connection) {
    connection_.exec("begin");
}

Transaction::~Transaction() {
    if (done_)
        return;
    try {
        connection_.exec("rollback");
    } catch (...) {
        // The connection is gone, and the server has rolled the work back with it.
    }
}

void Transaction::commit() {
    done_ = true;
    connection_.exec("commit");
}

} // namespace data
