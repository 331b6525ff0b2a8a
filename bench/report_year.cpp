// One summary report over a whole year, as one process does it: the rows fetched, the pages
// laid out, then either the PDF written or the preview opened until its first page is drawn.
// Prints the milliseconds and CPU of each step, the heap the pages hold and the process's peak
// memory, so bench/run can set the PDF against the preview, each in a process of its own.
//
//   bench_report_year SOCKET DATABASE USER PASSWORD_FILE YEAR NUMBER pdf FILE | preview
#include "Timing.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "output/ReportOutput.h"
#include "reports/SummaryReports.h"
#include "ui/PreviewWindow.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <climits>
#include <malloc.h>
#include <memory>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double peakMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

double heapMb() {
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd) / (1024.0 * 1024.0);
}

// Wall and CPU time of one step.
struct Step {
    QElapsedTimer wall;
    double cpu = cpuSeconds();
    Step() { wall.start(); }
    void print(const char* what) const {
        std::printf("  %-28s %8.0f ms, CPU %6.2f s\n", what, wall.nsecsElapsed() / 1e6,
                    cpuSeconds() - cpu);
    }
};

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const auto t = bench::target(app.arguments(), 3, "YEAR NUMBER pdf FILE | preview");
    if (!t)
        return 2;
    const int year = t->more[0].toInt();
    const int number = t->more[1].toInt();
    const bool pdf = t->more[2] == QLatin1String("pdf");
    const reports::ReportPeriod period{QDate(year, 1, 1), QDate(year, 12, 31),
                                       -1}; // as a user types it
    const reports::SummaryReport* row = nullptr;
    for (const reports::SummaryReport& r : reports::summaryReports())
        if (r.number == number)
            row = &r;
    if (!row || (pdf && t->more.size() < 4)) {
        std::fprintf(stderr, "no such report, or no file for the PDF\n");
        return 2;
    }
    try {
        data::Connection db;
        db.open(t->socket, t->database, t->user, t->password);
        std::printf("TForm%d of %d, %s (%s platform)\n", number, year, pdf ? "PDF" : "preview",
                    qPrintable(QGuiApplication::platformName()));
        const double heapBefore = heapMb();
        // The reports' own read (statement, plans, memory), then the rows laid out.
        Step fetch;
        std::unique_ptr<output::Preparation> preparation =
            reports::startSummary(db, number, period);
        fetch.print("rows fetched");
        Step arrived;
        if (pdf) {
            Step prepare;
            preparation->advance(INT_MAX);
            const std::shared_ptr<output::PreparedReport> pages = preparation->pages();
            preparation.reset();
            prepare.print("pages prepared");
            std::printf("  %-28s %8zu pages, %.1f MB of heap\n", "prepared pages hold",
                        pages->pages.size(), heapMb() - heapBefore);
            Step write;
            output::writePdf(*pages, t->more[3]);
            write.print("PDF written");
        } else {
            std::unique_ptr<ui::PreviewWindow> window(
                ui::createPreview(std::move(preparation), ui::Zoom::PageWidth, nullptr));
            window->show();
            QApplication::processEvents();
            // The first page as the screen gets it: the pages' view drawn once more.
            QAbstractScrollArea* view = nullptr; // the pages' view: the largest one shown
            for (QAbstractScrollArea* a : window->findChildren<QAbstractScrollArea*>())
                if (a->isVisible() &&
                    (!view || a->width() * a->height() > view->width() * view->height()))
                    view = a;
            if (!view || view->viewport()->grab().isNull() || !window->isVisible()) {
                std::fprintf(stderr, "the preview did not open\n");
                return 1;
            }
            arrived.print("preview's first page drawn");
            while (!window->complete())
                QApplication::processEvents();
            const size_t pageCount = window->report().pages.size();
            arrived.print("every page laid out");
            std::printf("  %-28s %8zu pages, %.1f MB of heap\n", "the preview holds", pageCount,
                        heapMb() - heapBefore);
        }
        std::printf("  %-28s CPU %.2f s, peak %.0f MB\n", "whole process", cpuSeconds(), peakMb());
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
