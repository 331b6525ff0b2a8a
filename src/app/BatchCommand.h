#pragma once

#include "RoleRules.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QTextStream;

namespace state {
class DataModule;
}

// The summary reports and the summary export without a window:
//   tabel report 16|17|20|21|25 [--from D] [--to D] [--kind 0|1] --pdf FILE
//   tabel export [--from D] [--to D] [--kind 0|1] --xlsx FILE
//   tabel history [--from D] [--to D] [--worker N] --xlsx FILE
//       [--server S] [--db DB] --user LOGIN
//       [--report-server S [--report-db DB]]   (report and export)
// The password comes from libpq (PGPASSWORD, .pgpass), never from the command line. Report
// and export read from the report server (the option, else the workstation's setting).
namespace app {

enum BatchExit { BatchDone = 0, BatchFailed = 1, BatchBadArguments = 2 };

struct BatchRequest {
    enum class Kind { Report, Export, History } kind = Kind::Report;
    int report = 0;
    QDate from, to;
    int productKind = -1;
    std::optional<int> worker; // history: one worker's changes only
    QString file;
    QString server, database, user;
    QString reportServer, reportDatabase; // empty: the workstation's setting
};

// The usage lines of the batch commands.
QString batchUsage();

// True when the command line asks for a batch run rather than the windows.
bool isBatchCommand(const QStringList& arguments);

// The request of a batch command line (arguments[0] is the program); nullopt after writing
// why to err, which is the usage line for an unknown option or a missing output file.
std::optional<BatchRequest> parseBatch(const QStringList& arguments, const QDate& today,
                                       QTextStream& err);

// Runs the request: logs in, checks the login's rights and the version gate, writes FILE
// under a temporary name beside it and renames it when complete. Writes nothing to the
// database. Messages go to err; the result is a BatchExit.
int runBatch(const BatchRequest& request, QTextStream& err);

// The group of the login a batch run has connected as; Group::None after writing why to err.
Group batchGroup(data::Connection& db, const QString& login, QTextStream& err);

// Turns the session read-only and checks the version gate: false after writing why to err.
bool batchGatePasses(state::DataModule& dm, QTextStream& err);

// parseBatch, then runBatch.
int runBatchCommand(
    const QStringList& arguments, QTextStream& err,
    const std::function<QDate()>& today = [] { return QDate::currentDate(); });

} // namespace app
