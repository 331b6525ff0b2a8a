// Opens the three lists the pickers show (Workers, Izdel, Vid_oper) through the data module
// (open, fetch, snapshot) and, in the same run, the same statements through psql.
//
//   bench_reference_lists SOCKET DATABASE USER PASSWORD_FILE [RUNS]
#include "Timing.h"
#include "data/DataModule.h"
#include "data/Error.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 5) {
        std::fprintf(stderr, "usage: %s SOCKET DATABASE USER PASSWORD_FILE [RUNS]\n", argv[0]);
        return 2;
    }
    const QString socket = a[1], database = a[2], user = a[3];
    QFile pwFile(a[4]);
    if (!pwFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read the password file\n");
        return 2;
    }
    const QString password = QString::fromUtf8(pwFile.readAll()).trimmed();
    const int runs = a.size() > 5 ? a[5].toInt() : 30;

    data::DataModule dm([](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); });
    data::ResultSet* lists[] = {&dm.Workers, &dm.Izdel, &dm.Vid_oper};
    std::vector<double> program;
    int rows = 0;
    try {
        dm.ADO_DB.open(socket, database, user, password);
        for (int run = -3; run < runs; ++run) {
            QElapsedTimer t;
            t.start();
            rows = 0;
            for (data::ResultSet* rs : lists) {
                rs->close();
                rs->open();
                rows += rs->rowCount();
            }
            if (run >= 0)
                program.push_back(t.nsecsElapsed() / 1e6);
        }
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
