#pragma once

// Closing and reopening a month without a window, for a payroll job:
//   tabel month close|reopen --month MM.YYYY [--server S] [--db DB] --user LOGIN
//   tabel month status [--server S] [--db DB] --user LOGIN
// The server decides who may close (the group tabel_closer); status lists the closed months.

#include <QString>
#include <QStringList>

class QTextStream;

namespace app {

bool isMonthCommand(const QStringList& arguments);
QString monthUsage();
// A BatchExit; the list goes to out, messages to err.
int runMonthCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace app
