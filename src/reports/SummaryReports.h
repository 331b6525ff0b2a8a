#pragma once

#include "output/Report.h"

#include <QDate>
#include <QString>
#include <functional>
#include <memory>
#include <span>

namespace data {
class Connection;
class ResultSet;
} // namespace data

namespace output {
class Spreadsheet;
}

// The summary reports, one table of them, and the summary export of a period, without a window:
// the reports dialog and the batch command line run the same code. Nothing here writes.
namespace reports {

// Positions dated from `from` to `to`, both days included, as "с … по …" reads; kind is the
// naimen to keep, -1 all.
struct ReportPeriod {
    QDate from;
    QDate to;
    int kind = -1;
};

// One summary report, as the dialog, the batch command and the preparation all use it.
struct SummaryReport {
    int number;                   // of its layout: 16 is TForm16
    const char* button;           // the dialog's button, by its documented name
    const char* caption;          // the button's text
    const char* title;            // the title, before the period's dates
    const char* query;            // the query's documented name
    const char* const* statement; // its lines, ended by nullptr
    output::Report (*layout)(const data::ResultSet& rows);
};

// What a report's read asks of the server for itself: its memory.
void askReportSettings(data::ResultSet& query);

// Every summary report, in the dialog's order. A new report is one row of this table, with
// its statement and its layout function.
std::span<const SummaryReport> summaryReports();

// The period offered first: the whole month before today's (December before a January),
// from its first day to its last.
ReportPeriod defaultPeriod(const QDate& today);

// Throws data::ConversionError, naming both dates, when the period ends before it starts;
// every report and the export refuse such a period.
void checkPeriod(const ReportPeriod& period);

// A number of the table (16, 17, 20, 21 and 25: the layouts TForm16 ... TForm25).
bool isSummaryReport(int number);
// The layout's statement, lines joined with line breaks; empty for any other number.
QString summaryStatement(int number);
// The statement of the summary export.
QString exportStatement();
// "   Отчет по рабочим за период с 01.11.2026 по 30.11.2026" and the like.
QString summaryTitle(int number, const ReportPeriod& period);

// Runs the report's statement for the period and kind and lays out all its pages; the query
// is closed before this returns, also when it throws. Another number throws data::Error.
output::PreparedReport prepareSummary(data::Connection& db, int number, const ReportPeriod& period);
// The same for a preview, which lays the pages out while it shows the first: the query stays
// open in the preparation until its last page.
std::unique_ptr<output::Preparation> startSummary(data::Connection& db, int number,
                                                  const ReportPeriod& period);

// Writes the period's output per product and operation into sheet 1 of a spreadsheet the
// caller has opened: a heading row, then one row per record. progress(k, n) is told (0, n)
// before the first row and again after each one, n counting the rows that pass the kind.
void exportSummary(data::Connection& db, const ReportPeriod& period, output::Spreadsheet& sheet,
                   const std::function<void(int done, int total)>& progress);

} // namespace reports
