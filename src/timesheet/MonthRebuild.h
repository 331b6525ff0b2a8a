#pragma once

#include "data/Command.h"

namespace data {
class Connection;
}

// Rebuilds a month of the hours timesheet (accounts_dep.h_tabel) from the journal: every
// row of the month goes, and a row per worker and shift with positions in it comes back,
// each day cell the sum of that day's hours as the journal's roll-up sums it.
//
// One transaction, so other workstations see the old month or the new one, never a mix.
// Two rebuilds of one month queue on an advisory lock taken before the delete; each then
// reads what the other committed. Every roll-up of the month holds that lock shared, so a
// save's cell is written before the rebuild starts or after it has committed, never between.
// The transaction joins one the caller has open.
namespace timesheet {

class MonthRebuild {
public:
    explicit MonthRebuild(data::Connection& connection);

    // Throws data::DbError with the server's text; then nothing of the month has changed.
    void run(int month, int year);

private:
    data::Command lockMonth_, deleteMonth_, insertMonth_;
    data::Connection& connection_;
};

} // namespace timesheet
