#pragma once

// Months whose wages are paid: the server refuses every write of their positions, material
// rows and timesheet cells (accounts_dep.closed_month). Closing and reopening run through the
// server's two routines, which only the group tabel_closer may call.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace data {
class Connection;
}

namespace state {

struct ClosedMonth {
    int year = 0;
    int month = 0;
    QString closedBy;
    QDateTime closedAt;

    // "11.2026"
    QString monthText() const;
    // "Месяц закрыт 05.12.2026, master"
    QString statusText() const;
};

// The date's month when it is closed now.
std::optional<ClosedMonth> closedMonthOf(data::Connection& db, const QDate& date);
// Every closed month, the latest first.
std::vector<ClosedMonth> closedMonths(data::Connection& db);
// Whether the connected login may close and reopen months.
bool mayCloseMonths(data::Connection& db);
// Throw data::DbError with the server's text: a month closed already, not closed, no right.
void closeMonth(data::Connection& db, int year, int month);
void reopenMonth(data::Connection& db, int year, int month);

} // namespace state
