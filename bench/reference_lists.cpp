// Opens the three lists the pickers show (Workers, Izdel, Vid_oper) through the data module
// (open, fetch, snapshot) and, in the same run, the same statements through psql.
//
//   bench_reference_lists SOCKET DATABASE USER PASSWORD_FILE [RUNS]
#include "Timing.h"
#include "data/DataModule.h"
#include "data/Error.h"

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

    data::DataModule dm;
    data::ResultSet* lists[] = {&dm.workers, &dm.products, &dm.operationTypes};
    std::vector<double> program;
    int rows = 0;
    try {
        dm.connection.open(socket, database, user, password);
        program = bench::timedRuns(runs, [&] {
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
    QStringList statements;
    for (data::ResultSet* rs : lists)
        statements << rs->sql();
    const std::vector<double> viaPsql =
        bench::psqlRuns(socket, database, user, password, statements, runs);
    if (viaPsql.empty())
        return 1;

    QTextStream o(stdout);
    o << "reference lists Workers, Izdel, Vid_oper: " << rows << " rows, " << runs << " runs\n";
    o << QString::asprintf("  program (open, fetch, snapshot): median %.2f ms, min %.2f ms\n",
                           bench::median(program), bench::minimum(program));
    o << QString::asprintf("  psql (\\timing of the 3 statements): median %.2f ms, min %.2f ms\n",
                           bench::median(viaPsql), bench::minimum(viaPsql));
    o << QString::asprintf("  ratio program/psql (medians): %.2f\n",
                           bench::median(program) / bench::median(viaPsql));
    return 0;
}
