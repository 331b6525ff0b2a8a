// The timesheet's export of a month end to end, as "Excel" in the timesheet window runs it (the
// statement, every cell, the column widths, the .xlsx written to the documents folder), against
// a bare reference: libpq running what the program sent and libxlsxwriter writing the same
// cells (names as text, hours and totals as numbers, the heading bold, each column as wide as
// its longest text), alternating run by run.
//
//   bench_timesheet_export SOCKET DATABASE USER PASSWORD_FILE [YYYY-MM [RUNS]]
#include "Replay.h"
#include "data/Error.h"
#include "output/Spreadsheet.h"
#include "timesheet/TimesheetExport.h"
#include "timesheet/TimesheetPrint.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <xlsxwriter.h>

namespace {

class Reference {
public:
    Reference(const bench::Target& t, std::vector<bench::Sent> sent) : libpq_(t, std::move(sent)) {}

    void run(const QByteArray& path, const QByteArray& heading) {
        PGresult* rows = libpq_.runForRows();
        // streamed as the program writes it: rows straight to the file
        lxw_workbook_options options = {};
        options.constant_memory = LXW_TRUE;
        lxw_workbook* book = workbook_new_opt(path.constData(), &options);
        lxw_worksheet* sheet = workbook_add_worksheet(book, "Лист1");
        lxw_format* text = workbook_add_format(book);
        format_set_num_format(text, "@");
        lxw_format* bold = workbook_add_format(book);
        format_set_bold(bold);
        lxw_format* boldText = workbook_add_format(book);
        format_set_bold(boldText);
        format_set_num_format(boldText, "@");
        std::vector<size_t> widths(33, 0);
        const auto wrote = [&widths](int column, size_t length) {
            widths[size_t(column)] = std::max(widths[size_t(column)], length);
        };
        worksheet_write_string(sheet, 0, 0, heading.constData(), boldText);
        worksheet_write_string(sheet, 1, 0, "Фамилия И.О.", boldText);
        for (int day = 1; day <= 31; ++day) {
            worksheet_write_number(sheet, 1, lxw_col_t(day), day, bold);
            wrote(day, 2);
        }
        worksheet_write_string(sheet, 1, 32, "Итого", boldText);
        const int fio = PQfnumber(rows, "fio");
        for (int r = 0; r < PQntuples(rows); ++r) {
            const lxw_row_t row = lxw_row_t(r + 2);
            const char* name = PQgetvalue(rows, r, fio);
            worksheet_write_string(sheet, row, 0, name, text);
            wrote(0, QString::fromUtf8(name).size());
            long long sum = 0;
            for (int day = 1; day <= 31; ++day) {
                const long long hours = atoll(PQgetvalue(rows, r, fio + day));
                sum += hours;
                worksheet_write_number(sheet, row, lxw_col_t(day), double(hours), nullptr);
                wrote(day, QByteArray::number(hours).size());
            }
            worksheet_write_number(sheet, row, 32, double(sum), nullptr);
            wrote(32, QByteArray::number(sum).size());
        }
        for (int c = 0; c < 33; ++c)
            worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), double(widths[size_t(c)]) + 1,
                                 nullptr);
        workers_ = PQntuples(rows);
        workbook_close(book);
        PQclear(rows);
    }
    int workers_ = 0;

private:
    bench::LibpqReference libpq_;
};

} // namespace

int main(int argc, char* argv[]) {
    // The export writes into the documents folder: a throw-away one.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DOCUMENTS_DIR", QFile::encodeName(home.filePath(QStringLiteral("Documents"))));
    QDir(home.path()).mkpath(QStringLiteral("Documents"));
    QCoreApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 0, "[YYYY-MM [RUNS]]");
    if (!t)
        return 2;
    const QDate month = QDate::fromString(t->more.value(0, QStringLiteral("2025-06")) + "-01",
                                          QStringLiteral("yyyy-MM-dd"));
    const int runs = t->more.size() > 1 ? t->more[1].toInt() : 10;
    const QString heading = QStringLiteral("Табель за %1").arg(month.toString("MM.yyyy"));
    const QByteArray referenceFile = QFile::encodeName(home.filePath(QStringLiteral("ref.xlsx")));
    output::Spreadsheet::setDefaultOpener([](const QString&) { return true; });
    try {
        data::Connection db;
        db.open(t->socket, t->database, t->user, t->password);
        timesheet::TimesheetPrint print(db);
        const auto exportMonth = [&] {
            timesheet::exportMonth(print, month.month(), month.year(), heading,
                                   [](const QString&) {});
        };
        std::vector<bench::Sent> sent;
        {
            bench::Recorder recorder(db);
            exportMonth();
            sent = recorder.sent;
        }
        Reference reference(*t, sent);
        const auto ms =
            bench::alternatedRuns(runs, {bench::timed(exportMonth), bench::timed([&] {
                                             reference.run(referenceFile, heading.toUtf8());
                                         })},
                                  1);
        const double p = bench::median(ms[0]), r = bench::median(ms[1]);
        std::printf("timesheet export of %s, %d workers, %d runs: program median %.1f ms, "
                    "libpq + libxlsxwriter %.1f ms, ratio %.2f\n",
                    qPrintable(month.toString("yyyy-MM")), reference.workers_, runs, p, r, p / r);
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
