#pragma once

#include "data/ResultSet.h"
#include "output/Report.h"

namespace data {
class Connection;
}

// The printed monthly timesheet: one line per worker with the hours of every day summed over
// all shifts and the month total, A4 landscape, the heading on every page. Its query H_Tabel
// also feeds the timesheet's spreadsheet export.
namespace timesheet {

class TimesheetPrint {
public:
    explicit TimesheetPrint(data::Connection& connection);

    // Sets :mnth and :yea of monthRows and opens it.
    void openMonth(int month, int year);
    // The pages of the open monthRows under the heading "<month> <year> г.".
    output::PreparedReport prepare(const QString& monthName, const QString& year);

    data::ResultSet monthRows;
    output::Report report; // the layout over monthRows
};

} // namespace timesheet
