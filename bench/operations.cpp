// The operations list on a plant's 5 000 operations: opening Oper through the data module
// against psql's \timing of the same statement; one search keystroke, which filters the
// fetched rows and runs no statement; one operation's norm steps against psql; and the
// price-list export through the window's own code (statement, wrapper, file) against psql's
// statement plus the same cells written by direct libxlsxwriter calls.
//
//   bench_operations SOCKET DATABASE USER PASSWORD_FILE [RUNS]
#include "reference/Operations.h"

#include "Replay.h"
#include "data/Error.h"
#include "data/SqlText.h"
#include "data/Value.h"
#include "output/Spreadsheet.h"
#include "reference/Norms.h"
#include "reference/OperationTypes.h"
#include "reference/Pickers.h"
#include "state/DataModule.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <xlsxwriter.h>

namespace {

// The export's cells written straight through libxlsxwriter: what the wrapper must keep up
// with.
void writeDirectly(const QString& path, data::ResultSet& rows) {
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Лист1");
    const char* heading[] = {"Марка", "Операция", "Цена (min)", "Вид"};
    for (int c = 0; c < 4; ++c)
        worksheet_write_string(ws, 0, lxw_col_t(c), heading[c], nullptr);
    const int marka = rows.fieldIndex("marka"), vid = rows.fieldIndex("vid"),
              cena = rows.fieldIndex("cena"), nmn = rows.fieldIndex("nmn");
    for (int r = 0; r < rows.rowCount(); ++r) {
        const lxw_row_t row = lxw_row_t(r + 1);
        worksheet_write_string(ws, row, 0, data::value::toString(rows.valueAt(r, marka)).toUtf8(),
                               nullptr);
        worksheet_write_string(ws, row, 1, data::value::toString(rows.valueAt(r, vid)).toUtf8(),
                               nullptr);
        if (!data::value::isNull(rows.valueAt(r, cena)))
            worksheet_write_number(ws, row, 2, data::value::toDouble(rows.valueAt(r, cena)),
                                   nullptr);
        worksheet_write_string(ws, row, 3, data::value::toString(rows.valueAt(r, nmn)).toUtf8(),
                               nullptr);
    }
    workbook_close(wb);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path())); // the exports land in its documents
    QApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 0, "[RUNS]");
    if (!t)
        return 2;
    const QString socket = t->socket, database = t->database, user = t->user,
                  password = t->password;
    const int runs = t->more.isEmpty() ? 30 : t->more[0].toInt();

    state::DataModule dm;
    reference::ProductsList products(dm);
    reference::OperationTypeDialog typeDialog(dm);
    reference::OperationTypesList types(dm, typeDialog);
    reference::OperationDialog dialog(dm, products, types);
    reference::NormsWindow norms(dm);
    reference::OperationsList list(dm, dialog, norms);
    output::Spreadsheet::setDefaultOpener([](const QString&) { return true; });

    std::vector<double> keystroke, exporting, raw, psqlExport;
    bench::Comparison opening, steps;
    int operations = 0, matched = 0, stepRows = 0, operation = 0;
    try {
        dm.connection.open(socket, database, user, password);
        opening = bench::compareWithPsql(dm.connection, *t, runs, [&] {
            dm.operations.close();
            dm.operations.open();
        });
        operations = dm.operations.rowCount();
        operation = dm.operations.asInt("id");
        const QString typed = dm.operations.asString("marka").left(4);
        keystroke = bench::timedRuns(
            runs,
            [&] {
                dm.operations.setFilter(sqltext::filterLikePrefix("marka", typed));
                dm.operations.setFiltered(true);
                matched = dm.operations.rowCount();
            },
            [&] { dm.operations.setFiltered(false); });

        data::ResultSet stepsOf(dm.connection, "norm");
        stepsOf.setSql(reference::NormsWindow::stepsStatement());
        stepsOf.setParam("o_id", operation);
        steps = bench::compareWithPsql(dm.connection, *t, runs, [&] {
            stepsOf.close();
            stepsOf.open();
        });
        stepRows = stepsOf.rowCount();

        const int exportRuns = std::max(3, runs / 5);
        data::ResultSet same(dm.connection, "same");
        same.setSql(list.exportStatement());
        same.open();
        bench::PsqlSession psql(socket, database, user, password);
        const auto ms = bench::alternatedRuns(
            exportRuns,
            {bench::timed([&] { list.exportToSpreadsheet(); }), bench::timed([&] {
                 writeDirectly(home.filePath(QStringLiteral("direct.xlsx")), same);
             }),
             bench::psqlStep(psql, bench::scriptOf({list.exportStatement()}))},
            1);
        exporting = ms[0];
        raw = ms[1];
        psqlExport = ms[2];
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }

    using bench::median;
    QTextStream o(stdout);
    o << QString::asprintf("operations list: %d operations, %d runs\n", operations, runs);
    o.flush();
    bench::printComparison("open Oper", opening);
    o << QString::asprintf("  search keystroke (%d match, no statement): median %.3f ms, max "
                           "%.3f ms\n",
                           matched, median(keystroke),
                           *std::max_element(keystroke.begin(), keystroke.end()));
    o.flush();
    std::printf("  one operation's %d norm steps:\n", stepRows);
    bench::printComparison("norm steps", steps);
    std::fflush(stdout);
    const double reference = median(psqlExport) + median(raw);
    o << QString::asprintf("  export of every operation: window median %.1f ms; psql %.1f ms + "
                           "direct libxlsxwriter %.1f ms = %.1f ms; ratio %.2f\n",
                           median(exporting), median(psqlExport), median(raw), reference,
                           median(exporting) / reference);
    return 0;
}
