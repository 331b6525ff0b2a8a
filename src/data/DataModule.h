#pragma once

#include "Command.h"
#include "Connection.h"
#include "ResultSet.h"
#include "Session.h"

#include <QObject>
#include <functional>
#include <optional>

namespace data {

// The shared data module: the one connection, the result sets and commands that several
// windows use, and the shared count check. Created once and handed to the windows.
class DataModule : public QObject {
    Q_OBJECT
public:
    // Shows the message of a found duplicate (the application passes its error box).
    using ErrorReporter = std::function<void(const QString& message)>;

    explicit DataModule(ErrorReporter reportError, QObject* parent = nullptr);
    ~DataModule() override;

    Connection ADO_DB;
    Session session;

    ResultSet Smena1, Smena2, Smena3, Smena4;
    ResultSet Workers, Izdel, Oper, Vid_oper;
    ResultSet H_Tabel_1, H_Tabel_2, H_Tabel_3;
    ResultSet Control;

    Command DelSmena, H_Tabel_ins, Oper_ins, Oper_ed, Oper_del;

    // The journal query of shift 1..4 and the timesheet query of shift 1..3.
    ResultSet& journal(int shift);
    ResultSet& timesheet(int shift);

    // Opens the connection with the built-in start-up account.
    void openStartupConnection(const QString& server);
    // Opens the connection; the reason when it could not be opened. A refused login is an
    // answer the caller words itself, not an error of an action.
    std::optional<QString> tryOpen(const QString& server, const QString& database,
                                   const QString& user, const QString& password);

    // Runs a statement yielding cnt; when cnt > 0 shows the message and returns true.
    bool countCheck(const QString& countSql, const QString& message = {});

private:
    ErrorReporter reportError_;
};

} // namespace data
