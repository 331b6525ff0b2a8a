#pragma once

#include <QString>

namespace state {
class DataModule;
}

// The statement texts of the timesheet, in one place, so the benchmarks time exactly what the
// window and the month rebuild run.
namespace timesheet::statements {

// The month's rows of one shift (:smena, 1..3) for :mnth, :yea, with their total; the data
// module holds the three queries (H_Tabel_1..H_Tabel_3), this gives them their statement and
// their shift.
QString shiftMonth();
void prepareShiftMonths(state::DataModule& dm);

// The month rebuild: its lock (:yea, :mnth), the delete of the month's rows, and the insert of
// the sums of the month's positions (:mnth, :yea, :first, :next).
QString monthLock();
QString monthDelete();
QString monthInsert();

// The print and the export: one line per worker of the month (:mnth, :yea), every shift's
// hours of each day summed.
QString monthPrint();

} // namespace timesheet::statements
