#pragma once

namespace data {

class Connection;

// One unit of work on the connection: begun when made, committed by commit(), rolled back
// when left without it (an error thrown through it, a lost connection). Writes of more than
// one statement run inside one, so a failure never leaves half of them stored. Made while
// another is open, it joins that one: the outer transaction commits or rolls back the whole.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Connection& connection_;
    bool joined_ = false;
    bool done_ = false;
};

} // namespace data
