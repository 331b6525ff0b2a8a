#pragma once

#include "data/ReportSource.h"

#include <QStringList>

// The workstation's report server: --report-server S [--report-db DB] on the command line, else
// t_report.txt beside the style file (the server on its first line, the database on the
// second; no file or an empty first line: the reports read from the primary).
namespace app {

QString reportSettingsPath();
data::ReportServer readReportServer(const QString& path);

// The report server the command line names, taking its options out of arguments, else the
// settings file's.
data::ReportServer takeReportServer(QStringList& arguments);

} // namespace app
