// Times the day cell roll-up on a plant's years of data: one roll-up of a busy worker's day
// (median of RUNS), and 300 roll-ups in a row over that worker's days, as a monthly catch-up
// or a busy shift would run them.
//
//   bench_rollup SOCKET DATABASE USER PASSWORD_FILE [RUNS]
#include "Timing.h"
#include "data/Error.h"
#include "journal/HoursRollup.h"
#include "state/DataModule.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const auto t = bench::target(app.arguments(), 0, "[RUNS]");
    if (!t)
        return 2;
    const int runs = t->more.isEmpty() ? 30 : t->more[0].toInt();
    state::DataModule dm;
    try {
        dm.connection.open(t->socket, t->database, t->user, t->password);
        // The worker and shift with the most positions, and their 300 latest days.
        data::ResultSet days(dm.connection);
        days.setSql("with busy as (select w_id, smena from accounts_dep.smena group by w_id, "
                    "smena order by count(*) desc limit 1) select s.w_id, s.smena, s.data from "
                    "accounts_dep.smena s join busy using (w_id, smena) group by s.w_id, "
                    "s.smena, s.data order by s.data desc limit 300");
        days.open();
        const int worker = days.asInt("w_id"), shift = days.asInt("smena");
        const QDate first = days.asDate("data");
        std::vector<QDate> dates;
        for (days.first(); !days.eof(); days.next())
            dates.push_back(days.asDate("data"));

        std::vector<double> one = bench::timedRuns(
            runs, [&] { journal::rollUpDayCell(dm, worker, first, shift); }, {}, 0);
        std::sort(one.begin(), one.end());
        std::vector<double> batch = bench::timedRuns(
            std::max(3, runs / 10),
            [&] {
                for (const QDate& d : dates)
                    journal::rollUpDayCell(dm, worker, d, shift);
            },
            {}, 0);
        std::sort(batch.begin(), batch.end());
        std::printf("roll-up of worker %d, shift %d: one day median %.3f ms (min %.3f), "
                    "%zu days in a row median %.1f ms (min %.1f)\n",
                    worker, shift, one[one.size() / 2], one.front(), dates.size(),
                    batch[batch.size() / 2], batch.front());
    } catch (const data::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    return 0;
}
