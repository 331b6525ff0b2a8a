#pragma once

#include <QDate>
#include <vector>

namespace state {
class DataModule;
}

// A worker's hours of one date and shift, summed from the journal into the day cell of the
// monthly timesheet (accounts_dep.h_tabel, one row per worker, shift, month and year).
//
// Workstations meet here, and with the month rebuild: a roll-up takes its month's advisory
// lock shared (the rebuild takes it exclusive), then locks the worker's row, and only then
// sums, in a statement that starts after both were granted, so the last writer always stores
// the sum of every position committed by then. Months and rows are locked in one order, so
// two roll-ups never wait for each other in a circle. Each runs in a transaction, or joins
// the caller's, so a position and its roll-up are stored together or not at all.
namespace journal {

struct DayCell {
    int worker = 0;
    QDate date;
    int shift = 0;
    // A new row for the worker's month when there is none; otherwise one is made only when
    // the day still has hours (after a deletion the row exists, since the position deleted
    // had been rolled up).
    bool createRow = true;
};

// Writes the cell, creating the worker's row for that shift and month when there is none.
void rollUpDayCell(state::DataModule& dm, int workerCode, const QDate& date, int shift);

// Rewrites the cell after a deletion; a day without positions left becomes 0.
void updateDayCell(state::DataModule& dm, int workerCode, const QDate& date, int shift);

// Several cells at once (a position moved to another day, shift or worker).
void rollUpDayCells(state::DataModule& dm, std::vector<DayCell> cells);

} // namespace journal
