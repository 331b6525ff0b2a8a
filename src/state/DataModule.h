#pragma once

#include "Session.h"
#include "data/Command.h"
#include "data/Connection.h"
#include "data/Listener.h"
#include "data/ReportSource.h"
#include "data/ResultSet.h"

#include <QObject>
#include <QVariantMap>
#include <optional>

namespace state {

// The shared data module: the one connection, the result sets and commands that several
// windows use, and the shared count check. Created once and handed to the windows.
class DataModule : public QObject {
    Q_OBJECT
public:
    explicit DataModule(QObject* parent = nullptr);
    ~DataModule() override;

    data::Connection connection;
    // Listens on the journal's and the timesheet's channels.
    data::Listener listener{connection};
    Session session;
    // What the reports, prints and exports read from: the report server when one is set, opened
    // with the session's login.
    data::ReportSource reports{connection, session.loginName, session.loginPassword};

    // The pickers' lists: employees, products, operations with their norms, operation types.
    data::ResultSet workers, products, operations, operationTypes;
    // Any one-off read that should not disturb the shared lists' rows.
    data::ResultSet countQuery;

    // The journal query of shift 1..4 and the timesheet query of shift 1..3; their statements
    // are their subsystems' own (journal::statements, timesheet::statements).
    data::ResultSet& journal(int shift);
    data::ResultSet& timesheet(int shift);

    // Opens the connection with the built-in start-up account.
    void openStartupConnection(const QString& server);
    // Opens the connection; the reason when it could not be opened. A refused login is an
    // answer the caller words itself, not an error of an action.
    std::optional<QString> tryOpen(const QString& server, const QString& database,
                                   const QString& user, const QString& password);

    // Runs a statement yielding cnt with its parameters bound; when cnt > 0 the action ends
    // with the message.
    void countCheck(const QString& countSql, const QVariantMap& params, const QString& message);

private:
    data::ResultSet shift1_, shift2_, shift3_, shift4_;
    data::ResultSet timesheet1_, timesheet2_, timesheet3_;
};

} // namespace state
