#pragma once

#include <QString>
#include <functional>

// The month's timesheet as a spreadsheet: the heading, a row per worker with the hours of all
// 31 days summed over the shifts, and the total. The export runs without the event loop; its
// progress goes to a caption that the caller paints at once.
namespace timesheet {

class TimesheetPrint;

// Opens the print's monthRows for the month, writes the sheet and shows it; monthRows is closed
// afterwards whatever happened. heading is the text of row 1.
void exportMonth(TimesheetPrint& print, int month, int year, const QString& heading,
                 const std::function<void(const QString& caption)>& progress);

} // namespace timesheet
