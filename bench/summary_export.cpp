// The summary export of a year end to end, as `tabel export` runs it (the statement, every
// cell, the .xlsx written), against a bare reference: libpq running what the program sent and
// libxlsxwriter writing the same cells (names and operations as text, kinds as text,
// boxes and quantities as numbers), alternating run by run.
//
//   bench_summary_export SOCKET DATABASE USER PASSWORD_FILE [YEAR [RUNS]]
#include "Replay.h"
#include "data/Error.h"
#include "output/Spreadsheet.h"
#include "reports/SummaryReports.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <xlsxwriter.h>

namespace {

// The reference: the program's statements through libpq, their largest result into a sheet.
class Reference {
public:
    Reference(const bench::Target& t, std::vector<bench::Sent> sent) : libpq_(t, std::move(sent)) {}

    void run(const QByteArray& path) {
        PGresult* rows = libpq_.runForRows();
        // streamed as the program writes it: rows straight to the file
        lxw_workbook_options options = {};
        options.constant_memory = LXW_TRUE;
        lxw_workbook* book = workbook_new_opt(path.constData(), &options);
        lxw_worksheet* sheet = workbook_add_worksheet(book, "Лист1");
        lxw_format* text = workbook_add_format(book);
        format_set_num_format(text, "@");
        const char* heading[] = {"Наименование", "Операция", "Вид продукции", "Коробки", "Кол-во"};
        for (int c = 0; c < 5; ++c)
            worksheet_write_string(sheet, 0, lxw_col_t(c), heading[c], nullptr);
        const int nom = PQfnumber(rows, "nom"), vid = PQfnumber(rows, "vid"),
                  naimen = PQfnumber(rows, "naimen"), color = PQfnumber(rows, "color"),
                  mass = PQfnumber(rows, "mass"), kolvo = PQfnumber(rows, "kolvo");
        for (int r = 0; r < PQntuples(rows); ++r) {
            const lxw_row_t row = lxw_row_t(r + 1);
            worksheet_write_string(sheet, row, 0, PQgetvalue(rows, r, nom), text);
            QByteArray operation = PQgetvalue(rows, r, vid);
            const long long colour = atoll(PQgetvalue(rows, r, color));
            if (colour == 1)
                operation += " (грунт)";
            else if (colour > 1)
                operation += " (цвет: " + QByteArray::number(colour) + ")";
            worksheet_write_string(sheet, row, 1, operation.constData(), text);
            worksheet_write_string(sheet, row, 2,
                                   atoll(PQgetvalue(rows, r, naimen)) == 0 ? "Готовая продукция"
                                                                           : "Заготовки",
                                   nullptr);
            worksheet_write_number(sheet, row, 3, atof(PQgetvalue(rows, r, mass)), nullptr);
            worksheet_write_number(sheet, row, 4, std::round(atof(PQgetvalue(rows, r, kolvo))),
                                   nullptr);
        }
        cells_ = PQntuples(rows);
        workbook_close(book);
        PQclear(rows);
    }
    int cells_ = 0;

private:
    bench::LibpqReference libpq_;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 0, "[YEAR [RUNS]]");
    if (!t)
        return 2;
    const int year = t->more.value(0, QStringLiteral("2025")).toInt();
    const int runs = t->more.size() > 1 ? t->more[1].toInt() : 5;
    const reports::ReportPeriod period{QDate(year, 1, 1), QDate(year, 12, 31), -1};
    QTemporaryDir folder;
    const QString programFile = folder.filePath(QStringLiteral("program.xlsx"));
    const QByteArray referenceFile = QFile::encodeName(folder.filePath(QStringLiteral("ref.xlsx")));
    try {
        data::Connection db;
        db.open(t->socket, t->database, t->user, t->password);
        const auto exportYear = [&] {
            output::Spreadsheet sheet;
            sheet.openForSave();
            reports::exportSummary(db, period, sheet, {});
            sheet.saveTo(programFile);
        };
        std::vector<bench::Sent> sent;
        {
            bench::Recorder recorder(db);
            exportYear();
            sent = recorder.sent;
        }
        Reference reference(*t, sent);
        const auto ms = bench::alternatedRuns(
            runs, {bench::timed(exportYear), bench::timed([&] { reference.run(referenceFile); })},
            1);
        const double p = bench::median(ms[0]), r = bench::median(ms[1]);
        std::printf("summary export of %d, %d rows, %d runs: program median %.0f ms (%lld "
                    "bytes), libpq + libxlsxwriter %.0f ms (%lld bytes), ratio %.2f\n",
                    year, reference.cells_, runs, p, QFileInfo(programFile).size(), r,
                    QFileInfo(QString::fromLocal8Bit(referenceFile)).size(), p / r);
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
