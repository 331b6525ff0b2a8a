#pragma once

#include <QDate>

namespace data {
class DataModule;
}

// A worker's hours of one date and shift, summed from the journal into the day cell of the
// monthly timesheet (accounts_dep.h_tabel, one row per worker, shift, month and year).
namespace journal {

// Writes the cell, creating the worker's row for that shift and month when there is none.
// One statement sums and writes, so two workstations rolling up the first position of a
// month at once leave one row with the right sum and neither sees an error.
void rollUpDayCell(data::DataModule& dm, int workerCode, const QDate& date, int shift);

// Rewrites the cell of an existing row only (after a deletion: the row exists since the
// deleted position had been rolled up); a day without positions left becomes 0.
void updateDayCell(data::DataModule& dm, int workerCode, const QDate& date, int shift);

} // namespace journal
