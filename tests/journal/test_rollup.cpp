// The day cell of the timesheet follows the journal.
#include "PreparedModule.h"
#include "TestDatabase.h"
#include "data/Command.h"
#include "data/Error.h"
#include "data/Transaction.h"
#include "journal/HoursRollup.h"
#include "journal/Positions.h"
#include "state/DataModule.h"

#include <barrier>
#include <gtest/gtest.h>
#include <thread>

namespace {

class RollupTest : public ::testing::Test {
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
    static void position(int worker, const QString& date, int shift, const QString& hours,
                         const QString& ok = "no") {
        testdb::exec(QString("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, "
                             "kol_vo, time, ok) values ('%1', %2, %3, 1, 1, 1, 1, %4, '%5')")
                         .arg(date)
                         .arg(shift)
                         .arg(worker)
                         .arg(hours, ok));
    }
    // "d5=8,d9=3" for the non-zero cells of the worker's row, or "-" when there is no row.
    static QString row(int worker, int shift, int month, int year) {
        QStringList cells;
        const QString sql = QString("select * from accounts_dep.h_tabel where w_id=%1 and smena=%2 "
                                    "and month=%3 and year=%4")
                                .arg(worker)
                                .arg(shift)
                                .arg(month)
                                .arg(year);
        if (testdb::exec(QString("select count(*) from (%1) r").arg(sql)).toInt() == 0)
            return "-";
        for (int d = 1; d <= 31; ++d) {
            const int v = testdb::exec(QString("select d%1 from (%2) r").arg(d).arg(sql)).toInt();
            if (v != 0)
                cells << QString("d%1=%2").arg(d).arg(v);
        }
        return cells.join(',');
    }
    testdb::PreparedModule dm;
};

TEST_F(RollupTest, TheFirstPositionCreatesTheRowAndLaterOnesSum) {
    position(501, "2026-12-05", 1, "8");
    journal::rollUpDayCell(dm, 501, QDate(2026, 12, 5), 1);
    EXPECT_EQ(row(501, 1, 12, 2026), "d5=8");

    position(501, "2026-12-05", 1, "3", "ok"); // accepted or not, hours count alike
    position(501, "2026-12-05", 2, "5");       // another shift
    position(502, "2026-12-05", 1, "7");       // another worker
    journal::rollUpDayCell(dm, 501, QDate(2026, 12, 5), 1);
    EXPECT_EQ(row(501, 1, 12, 2026), "d5=11");

    testdb::exec("update accounts_dep.smena set time = 1 where w_id = 501 and time = 3");
    journal::rollUpDayCell(dm, 501, QDate(2026, 12, 5), 1);
    EXPECT_EQ(row(501, 1, 12, 2026), "d5=9");
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.h_tabel").toInt(), 1);
}

TEST_F(RollupTest, CellsFollowDayMonthAndShift) {
    struct Case {
        QString date;
        int shift;
        QString hours;
        int month, year;
        QString cells;
    };
    const QList<Case> cases = {
        {"2026-01-31", 1, "6", 1, 2026, "d31=6"},
        {"2024-02-29", 2, "4", 2, 2024, "d29=4"},
        {"2026-03-01", 4, "2", 3, 2026, "d1=2"}, // overtime rolls into rows of shift 4
        {"2026-04-10", 3, "null", 4, 2026, ""},  // empty hours add nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.date.toStdString());
        position(600, c.date, c.shift, c.hours);
        journal::rollUpDayCell(dm, 600, QDate::fromString(c.date, Qt::ISODate), c.shift);
        EXPECT_EQ(row(600, c.shift, c.month, c.year), c.cells);
    }
    position(600, "2026-04-10", 3, "null");
    journal::rollUpDayCell(dm, 600, QDate(2026, 4, 10), 3);
    EXPECT_EQ(row(600, 3, 4, 2026), "");
}

TEST_F(RollupTest, AWorkstationComingSecondLeavesOneRowWithTheRightSum) {
    position(777, "2026-12-07", 1, "5");
    position(777, "2026-12-07", 1, "2");
    // Another workstation has just inserted the first row of that worker and month, and
    // has not committed yet: this roll-up waits for it, then writes the cell.
    testdb::exec("begin; insert into accounts_dep.h_tabel(smena, w_id, month, year, d7) "
                 "values (1, 777, 12, 2026, 5)");
    QString error;
    std::thread second([&] {
        try {
            journal::rollUpDayCell(dm, 777, QDate(2026, 12, 7), 1);
        } catch (const data::Error& e) {
            error = e.text();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int waiting =
        testdb::exec("select count(*) from pg_stat_activity where wait_event_type = "
                     "'Lock' and datname = current_database()")
            .toInt();
    testdb::exec("commit");
    second.join();
    EXPECT_EQ(waiting, 1) << "the two really met";
    EXPECT_EQ(error, "");
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.h_tabel where w_id = 777").toInt(),
              1);
    EXPECT_EQ(row(777, 1, 12, 2026), "d7=7");
}

TEST_F(RollupTest, AfterADeletionTheCellFallsAndTheRowStays) {
    position(501, "2026-12-05", 1, "8");
    position(501, "2026-12-06", 1, "4");
    journal::rollUpDayCell(dm, 501, QDate(2026, 12, 5), 1);
    journal::rollUpDayCell(dm, 501, QDate(2026, 12, 6), 1);
    position(501, "2026-12-06", 1, "3");
    journal::rollUpDayCell(dm, 501, QDate(2026, 12, 6), 1);
    EXPECT_EQ(row(501, 1, 12, 2026), "d5=8,d6=7");

    testdb::exec("delete from accounts_dep.smena where data = '2026-12-06' and time = 4");
    journal::updateDayCell(dm, 501, QDate(2026, 12, 6), 1);
    EXPECT_EQ(row(501, 1, 12, 2026), "d5=8,d6=3");
    testdb::exec("delete from accounts_dep.smena where data = '2026-12-05'");
    journal::updateDayCell(dm, 501, QDate(2026, 12, 5), 1);
    EXPECT_EQ(row(501, 1, 12, 2026), "d6=3");

    journal::updateDayCell(dm, 999, QDate(2026, 12, 5), 1);
    EXPECT_EQ(row(999, 1, 12, 2026), "-") << "the deletion path never creates a row";
}

TEST_F(RollupTest, EightWorkstationsRacingLeaveEveryCellTheSumOfItsPositions) {
    // Each pair of rounds works on a day of its own: first all eight add a position of
    // 1..8 hours and roll up; then four delete theirs and four add another one.
    constexpr int stations = 8, rounds = 60;
    std::barrier meet(stations);
    std::vector<QString> errors(stations);
    std::vector<std::thread> threads;
    for (int k = 0; k < stations; ++k) {
        threads.emplace_back([&, k] {
            testdb::PreparedModule own;
            testdb::openAs(own.connection, "master", "master");
            journal::Positions positions(own);
            data::Command add(own.connection);
            add.setSql("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, "
                       "kol_vo, time) values (:data, 1, 900, 1, 1, 1, 1, :time) returning id");
            int mine = 0;
            for (int round = 0; round < rounds; ++round) {
                const QDate day = QDate(2026, 11, 1).addDays(round / 2);
                meet.arrive_and_wait();
                try {
                    if (round % 2 == 1 && k < 4) {
                        positions.remove(mine);
                        continue;
                    }
                    add.setParam("data", day);
                    add.setParam("time", k + 1);
                    mine = add.executeScalar().toInt();
                    journal::rollUpDayCell(own, 900, day, 1);
                } catch (const data::Error& e) {
                    errors[size_t(k)] = e.text();
                }
            }
        });
    }
    for (auto& t : threads)
        t.join();
    for (int k = 0; k < stations; ++k)
        EXPECT_EQ(errors[size_t(k)], "") << "station " << k;
    const QString wrong = testdb::exec(R"(
select coalesce(string_agg(d.day || ': ' || h.cell || ' instead of ' || d.hours, ', '), '')
from (select extract(day from data)::int as day, sum(time) as hours from accounts_dep.smena
      where w_id = 900 and smena = 1 group by data) d
cross join lateral (select (array[d1,d2,d3,d4,d5,d6,d7,d8,d9,d10,d11,d12,d13,d14,d15,d16,d17,
      d18,d19,d20,d21,d22,d23,d24,d25,d26,d27,d28,d29,d30,d31])[d.day] as cell
      from accounts_dep.h_tabel where w_id = 900 and smena = 1 and month = 11 and year = 2026) h
where h.cell <> d.hours)")
                              .toString();
    EXPECT_TRUE(wrong.isEmpty()) << "days whose cell lost hours: " << wrong.toStdString();
    EXPECT_EQ(testdb::exec("select count(distinct data) from accounts_dep.smena where w_id = 900")
                  .toInt(),
              rounds / 2);
    EXPECT_EQ(testdb::exec("select sum(time) from accounts_dep.smena where w_id = 900").toInt(),
              rounds / 2 * (36 - (1 + 2 + 3 + 4) + (5 + 6 + 7 + 8)))
        << "what the rounds left";
}

// Days whose cell of the worker differs from the sum of the worker's positions there, as
// "worker date: cell instead of hours", or "" when every cell holds its sum.
QString cellsNotSummed(const QString& workers) {
    return testdb::exec(QString(R"(
select coalesce(string_agg(d.w_id || ' ' || d.data || ': ' || coalesce(h.cell::text, 'no row')
                           || ' instead of ' || d.hours, ', '), '')
from (select w_id, data, sum(time) as hours from accounts_dep.smena
      where w_id in (%1) and smena = 1 group by w_id, data) d
left join lateral (select (array[d1,d2,d3,d4,d5,d6,d7,d8,d9,d10,d11,d12,d13,d14,d15,d16,d17,d18,
      d19,d20,d21,d22,d23,d24,d25,d26,d27,d28,d29,d30,d31])[extract(day from d.data)::int] as cell
      from accounts_dep.h_tabel h where h.w_id = d.w_id and h.smena = 1
      and h.month = extract(month from d.data) and h.year = extract(year from d.data)) h on true
where h.cell is distinct from d.hours)")
                            .arg(workers))
        .toString();
}

void brigadeMembers() {
    testdb::exec("insert into cmn_contractor.person(id, s_code, s_caption, b_employee) values "
                 "(95001, '951', 'Чернов Ч.Ч.', true), (95002, '952', 'Шилов Ш.Ш.', true) "
                 "on conflict do nothing");
}

TEST_F(RollupTest, DivisionsMeetingRollUpsOfTheirMembersLeaveEveryCellTheSumOfItsPositions) {
    // Every round has a day of its own and a position of worker 950 (product 1: 10 pieces, 4
    // rejects, 8 hours) with members 951 and 952. Stations 0 and 1 both divide it; stations
    // 2 and 3 save a position of 951 / 952 that day (product 2) and roll it up, as the
    // position dialog does, in one transaction.
    constexpr int stations = 4, rounds = 80;
    brigadeMembers();
    testdb::exec(QString(R"(
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time)
select date '2026-11-01' + r, 1, 950, 1, 1, 2.5, 10, 4, 8 from generate_series(0, %1) r;
insert into accounts_dep.person_temp(id_smena, id_person)
select s.id, p from accounts_dep.smena s, unnest(array[95001, 95002]) p where s.w_id = 950;)")
                     .arg(rounds - 1));
    std::barrier meet(stations);
    std::vector<QString> errors(stations);
    std::vector<std::thread> threads;
    for (int k = 0; k < stations; ++k) {
        threads.emplace_back([&, k] {
            testdb::PreparedModule own;
            testdb::openAs(own.connection, "master", "master");
            data::Command divide(own.connection);
            divide.setSql("select accounts_dep.divide_between_person(id) from accounts_dep.smena "
                          "where w_id = 950 and data = :data");
            data::Command add(own.connection);
            add.setSql("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, "
                       "kol_vo, time) values (:data, 1, :w_id, 2, 1, 1, 1, :time)");
            const int member = 951 + k % 2;
            for (int round = 0; round < rounds; ++round) {
                const QDate day = QDate(2026, 11, 1).addDays(round);
                meet.arrive_and_wait();
                try {
                    if (k < 2) {
                        divide.setParam("data", day);
                        divide.execute();
                        continue;
                    }
                    data::Transaction transaction(own.connection);
                    add.setParam("data", day);
                    add.setParam("w_id", member);
                    add.setParam("time", k);
                    add.execute();
                    journal::rollUpDayCell(own, member, day, 1);
                    transaction.commit();
                } catch (const data::Error& e) {
                    errors[size_t(k)] = e.text();
                }
            }
        });
    }
    for (auto& t : threads)
        t.join();
    for (int k = 0; k < stations; ++k)
        EXPECT_EQ(errors[size_t(k)], "") << "station " << k;

    const QString lost = cellsNotSummed("951, 952");
    EXPECT_TRUE(lost.isEmpty()) << "cells that lost hours: " << lost.toStdString();
    EXPECT_EQ(
        testdb::exec("select count(*) from accounts_dep.smena where w_id in (951, 952)").toInt(),
        rounds * 4)
        << "each day: one copy and one saved position of each member";
    const QString wrong = testdb::exec(R"(
select coalesce(string_agg(data || ': ' || n || ' rows ' || kol || '/' || brak || '/' || amount,
                           ', '), '')
from (select data, count(*) as n, sum(kol_vo::numeric) as kol, sum(brak) as brak,
             sum((kol_vo::numeric - brak) * cena::numeric) as amount
      from accounts_dep.smena where i_id = 1 group by data) d
where n <> 3 or abs(kol - 10) > 1e-9 or brak <> 4 or abs(amount - 15) > 1e-9)")
                              .toString();
    EXPECT_TRUE(wrong.isEmpty()) << "positions not divided exactly once: " << wrong.toStdString();
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.person_temp").toInt(), 0);
}

TEST_F(RollupTest, ADivisionWaitsForAMonthRebuildBeforeWritingCells) {
    brigadeMembers();
    const int p = testdb::exec("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, "
                               "cena, kol_vo, time) values ('2026-12-07', 1, 950, 1, 1, 1, 4, 6) "
                               "returning id")
                      .toInt();
    testdb::exec(QString("insert into accounts_dep.person_temp(id_smena, id_person) values (%1, "
                         "95001)")
                     .arg(p));
    // The month's rebuild holds its lock; the division must not write the month's cells
    // meanwhile.
    testdb::exec("begin; select pg_advisory_xact_lock(2026, 12)");
    QString error;
    std::thread dividing([&] {
        try {
            data::Command divide(dm.connection);
            divide.setSql("select accounts_dep.divide_between_person(:id)");
            divide.setParam("id", p);
            divide.execute();
        } catch (const data::Error& e) {
            error = e.text();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int waiting = testdb::exec("select count(*) from pg_locks where locktype = 'advisory' "
                                     "and not granted and mode = 'ShareLock' and database = "
                                     "(select oid from pg_database where datname = "
                                     "current_database())")
                            .toInt();
    const QString cellMeanwhile = row(951, 1, 12, 2026);
    testdb::exec("commit");
    dividing.join();
    EXPECT_EQ(error, "");
    EXPECT_EQ(waiting, 1) << "the division waited for the month";
    EXPECT_EQ(cellMeanwhile, "-");
    EXPECT_EQ(row(951, 1, 12, 2026), "d7=6");
}

} // namespace
