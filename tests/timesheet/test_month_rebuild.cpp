// A month of the timesheet rebuilt from the journal in one transaction, equal to the journal's
// own day-by-day roll-up.
#include "PreparedModule.h"
#include "TestDatabase.h"
#include "data/Error.h"
#include "data/Transaction.h"
#include "journal/HoursRollup.h"
#include "journal/PositionStore.h"
#include "journal/Positions.h"
#include "state/DataModule.h"
#include "timesheet/MonthRebuild.h"

#include <atomic>
#include <barrier>
#include <gtest/gtest.h>
#include <thread>

namespace {

class MonthRebuildTest : public ::testing::Test {
protected:
    // The positions' operation 1.
    static void SetUpTestSuite() {
        testdb::exec(QString::fromUtf8(
            "insert into accounts_dep.vid_oper(id, vid) values (1, 'Сборка'); insert into "
            "accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (1, 1, 0, 1, 1)"));
    }
    void SetUp() override {
        testdb::truncate("accounts_dep.smena, accounts_dep.h_tabel restart identity cascade");
        testdb::openAs(dm.connection, "master", "master");
    }
    static void position(const QString& worker, const QString& date, int shift,
                         const QString& hours, const QString& ok = "no") {
        testdb::exec(QString("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, "
                             "kol_vo, time, ok) values ('%1', %2, %3, 1, 1, 1, 1, %4, '%5')")
                         .arg(date)
                         .arg(shift)
                         .arg(worker, hours, ok));
    }
    // "w/shift:cells" of every row of the month, the non-zero cells as "day=hours".
    static QString month(int month, int year, bool withIds = false) {
        QStringList days;
        for (int d = 1; d <= 31; ++d)
            days << QString("case when d%1 <> 0 then '%1=' || d%1 end").arg(d);
        return testdb::exec(QString("select coalesce(string_agg(%1w_id || '/' || smena || ':' || "
                                    "concat_ws(',', %2), ' ' order by w_id, smena), '') from "
                                    "accounts_dep.h_tabel where month = %3 and year = %4")
                                .arg(withIds ? "id || '#' || " : "", days.join(", "))
                                .arg(month)
                                .arg(year))
            .toString();
    }
    // The same month made the journal's way: a roll-up for every worker, date and shift
    // with positions.
    QString rolledUp(int m, int y) {
        testdb::exec(QString("delete from accounts_dep.h_tabel where month = %1 and year = %2")
                         .arg(m)
                         .arg(y));
        const QStringList cells =
            testdb::exec(QString("select string_agg(distinct w_id || ',' || data || ',' || smena, "
                                 "';') from accounts_dep.smena where w_id is not null and "
                                 "extract(month from data) = %1 and extract(year from data) = %2")
                             .arg(m)
                             .arg(y))
                .toString()
                .split(';', Qt::SkipEmptyParts);
        for (const QString& cell : cells) {
            const QStringList p = cell.split(',');
            journal::rollUpDayCell(dm, p[0].toInt(), QDate::fromString(p[1], Qt::ISODate),
                                   p[2].toInt());
        }
        return month(m, y);
    }
    testdb::PreparedModule dm;
};

TEST_F(MonthRebuildTest, TheMonthEqualsTheRollUpOfEveryCell) {
    position("501", "2024-02-05", 1, "5");
    position("501", "2024-02-05", 1, "3", "ok"); // accepted and not, summed
    position("501", "2024-02-05", 2, "4");       // another shift, another row
    position("501", "2024-02-29", 4, "2", "ta"); // overtime and leap day
    position("502", "2024-02-01", 3, "9");
    position("503", "2024-02-10", 1, "null"); // only empty hours: a row of zeros
    position("null", "2024-02-10", 1, "7");   // no worker: left out
    position("504", "2024-01-31", 1, "6");    // around the month
    position("504", "2024-03-01", 1, "6");
    // A stale row of the month goes; a neighbour month's row stays as it was.
    testdb::exec("insert into accounts_dep.h_tabel(w_id, smena, month, year, d3) values "
                 "(505, 1, 2, 2024, 8), (504, 1, 1, 2024, 1), (504, 1, 3, 2024, 1)");

    timesheet::MonthRebuild rebuild(dm.connection);
    rebuild.run(2, 2024);
    const QString rebuilt = month(2, 2024);
    EXPECT_EQ(rebuilt, "501/1:5=8 501/2:5=4 501/4:29=2 502/3:1=9 503/1:");
    EXPECT_EQ(month(1, 2024, true), "2#504/1:3=1");
    EXPECT_EQ(month(3, 2024, true), "3#504/1:3=1");
    EXPECT_EQ(rolledUp(2, 2024), rebuilt);

    // December runs into the next year; a month without positions ends empty.
    position("601", "2026-12-31", 2, "11");
    position("601", "2027-01-01", 2, "3");
    position("601", "2026-11-30", 2, "4");
    rebuild.run(12, 2026);
    EXPECT_EQ(month(12, 2026), "601/2:31=11");
    EXPECT_EQ(rolledUp(12, 2026), "601/2:31=11");
    rebuild.run(4, 2024);
    EXPECT_EQ(month(4, 2024), "");
}

TEST_F(MonthRebuildTest, ARefusedDayTotalLeavesTheMonthAsItWas) {
    position("501", "2024-02-05", 1, "8");
    timesheet::MonthRebuild rebuild(dm.connection);
    rebuild.run(2, 2024);
    const QString before = month(2, 2024, true);
    ASSERT_EQ(before, "1#501/1:5=8");

    position("502", "2024-02-06", 1, "20000");
    position("502", "2024-02-06", 1, "20000"); // 40 000 does not fit the cell
    position("501", "2024-02-07", 1, "4");
    try {
        rebuild.run(2, 2024);
        FAIL() << "the rebuild was not refused";
    } catch (const data::DbError& e) {
        EXPECT_TRUE(e.text().contains("smallint")) << e.text().toStdString();
        EXPECT_TRUE(e.text().startsWith(QString::fromUtf8("Табель за 02.2024 не пересчитан")))
            << e.text().toStdString();
    }
    EXPECT_EQ(month(2, 2024, true), before);
    EXPECT_FALSE(dm.connection.inTransaction());
}

// Two workstations start the rebuild of one month together: the second waits on the month's
// lock, then rebuilds from what the first committed; neither sees an error.
TEST_F(MonthRebuildTest, TwoWorkstationsRebuildingOneMonthQueue) {
    position("501", "2024-02-05", 1, "8");
    position("502", "2024-02-06", 2, "6");
    testdb::exec("begin; select pg_advisory_xact_lock(2024, 2)");
    QStringList errors;
    std::mutex errorsLock;
    std::vector<std::thread> stations;
    for (int k = 0; k < 2; ++k)
        stations.emplace_back([&] {
            data::Connection own;
            testdb::openAs(own, "master", "master");
            try {
                timesheet::MonthRebuild(own).run(2, 2024);
            } catch (const data::Error& e) {
                const std::lock_guard<std::mutex> hold(errorsLock);
                errors << e.text();
            }
        });
    int waiting = 0;
    for (int i = 0; i < 100 && waiting < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        // Other test programs wait on locks of their own databases meanwhile.
        waiting = testdb::exec("select count(*) from pg_locks where locktype = 'advisory' and "
                               "not granted and database = (select oid from pg_database where "
                               "datname = current_database())")
                      .toInt();
    }
    position("503", "2024-02-07", 1, "7"); // committed while both wait
    testdb::exec("commit");
    for (std::thread& t : stations)
        t.join();
    EXPECT_EQ(waiting, 2) << "the two really met";
    EXPECT_EQ(errors, QStringList());
    EXPECT_EQ(month(2, 2024), "501/1:5=8 502/2:6=6 503/1:7=7");
}

// A roll-up of a workstation saving a position meets a rebuild not yet committed: it waits
// for the rebuilt row and then writes its cell into it.
TEST_F(MonthRebuildTest, ARollUpWaitsForTheRebuildAndWritesItsCell) {
    position("501", "2024-02-05", 1, "8");
    journal::rollUpDayCell(dm, 501, QDate(2024, 2, 5), 1);

    data::Connection rebuilding;
    testdb::openAs(rebuilding, "master", "master");
    auto open = std::make_unique<data::Transaction>(rebuilding);
    timesheet::MonthRebuild(rebuilding).run(2, 2024); // joins the open transaction

    position("501", "2024-02-05", 1, "2");
    QString error;
    std::thread station([&] {
        try {
            journal::rollUpDayCell(dm, 501, QDate(2024, 2, 5), 1);
        } catch (const data::Error& e) {
            error = e.text();
        }
    });
    int waiting = 0;
    for (int i = 0; i < 100 && waiting < 1; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        waiting = testdb::exec("select count(*) from pg_stat_activity where wait_event_type = "
                               "'Lock' and datname = current_database()")
                      .toInt();
    }
    open->commit();
    station.join();
    EXPECT_EQ(waiting, 1) << "the two really met";
    EXPECT_EQ(error, "");
    EXPECT_EQ(month(2, 2024), "501/1:5=10");
}

// Cells of November 2026 that differ from the hours of their positions, as "w/shift/day:
// cell instead of hours", summed here without the program's roll-up.
QString cellsDifferingFromPositions() {
    return testdb::exec(R"(
with positions as (
    select w_id, smena, extract(day from data)::int as day, sum(coalesce(time, 0)) as hours
    from accounts_dep.smena
    where data >= '2026-11-01' and data < '2026-12-01' and w_id is not null
    group by 1, 2, 3),
cells as (
    select h.w_id, h.smena, d as day, (array[d1,d2,d3,d4,d5,d6,d7,d8,d9,d10,d11,d12,d13,d14,
           d15,d16,d17,d18,d19,d20,d21,d22,d23,d24,d25,d26,d27,d28,d29,d30,d31])[d] as hours
    from accounts_dep.h_tabel h cross join generate_series(1, 30) d
    where h.month = 11 and h.year = 2026)
select coalesce(string_agg(w_id || '/' || smena || '/' || day || ': ' || coalesce(c.hours, 0)
                || ' instead of ' || coalesce(p.hours, 0), ', '), '')
from positions p full join cells c using (w_id, smena, day)
where coalesce(c.hours, 0) <> coalesce(p.hours, 0))")
        .toString();
}

// Seven workstations save, change and delete positions of a month while others rebuild it, in
// many rounds: after everything has committed, every cell holds the hours of its positions,
// and nobody was told of a deadlock or any other error.
TEST_F(MonthRebuildTest, RebuildsMeetingSavesChangesAndDeletesLeaveEveryCellRight) {
    testdb::exec("insert into accounts_dep.vid_oper(id, vid) values (1, 'Сборка') on conflict do "
                 "nothing; insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values "
                 "(1, 1, 0, 1, 1) on conflict do nothing");
    struct Case {
        int rebuilders, rounds;
    };
    for (const Case c : {Case{1, 20}, Case{2, 10}}) {
        SCOPED_TRACE(c.rebuilders);
        constexpr int stations = 7;
        const QByteArray steps = "IUIDIU"; // insert, update, delete
        const int connections = stations + c.rebuilders;
        std::barrier meet(connections);
        std::atomic<int> savingStations{0};
        std::vector<QStringList> errors(static_cast<size_t>(connections));
        QStringList wrongRounds;
        std::mutex wrongLock;
        std::vector<std::thread> threads;
        for (int k = 0; k < connections; ++k)
            threads.emplace_back([&, k] {
                testdb::PreparedModule own;
                testdb::openAs(own.connection, "master", "master");
                journal::PositionStore store(own);
                journal::Positions positions(own);
                timesheet::MonthRebuild rebuild(own.connection);
                std::vector<int> mine;
                for (int round = 0; round < c.rounds; ++round) {
                    meet.arrive_and_wait();
                    if (k == 0) {
                        // Each round starts from an empty month.
                        testdb::truncate("accounts_dep.smena, accounts_dep.h_tabel cascade");
                        savingStations = stations;
                    }
                    meet.arrive_and_wait();
                    try {
                        if (k >= stations) {
                            do
                                rebuild.run(11, 2026);
                            while (savingStations > 0);
                        } else {
                            mine.clear();
                            for (int step = 0; step < steps.size(); ++step) {
                                journal::PositionValues v;
                                // Three workers and three days shared by all stations.
                                v.workerCode = 900 + (k + step) % 3;
                                v.date = QDate(2026, 11, 10 + (round + step) % 3);
                                v.productId = v.operationId = 1;
                                v.finalPrice = 1;
                                v.quantity = "1";
                                v.rejects = "0";
                                v.hours = QString::number(1 + (k + step) % 5);
                                v.shift = 1 + step % 2;
                                switch (steps[step]) {
                                case 'I':
                                    mine.push_back(store.insert(v, QDate(2026, 11, 30)));
                                    break;
                                case 'U': // to another worker, day or shift
                                    store.update(mine.back(), v, QDate(2026, 11, 30));
                                    break;
                                case 'D':
                                    positions.remove(mine.back());
                                    mine.pop_back();
                                    break;
                                }
                            }
                        }
                    } catch (const data::Error& e) {
                        errors[size_t(k)] << e.text();
                    }
                    if (k < stations)
                        --savingStations;
                    meet.arrive_and_wait();
                    if (k == 0)
                        if (const QString wrong = cellsDifferingFromPositions(); !wrong.isEmpty()) {
                            const std::lock_guard<std::mutex> hold(wrongLock);
                            wrongRounds << QString("round %1: %2").arg(round).arg(wrong);
                        }
                }
            });
        for (std::thread& t : threads)
            t.join();
        for (int k = 0; k < connections; ++k)
            EXPECT_EQ(errors[size_t(k)].join("; ").toStdString(), "") << "connection " << k;
        EXPECT_EQ(wrongRounds.size(), 0) << wrongRounds.join("\n").toStdString();
    }
}

} // namespace
