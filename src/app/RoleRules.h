#pragma once

#include <QString>

class QWidget;
namespace data {
class Connection;
}

namespace app {

// The program's groups on the server (db/roles.sql), strongest first.
enum class Group { User, Operator, Reader, None };

// What a login may do in the journal window and with the reports.
struct Rights {
    bool edit = false;    // add, change, delete positions; brigades and the timesheet menus
    bool accept = false;  // "Принять" and "Принять ВСЕ"
    bool reports = false; // "Отчеты", also on the command line
    bool journal = false; // shifts, day off, date, grid; the economist's journal is locked
    bool acceptOnDoubleClick = false;
};

// The strongest group the connected login is a member of, directly or through other
// roles. A superuser is a member of every role and so a tabel_user; a group missing on the
// server is held by nobody.
Group groupOfConnectedLogin(data::Connection& db);

// What a login in no group is told, at login and on the command line.
QString noGroupMessage(const QString& loginName);

// The demo logins keep their own rows (operator4 and sys also accept, master does not);
// any other login gets the row of its group's demo logins, tabel_user the master's.
// Names are compared exactly. Group::None has no rights at all.
Rights rightsOf(const QString& loginName, Group group);

// Switches the journal window's controls.
void applyRights(QWidget& journal, const Rights& rights);

// Whether the login may use the reports ("Отчеты"): a demo login by its own row, any other as
// a tabel_user.
bool mayUseReports(const QString& loginName);

// Removes leading and trailing characters up to U+0020; letter case stays.
QString trimLogin(const QString& text);

} // namespace app
