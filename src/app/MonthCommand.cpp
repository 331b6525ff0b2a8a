#include "MonthCommand.h"

#include "BatchCommand.h"
#include "RoleRules.h"
#include "data/Defaults.h"
#include "data/Error.h"
#include "state/ClosedMonths.h"
#include "state/DataModule.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace app {

bool isMonthCommand(const QStringList& arguments) {
    return arguments.value(1) == QLatin1String("month");
}

QString monthUsage() {
    return QStringLiteral("usage: tabel month close|reopen --month MM.YYYY [--server S] [--db DB] "
                          "--user LOGIN\n"
                          "       tabel month status [--server S] [--db DB] --user LOGIN\n");
}

int runMonthCommand(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"month", "server", "db", "user"})
        parser.addOption(
            QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("value")));
    QStringList rest = arguments;
    rest.removeAt(1); // "month"
    const bool parsed = parser.parse(rest);
    const QStringList positional = parser.positionalArguments();
    const QString action = positional.value(0);
    const bool change = action == QLatin1String("close") || action == QLatin1String("reopen");
    const auto last = [&parser](const char* name) {
        const QStringList values = parser.values(QLatin1String(name));
        return values.isEmpty() ? QString() : values.last();
    };
    const QString login = trimLogin(last("user"));
    if (!parsed || positional.size() != 1 || (!change && action != QLatin1String("status")) ||
        change != parser.isSet(QStringLiteral("month")) || login.isEmpty()) {
        err << monthUsage();
        return BatchBadArguments;
    }
    QDate month;
    if (change) {
        month =
            QDate::fromString(QStringLiteral("01.") + last("month"), QStringLiteral("dd.MM.yyyy"));
        if (!month.isValid()) {
            err << QStringLiteral("Неверный месяц: %1 (ожидается ММ.ГГГГ)\n").arg(last("month"));
            return BatchBadArguments;
        }
    }
    const data::defaults::ServerAndDatabase target =
        data::defaults::chosen(last("server"), last("db"));
    state::DataModule dm;
    try {
        dm.connection.open(target.server, target.database, login, QString());
        // The gate may not raise the build stamp from here; a program of another schema
        // version is refused before it writes.
        if (batchGroup(dm.connection, login, err) == Group::None || !batchGatePasses(dm, err))
            return BatchFailed;
        dm.connection.exec("set default_transaction_read_only = off");
        if (action == QLatin1String("status")) {
            for (const state::ClosedMonth& m : state::closedMonths(dm.connection))
                out << m.monthText() << '\t' << m.statusText() << '\n';
            return BatchDone;
        }
        if (action == QLatin1String("close")) {
            state::closeMonth(dm.connection, month.year(), month.month());
            out << QStringLiteral("Месяц %1 закрыт\n")
                       .arg(month.toString(QStringLiteral("MM.yyyy")));
        } else {
            state::reopenMonth(dm.connection, month.year(), month.month());
            out << QStringLiteral("Месяц %1 открыт\n")
                       .arg(month.toString(QStringLiteral("MM.yyyy")));
        }
        return BatchDone;
    } catch (const data::Error& e) {
        err << e.text() << '\n';
        return BatchFailed;
    }
}

} // namespace app
