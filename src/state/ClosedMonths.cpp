#include "ClosedMonths.h"

#include "data/Command.h"
#include "data/ResultSet.h"

namespace state {

namespace {

const char* const closedSelect =
    "select year, month, closed_by, closed_at from accounts_dep.closed_month ";

ClosedMonth currentRow(const data::ResultSet& rows) {
    return {rows.asInt(QStringLiteral("year")), rows.asInt(QStringLiteral("month")),
            rows.value(QStringLiteral("closed_by")).toString(),
            rows.value(QStringLiteral("closed_at")).toDateTime()};
}

void callRoutine(data::Connection& db, const char* routine, int year, int month) {
    data::Command call(db);
    call.setSql(QStringLiteral("select accounts_dep.%1(cast(:year as integer), "
                               "cast(:month as integer))")
                    .arg(QLatin1String(routine)));
    call.setParam(QStringLiteral("year"), year);
    call.setParam(QStringLiteral("month"), month);
    call.execute();
}

} // namespace

QString ClosedMonth::monthText() const {
    return QStringLiteral("%1.%2").arg(month, 2, 10, QLatin1Char('0')).arg(year);
}

QString ClosedMonth::statusText() const {
    return QStringLiteral("Месяц закрыт %1, %2")
        .arg(closedAt.toLocalTime().toString(QStringLiteral("dd.MM.yyyy")), closedBy);
}

std::optional<ClosedMonth> closedMonthOf(data::Connection& db, const QDate& date) {
    data::ResultSet rows(db);
    rows.setSql(QString::fromLatin1(closedSelect) +
                QStringLiteral("where year = cast(:year as integer) "
                               "and month = cast(:month as integer)"));
    rows.setParam(QStringLiteral("year"), date.year());
    rows.setParam(QStringLiteral("month"), date.month());
    rows.open();
    if (rows.isEmpty())
        return std::nullopt;
    return currentRow(rows);
}

std::vector<ClosedMonth> closedMonths(data::Connection& db) {
    data::ResultSet rows(db);
    rows.setSql(QString::fromLatin1(closedSelect) +
                QStringLiteral("order by year desc, month desc"));
    rows.open();
    std::vector<ClosedMonth> months;
    for (int row = 0; row < rows.rowCount(); ++row) {
        rows.moveTo(row);
        months.push_back(currentRow(rows));
    }
    return months;
}

bool mayCloseMonths(data::Connection& db) {
    data::Command ask(db);
    ask.setSql(QStringLiteral(
        "select has_function_privilege('accounts_dep.close_month(integer, integer)', 'execute')"));
    return ask.executeScalar().toBool();
}

void closeMonth(data::Connection& db, int year, int month) {
    callRoutine(db, "close_month", year, month);
}

void reopenMonth(data::Connection& db, int year, int month) {
    callRoutine(db, "reopen_month", year, month);
}

} // namespace state
