// What a report server spares the primary: eight connections save positions on the primary
// as the position dialog does (insert and day roll-up, committed), first alone, then while a
// year's layout 20 is prepared again and again from the standby, then from the primary. The
// saves' median and 95th percentile in each phase, and the report's median.
//
//   bench_report_standby SOCKET DATABASE USER PASSWORD_FILE STANDBY_SOCKET [YEAR [SECONDS]]
#include "SavedPositions.h"
#include "Timing.h"
#include "data/Error.h"
#include "data/SqlText.h"
#include "journal/JournalStatements.h"
#include "journal/PositionStore.h"
#include "reports/SummaryReports.h"
#include "state/DataModule.h"

#include <QApplication>
#include <QDate>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

constexpr int savers = 8;

// Positions of the year after the report's, so the report never reads what the saves write.
std::vector<journal::PositionValues> positionsToCopy(data::Connection& db, int year) {
    data::ResultSet rows(db);
    rows.setSql("select w_id, i_id, o_id, cena, kol_vo, brak, time, data, smena, id_doc, "
                "id_doc_item, color from accounts_dep.smena where data >= make_date(:y, 3, 1) "
                "and smena < 4 order by id limit 400");
    rows.setParam("y", year + 1);
    rows.open();
    return bench::savedPositions(rows);
}

struct Phase {
    std::vector<double> saves, reports;
};

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 1, "STANDBY_SOCKET [YEAR [SECONDS]]");
    if (!t)
        return 2;
    const QString standbySocket = t->more[0];
    const int year = t->more.value(1, QStringLiteral("2025")).toInt();
    const int seconds = t->more.value(2, QStringLiteral("30")).toInt();
    const reports::ReportPeriod period{QDate(year, 1, 1), QDate(year, 12, 31), -1};
    try {
        data::Connection primary, standby;
        primary.open(t->socket, t->database, t->user, t->password);
        standby.open(standbySocket, t->database, t->user, t->password);
        const std::vector<journal::PositionValues> values = positionsToCopy(primary, year);
        if (values.size() < savers)
            throw data::Error(QStringLiteral("too few positions to copy"));

        std::mutex idsLock;
        std::vector<int> inserted;
        // Each saver copies its own share of the positions, so no two wait for one day cell.
        auto runPhase = [&](data::Connection* reportOn) {
            Phase phase;
            std::atomic<bool> stop{false};
            std::mutex lock;
            std::vector<std::thread> threads;
            for (int s = 0; s < savers; ++s)
                threads.emplace_back([&, s] {
                    state::DataModule dm;
                    dm.connection.open(t->socket, t->database, t->user, t->password);
                    journal::PositionStore store(dm);
                    std::vector<double> mine;
                    std::vector<int> ids;
                    for (size_t i = size_t(s); !stop; i += savers) {
                        const journal::PositionValues& v = values[i % values.size()];
                        QElapsedTimer timer;
                        timer.start();
                        ids.push_back(store.insert(v, v.date));
                        mine.push_back(timer.nsecsElapsed() / 1e6);
                    }
                    const std::scoped_lock guard(lock, idsLock);
                    phase.saves.insert(phase.saves.end(), mine.begin(), mine.end());
                    inserted.insert(inserted.end(), ids.begin(), ids.end());
                });
            QElapsedTimer phaseTime;
            phaseTime.start();
            while (phaseTime.elapsed() < seconds * 1000) {
                if (!reportOn) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                    continue;
                }
                QElapsedTimer timer;
                timer.start();
                const output::PreparedReport pages = reports::prepareSummary(*reportOn, 20, period);
                phase.reports.push_back(timer.nsecsElapsed() / 1e6);
                if (pages.pages.empty())
                    throw data::Error(QStringLiteral("the report has no pages"));
            }
            stop = true;
            for (std::thread& th : threads)
                th.join();
            return phase;
        };
        auto percentile95 = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return v.empty() ? 0.0 : v[std::min(v.size() - 1, size_t(v.size() * 0.95))];
        };
        std::printf("report_standby: %d savers on the primary, layout 20 of %d, %d s a phase\n",
                    savers, year, seconds);
        const struct {
            const char* name;
            data::Connection* reportOn;
        } phases[] = {{"no report", nullptr},
                      {"report on the standby", &standby},
                      {"report on the primary", &primary}};
        for (const auto& p : phases) {
            const Phase phase = runPhase(p.reportOn);
            std::printf("  %-24s saves: %6zu, median %7.2f ms, p95 %7.2f ms", p.name,
                        phase.saves.size(), bench::median(phase.saves), percentile95(phase.saves));
            if (!phase.reports.empty())
                std::printf("; report: %zu, median %.0f ms", phase.reports.size(),
                            bench::median(phase.reports));
            std::printf("\n");
            std::fflush(stdout);
        }
        // The copies go again; their day cells keep the added hours, as after any delete.
        data::ResultSet gone(primary);
        QStringList idText;
        for (int id : inserted)
            idText << QString::number(id);
        gone.setSql("with d as (delete from accounts_dep.smena where id = any(:ids::int[]) "
                    "returning 1) select count(*) as n from d");
        gone.setParam("ids", "{" + idText.join(',') + "}");
        gone.open();
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
