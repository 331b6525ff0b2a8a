// Reloads the four journal queries of one date through the data module (open, fetch,
// snapshot) and, in the same run, the same four statements through psql; then filters
// 20 000 workers on the workstation by a two-letter prefix.
//
//   bench_journal_reload SOCKET DATABASE USER PASSWORD_FILE DATE(YYYY-MM-DD) [RUNS]
#include "Timing.h"
#include "data/DataModule.h"
#include "data/Error.h"
#include "data/SqlText.h"
#include "journal/JournalStatements.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using bench::median;
using bench::minimum;

// The journal statement of a shift with its two parameters written in as literals.
QString literalStatement(data::ResultSet& rs, const QDate& date) {
    QString sql = rs.sql();
    sql.replace(QLatin1String(":data"), sqltext::quoted(date.toString(Qt::ISODate)));
    sql.replace(QLatin1String(":ok"), sqltext::quoted(QStringLiteral("ta")));
    return sql;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 1, "DATE [RUNS]");
    if (!t)
        return 2;
    const QString socket = t->socket, database = t->database, user = t->user,
                  password = t->password;
    const QDate date = QDate::fromString(t->more[0], Qt::ISODate);
    const int runs = t->more.size() > 1 ? t->more[1].toInt() : 30;

    data::DataModule module;
    journal::statements::prepareShiftJournals(module);
    std::vector<double> program;
    int rows = 0;
    try {
        module.connection.open(socket, database, user, password);
        for (int shift = 1; shift <= 4; ++shift) {
            module.journal(shift).setParam("data", date.startOfDay());
            module.journal(shift).setParam("ok", "ta");
        }
        program = bench::timedRuns(runs, [&] {
            rows = 0;
            for (int shift = 1; shift <= 4; ++shift) {
                data::ResultSet& rs = module.journal(shift);
                rs.close();
                rs.open();
                rows += rs.rowCount();
            }
        });
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }

    // psql: one session, the four statements per run, its own \timing of each.
    QStringList statements;
    for (int shift = 1; shift <= 4; ++shift)
        statements << literalStatement(module.journal(shift), date);
    const std::vector<double> viaPsql =
        bench::psqlRuns(socket, database, user, password, statements, runs);
    if (viaPsql.empty())
        return 1;

    // 20 000 workers filtered on the workstation by a two-letter prefix.
    std::vector<double> filtering;
    int matched = 0;
    try {
        data::ResultSet workers(module.connection, QStringLiteral("workers"));
        workers.setSql(QString::fromUtf8(
            "select g::text as id, (array['Иванов','Петров','Сидоров','Кузнецов','Смирнов',"
            "'Попов','Васильев','Морозов','Новиков','Фёдоров'])[g % 10 + 1] || ' ' || g || ' ' "
            "|| chr(1040 + g % 32) || '.' as fio from generate_series(1, 20000) g"));
        workers.open();
        filtering = bench::timedRuns(
            runs,
            [&] {
                workers.setFilter(
                    sqltext::filterLikePrefix(QStringLiteral("fio"), QString::fromUtf8("Ив")));
                workers.setFiltered(true);
                matched = workers.rowCount();
            },
            [&] { workers.setFiltered(false); });
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }

    QTextStream o(stdout);
    o << "journal reload of " << date.toString(Qt::ISODate) << ": " << rows << " rows in 4 shifts, "
      << runs << " runs\n";
    o << QString::asprintf("  program (open, fetch, snapshot): median %.2f ms, min %.2f ms\n",
                           median(program), minimum(program));
    o << QString::asprintf("  psql (\\timing of the 4 statements): median %.2f ms, min %.2f ms\n",
                           median(viaPsql), minimum(viaPsql));
    o << QString::asprintf("  ratio program/psql (medians): %.2f\n",
                           median(program) / median(viaPsql));
    o << QString::asprintf("client filter of 20000 workers by a 2-letter prefix (%d match): median "
                           "%.3f ms, min %.3f ms\n",
                           matched, median(filtering), minimum(filtering));
    return 0;
}
