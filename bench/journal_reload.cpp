// Reloads the four journal queries of one date through the data module (open, fetch,
// snapshot), alternating run by run with psql and with a bare libpq client running the same
// four statements prepared as the program prepares them; then the same with every cell
// decoded on both sides; then filters 20 000 workers on the workstation by a two-letter prefix.
//
//   bench_journal_reload SOCKET DATABASE USER PASSWORD_FILE DATE(YYYY-MM-DD) [RUNS]
#include "Replay.h"
#include "data/Error.h"
#include "data/SqlText.h"
#include "journal/JournalStatements.h"
#include "state/DataModule.h"

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

    state::DataModule module;
    journal::statements::prepareShiftJournals(module);
    int rows = 0;
    const auto reload = [&](bool readCells) {
        rows = 0;
        for (int shift = 1; shift <= 4; ++shift) {
            data::ResultSet& rs = module.journal(shift);
            rs.close();
            rs.open();
            rows += rs.rowCount();
            if (readCells) // what the grid shows, and more: every cell of every row
                for (int row = 0; row < rs.rowCount(); ++row)
                    for (int column = 0; column < rs.fieldCount(); ++column)
                        rs.valueAt(row, column);
        }
    };
    bench::Comparison opened, read;
    try {
        module.connection.open(socket, database, user, password);
        for (int shift = 1; shift <= 4; ++shift) {
            module.journal(shift).setParam("data", date.startOfDay());
            module.journal(shift).setParam("ok", "ta");
        }
        opened = bench::compareWithPsql(module.connection, *t, runs, [&] { reload(false); });
        read = bench::compareWithPsql(module.connection, *t, runs, [&] { reload(true); });
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    if (opened.psql.empty() || read.psql.empty())
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
    o.flush();
    bench::printComparison("open, fetch, snapshot", opened);
    const double p = median(read.program);
    std::printf("  the same with every cell decoded: program median %.2f ms, libpq prepared and "
                "decoded %.2f ms, ratio %.2f (psql %.2f ms)\n",
                p, median(read.libpqDecoded), p / median(read.libpqDecoded), median(read.psql));
    std::fflush(stdout);
    o << QString::asprintf("client filter of 20000 workers by a 2-letter prefix (%d match): median "
                           "%.3f ms, min %.3f ms\n",
                           matched, median(filtering), minimum(filtering));
    return 0;
}
