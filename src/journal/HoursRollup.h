#pragma once

#include <QDate>

namespace data {
class DataModule;
}

// A worker's hours of one date and shift, summed from the journal into the day cell of the
// monthly timesheet (accounts_dep.h_tabel, one row per worker, shift, month and year).
//
// Workstations meet here: each roll-up locks the worker's row first and only then sums, in a
// statement that starts after the lock was granted, so the last writer always stores the sum
// of every position committed by then. Each runs in a transaction, or joins the caller's, so a
// position and its roll-up are stored together or not at all.
namespace journal {

// Writes the cell, creating the worker's row for that shift and month when there is none.
void rollUpDayCell(data::DataModule& dm, int workerCode, const QDate& date, int shift);

// Rewrites the cell of an existing row only (after a deletion: the row exists since the
// deleted position had been rolled up); a day without positions left becomes 0.
void updateDayCell(data::DataModule& dm, int workerCode, const QDate& date, int shift);

} // namespace journal
