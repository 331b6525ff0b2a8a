// Opens the three lists the pickers show (Workers, Izdel, Vid_oper) through the data module
// (open, fetch, snapshot), alternating run by run with psql and a bare libpq client running
// the same statements.
//
//   bench_reference_lists SOCKET DATABASE USER PASSWORD_FILE [RUNS]
#include "Replay.h"
#include "data/Error.h"
#include "state/DataModule.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 0, "[RUNS]");
    if (!t)
        return 2;
    const QString socket = t->socket, database = t->database, user = t->user,
                  password = t->password;
    const int runs = t->more.isEmpty() ? 30 : t->more[0].toInt();

    state::DataModule dm;
    data::ResultSet* lists[] = {&dm.workers, &dm.products, &dm.operationTypes};
    int rows = 0;
    bench::Comparison c;
    try {
        dm.connection.open(socket, database, user, password);
        c = bench::compareWithPsql(dm.connection, *t, runs, [&] {
            rows = 0;
            for (data::ResultSet* rs : lists) {
                rs->close();
                rs->open();
                rows += rs->rowCount();
            }
        });
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    std::printf("reference lists Workers, Izdel, Vid_oper: %d rows, %d runs\n", rows, runs);
    bench::printComparison("open, fetch, snapshot", c);
    return 0;
}
