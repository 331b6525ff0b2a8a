// Times the two large spreadsheet exports through output::Spreadsheet against the same cells
// written by direct libxlsxwriter calls in the same run, files written both ways: a month of
// journal positions by plain writes (mark, type, kind, boxes, quantity), and that month's
// timesheet by formatting writes (text format, column fit, bold), 33 columns per worker.
// The files go into a throw-away home folder.
//
//   bench_spreadsheet_export SOCKET DATABASE USER PASSWORD_FILE [MONTH(YYYY-MM) [RUNS]]
#include "data/Error.h"
#include "output/Spreadsheet.h"
#include "state/DataModule.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>
#include <xlsxwriter.h>

namespace {

// A cell as an export hands it over: its text, and for the direct calls what the caller
// knows it to be.
struct Cell {
    int row, column;
    QString text;
    bool isNumber;
    double number;
    bool asText, bold;
};

struct Export {
    std::vector<Cell> cells;
    bool formatted; // formatting writes, every one with the column fit
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

Cell text(int row, int column, const QString& t, bool asText = false, bool bold = false) {
    return {row, column, t, false, 0, asText, bold};
}
Cell number(int row, int column, double value, const QString& t, bool bold = false) {
    return {row, column, t, true, value, false, bold};
}

Export positions(data::Connection& connection, const QDate& month) {
    data::ResultSet rs(connection);
    rs.setSql("select izdel.marka, vid_oper.vid, oper.naimen, smena.kol_vo * izdel.massa as mass, "
              "smena.kol_vo from accounts_dep.smena join accounts_dep.oper on oper.id = smena.o_id "
              "join accounts_dep.izdel on izdel.id = smena.i_id join accounts_dep.vid_oper on "
              "vid_oper.id = oper.vid where smena.data >= :data1 and smena.data < :data2 and "
              "smena.ok <> 'ta' order by smena.data, smena.smena, smena.id");
    rs.setParam("data1", month.startOfDay());
    rs.setParam("data2", month.addMonths(1).startOfDay());
    rs.open();
    Export e{{}, false};
    const QStringList heading = {"Наименование", "Операция", "Вид продукции", "Коробки", "Кол-во"};
    for (int c = 0; c < heading.size(); ++c)
        e.cells.push_back(text(1, c + 1, heading[c]));
    int row = 2;
    for (rs.first(); !rs.eof(); rs.next(), ++row) {
        e.cells.push_back(text(row, 1, rs.asString("marka")));
        e.cells.push_back(text(row, 2, rs.asString("vid")));
        e.cells.push_back(
            text(row, 3, rs.asInt("naimen") == 0 ? "Готовая продукция" : "Заготовки"));
        const double mass = rs.asDouble("mass");
        e.cells.push_back(number(row, 4, mass, QString::number(mass, 'g', 15).replace(u'.', u',')));
        const double quantity = double(qRound64(rs.asDouble("kol_vo")));
        e.cells.push_back(number(row, 5, quantity, QString::number(qint64(quantity))));
    }
    return e;
}

Export timesheet(data::Connection& connection, const QDate& month) {
    QString sums;
    for (int d = 1; d <= 31; ++d)
        sums += QStringLiteral(", sum(h_tabel.d%1) as sd%1").arg(d);
    data::ResultSet rs(connection);
    rs.setSql("select person.s_caption fio" + sums +
              " from accounts_dep.h_tabel join cmn_contractor.person on h_tabel.w_id = "
              "person.s_code::integer where month = :mnth and year = :yea group by "
              "person.s_caption order by fio");
    rs.setParam("mnth", month.month());
    rs.setParam("yea", month.year());
    rs.open();
    Export e{{}, true};
    e.cells.push_back(text(1, 1, month.toString("MM.yyyy"), true, true));
    e.cells.push_back(text(2, 1, "Фамилия И.О.", true, true));
    for (int d = 1; d <= 31; ++d)
        e.cells.push_back(number(2, d + 1, d, QString::number(d), true));
    e.cells.push_back(text(2, 33, "Итого", true, true));
    int row = 3;
    for (rs.first(); !rs.eof(); rs.next(), ++row) {
        e.cells.push_back(text(row, 1, rs.asString("fio"), true));
        int total = 0;
        for (int d = 1; d <= 31; ++d) {
            const int hours = rs.asInt(QStringLiteral("sd%1").arg(d));
            total += hours;
            e.cells.push_back(number(row, d + 1, hours, QString::number(hours)));
        }
        e.cells.push_back(number(row, 33, total, QString::number(total)));
    }
    return e;
}

void throughWrapper(const Export& e, output::Spreadsheet& sheet) {
    if (sheet.open(QString()) != 1)
        throw data::Error("open failed");
    for (const Cell& c : e.cells) {
        if (e.formatted)
            sheet.writeFormatted(1, c.column, c.row, c.text,
                                 {.asText = c.asText, .fitColumn = true, .bold = c.bold});
        else
            sheet.write(1, c.column, c.row, c.text);
    }
    if (sheet.show(true) != 1)
        throw data::Error("show failed");
}

// What a caller that knows its types would do without the wrapper: the same mode, cells and
// formats, widths from the longest text.
void direct(const Export& e, const QString& path) {
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Лист1");
    lxw_format* asText = workbook_add_format(wb);
    format_set_num_format_index(asText, 49);
    lxw_format* bold = workbook_add_format(wb);
    format_set_bold(bold);
    lxw_format* both = workbook_add_format(wb);
    format_set_num_format_index(both, 49);
    format_set_bold(both);
    lxw_format* formats[4] = {nullptr, asText, bold, both};
    if (e.formatted) {
        std::map<int, qsizetype> longest;
        for (const Cell& c : e.cells)
            longest[c.column] = std::max(longest[c.column], c.text.size());
        for (const auto& [column, length] : longest)
            worksheet_set_column(ws, lxw_col_t(column - 1), lxw_col_t(column - 1),
                                 double(length) + 1, nullptr);
    }
    for (const Cell& c : e.cells) {
        lxw_format* f = formats[(c.asText ? 1 : 0) | (c.bold ? 2 : 0)];
        if (c.isNumber)
            worksheet_write_number(ws, lxw_row_t(c.row - 1), lxw_col_t(c.column - 1), c.number, f);
        else
            worksheet_write_string(ws, lxw_row_t(c.row - 1), lxw_col_t(c.column - 1),
                                   c.text.toUtf8().constData(), f);
    }
    if (workbook_close(wb) != LXW_NO_ERROR)
        throw data::Error("direct write failed: " + path);
}

// The two ways take turns, so a machine busy with something else slows both alike.
void timed(int runs, const std::function<void()>& one, const std::function<void()>& other,
           std::vector<double>& oneMs, std::vector<double>& otherMs) {
    for (int i = -1; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        one();
        const double first = t.nsecsElapsed() / 1e6;
        t.restart();
        other();
        if (i >= 0) {
            oneMs.push_back(first);
            otherMs.push_back(t.nsecsElapsed() / 1e6);
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 5) {
        std::fprintf(stderr, "usage: %s SOCKET DATABASE USER PASSWORD_FILE [MONTH [RUNS]]\n",
                     argv[0]);
        return 2;
    }
    QFile pwFile(a[4]);
    if (!pwFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read the password file\n");
        return 2;
    }
    const QDate month = QDate::fromString((a.size() > 5 ? a[5] : "2025-06") + "-01", Qt::ISODate);
    const int runs = a.size() > 6 ? a[6].toInt() : 10;

    // The wrapper writes into the documents folder: let that be a throw-away one.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + "/.config"));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    output::Spreadsheet::setDefaultOpener([](const QString&) { return true; });

    state::DataModule dm;
    try {
        dm.connection.open(a[1], a[2], a[3], QString::fromUtf8(pwFile.readAll()).trimmed());
        const Export exports[] = {positions(dm.connection, month), timesheet(dm.connection, month)};
        const char* names[] = {"positions, plain writes", "timesheet, formatting writes"};
        double wrapperTotal = 0, directTotal = 0;
        std::printf("spreadsheet export of %s, %d runs (median ms)\n",
                    qPrintable(month.toString("yyyy-MM")), runs);
        for (int i = 0; i < 2; ++i) {
            const Export& e = exports[i];
            output::Spreadsheet sheet;
            const QString raw = documents + "/direct.xlsx";
            std::vector<double> wrapper, directly;
            timed(
                runs, [&] { throughWrapper(e, sheet); },
                [&] {
                    QFile::remove(raw);
                    direct(e, raw);
                },
                wrapper, directly);
            const int rows = e.cells.empty() ? 0 : e.cells.back().row;
            std::printf("  %-29s %6d rows %7zu cells: wrapper %8.1f (min %.1f, %lld KB), "
                        "direct %8.1f (min %.1f, %lld KB), ratio %.2f\n",
                        names[i], rows, e.cells.size(), median(wrapper),
                        *std::min_element(wrapper.begin(), wrapper.end()),
                        QFileInfo(sheet.lastFile()).size() / 1024, median(directly),
                        *std::min_element(directly.begin(), directly.end()),
                        QFileInfo(raw).size() / 1024, median(wrapper) / median(directly));
            wrapperTotal += median(wrapper);
            directTotal += median(directly);
        }
        std::printf("  both: wrapper %.1f ms, direct %.1f ms, ratio %.2f\n", wrapperTotal,
                    directTotal, wrapperTotal / directTotal);
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
