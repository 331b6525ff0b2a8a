// Times showing a month of the timesheet for the plant's 300 workers: the month selection
// (the three shift grids) and the print's query and prepared pages, against psql running the
// four statements and a bare libpq client running them prepared, alternating run by run.
//
//   bench_timesheet_month SOCKET DATABASE USER PASSWORD_FILE [YYYY-MM [RUNS]]
#include "Replay.h"
#include "data/Error.h"
#include "state/DataModule.h"
#include "timesheet/TimesheetStatements.h"
#include "timesheet/TimesheetWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 0, "[YYYY-MM [RUNS]]");
    if (!t)
        return 2;
    const QDate month = QDate::fromString(t->more.value(0, "2025-06") + "-01", Qt::ISODate);
    const int runs = t->more.size() > 1 ? t->more[1].toInt() : 30;
    if (!month.isValid())
        return 2;
    state::DataModule dm;
    timesheet::statements::prepareShiftMonths(dm);
    try {
        dm.connection.open(t->socket, t->database, t->user, t->password);
        timesheet::TimesheetWindow window(dm);
        window.setToday([&] { return month; });
        auto* months = window.findChild<QComboBox*>(timesheet::TimesheetWindow::Names::month);
        auto* years = window.findChild<QComboBox*>(timesheet::TimesheetWindow::Names::year);
        months->blockSignals(true);
        years->blockSignals(true);
        months->setCurrentIndex(month.month() - 1);
        years->setCurrentText(QString::number(month.year()));

        int workers = 0, pages = 0;
        const bench::Comparison c = bench::compareWithPsql(dm.connection, *t, runs, [&] {
            window.selectMonth();
            timesheet::TimesheetPrint& print = window.printLayout();
            print.openMonth(month.month(), month.year());
            pages = int(print.prepare(months->currentText(), years->currentText()).pages.size());
            workers = print.monthRows.rowCount();
            print.monthRows.close();
        });
        std::printf("timesheet month %s (%d workers, %d pages):\n",
                    qPrintable(month.toString("yyyy-MM")), workers, pages);
        bench::printOverhead("select and print layout", c);
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
