// Closed months: every write of a closed month's positions, material rows and timesheet cells
// is refused by the server, whichever client writes; only the closers close and reopen; a close
// meeting saves lets none of them in after it.
#include "TestDatabase.h"
#include "data/Command.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "journal/HoursRollup.h"
#include "journal/PositionStore.h"
#include "journal/Positions.h"
#include "state/ClosedMonths.h"
#include "state/DataModule.h"
#include "timesheet/MonthRebuild.h"

#include <QDate>
#include <atomic>
#include <barrier>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <thread>

namespace {

const QString novemberClosed = QString::fromUtf8("Месяц 11.2026 закрыт");

// Worker 101 (person 10) and 102 (person 11); positions 7001 (with a material row, and a
// brigade member waiting for the division) and 7002 on 10.11.2026, 7003 on 10.12.2026; the
// workers' November and December timesheet rows.
const char* const plant = R"(
insert into cmn_contractor.person(id, s_code, s_caption, b_employee) values
    (10, '101', 'Антонов А.А.', true), (11, '102', 'Борисов Б.Б.', true);
insert into accounts_dep.izdel(id, marka, nom, massa) values (100, 'СТ-1', 'Стулья', 0.5);
insert into accounts_dep.vid_oper(id, vid) values (1, 'Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (1, 1, 0, 100, 10);
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, ok)
values (7001, '2026-11-10', 1, 101, 100, 1, 10, 6, 0, 4, 'no'),
       (7002, '2026-11-10', 1, 101, 100, 1, 10, 6, 0, 4, 'no'),
       (7003, '2026-12-10', 1, 101, 100, 1, 10, 6, 0, 4, 'no');
insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) values (7001, 200, 1);
insert into accounts_dep.person_temp(id_smena, id_person) values (7001, 11);
insert into accounts_dep.h_tabel(w_id, smena, month, year, d10) values
    (101, 1, 11, 2026, 8), (101, 1, 12, 2026, 4);
)";

QString passwordOf(const QString& login) {
    return login == QLatin1String("sys") ? QStringLiteral("wuvakem") : login;
}

int run(data::Connection& db, const QString& sql) {
    data::Command cmd(db);
    cmd.setSql(sql);
    return cmd.execute();
}

// The journal's side as it stands: a refused write changed nothing of it.
QString snapshot() {
    return testdb::exec(
               "select md5(concat((select string_agg(s::text, ';' order by id) from "
               "accounts_dep.smena s), (select string_agg(u::text, ';' order by id) from "
               "accounts_dep.smena_gds_use u), (select string_agg(h::text, ';' order by id) from "
               "accounts_dep.h_tabel h)))")
        .toString();
}

class ClosedMonthsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testdb::exec(QString::fromUtf8(plant));
        data::Connection sys;
        testdb::openAs(sys, "sys", "wuvakem");
        state::closeMonth(sys, 2026, 11);
    }
    void SetUp() override { testdb::openAs(dm.connection, "master", "master"); }

    state::DataModule dm;
};

TEST_F(ClosedMonthsTest, EveryWriteOfAClosedMonthIsRefusedWhateverTheClient) {
    journal::PositionValues into;
    into.workerCode = 101;
    into.productId = 100;
    into.operationId = 1;
    into.finalPrice = 10;
    into.quantity = "3";
    into.rejects = "0";
    into.hours = "2";
    into.date = QDate(2026, 11, 12);
    into.shift = 1;
    journal::PositionValues moved = into;
    moved.date = QDate(2026, 12, 12);
    journal::PositionValues movedIn = into; // 7003 of December into November

    struct Case {
        const char* name;
        std::function<void()> write;
    };
    journal::PositionStore store(dm);
    journal::Positions positions(dm);
    timesheet::MonthRebuild rebuild(dm.connection);
    data::Connection operatorDb, adminDb;
    testdb::openAs(operatorDb, "operator1", "operator1");
    testdb::openAdmin(adminDb);
    const Case cases[] = {
        // the program
        {"position saved", [&] { store.insert(into, QDate(2026, 12, 10)); }},
        {"position changed", [&] { store.update(7002, into, QDate(2026, 12, 10)); }},
        {"position moved out", [&] { store.update(7002, moved, QDate(2026, 12, 10)); }},
        {"position moved in", [&] { store.update(7003, movedIn, QDate(2026, 12, 10)); }},
        {"position deleted", [&] { positions.remove(7002); }},
        {"roll-up", [&] { journal::rollUpDayCell(dm, 101, QDate(2026, 11, 10), 1); }},
        {"rebuild", [&] { rebuild.run(11, 2026); }},
        {"division",
         [&] { run(dm.connection, "select accounts_dep.divide_between_person(7001)"); }},
        {"acceptance", [&] { run(operatorDb, "select accounts_dep.smena__accept_row_hwo(7001)"); }},
        // any other client, the owner of the tables included
        {"psql update",
         [&] { run(adminDb, "update accounts_dep.smena set kol_vo = 9 where id = 7002"); }},
        {"psql delete", [&] { run(adminDb, "delete from accounts_dep.smena where id = 7001"); }},
        {"psql move in",
         [&] {
             run(adminDb, "update accounts_dep.smena set data = '2026-11-30' where id = 7003");
         }},
        {"material added",
         [&] {
             run(adminDb, "insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, "
                          "f_qty_use) values (7002, 200, 1)");
         }},
        {"material changed",
         [&] { run(adminDb, "update accounts_dep.smena_gds_use set f_qty_use = 5"); }},
        {"material deleted", [&] { run(adminDb, "delete from accounts_dep.smena_gds_use"); }},
        {"timesheet cell",
         [&] { run(adminDb, "update accounts_dep.h_tabel set d11 = 3 where month = 11"); }},
        {"timesheet row",
         [&] {
             run(adminDb, "insert into accounts_dep.h_tabel(w_id, smena, month, year) values "
                          "(102, 1, 11, 2026)");
         }},
        {"timesheet moved in",
         [&] { run(adminDb, "update accounts_dep.h_tabel set month = 11 where month = 12"); }},
        {"repeatable read",
         [&] {
             run(adminDb, "begin isolation level repeatable read");
             try {
                 run(adminDb, "delete from accounts_dep.smena where id = 7002");
             } catch (...) {
                 run(adminDb, "rollback");
                 throw;
             }
             run(adminDb, "rollback");
         }},
    };
    const QString before = snapshot();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.write();
            ADD_FAILURE() << "written";
        } catch (const data::Error& e) {
            EXPECT_TRUE(e.text().contains(novemberClosed)) << e.text().toStdString();
        }
    }
    EXPECT_EQ(snapshot(), before);
    // December stays open to the same writes.
    EXPECT_EQ(run(adminDb, "update accounts_dep.smena set kol_vo = 7 where id = 7003"), 1);
    EXPECT_NO_THROW(journal::rollUpDayCell(dm, 101, QDate(2026, 12, 10), 1));
}

TEST_F(ClosedMonthsTest, OnlyTheClosersCloseAndReopenAndTheHistoryKeepsBoth) {
    struct Case {
        const char* login;
        const char* sql;
        const char* refusal; // nullptr when allowed
    };
    const Case cases[] = {
        {"operator4", "select accounts_dep.close_month(2027, 1)", "permission denied"},
        {"operator1", "select accounts_dep.close_month(2027, 1)", "permission denied"},
        {"econom", "select accounts_dep.close_month(2027, 1)", "permission denied"},
        {"master", "select accounts_dep.close_month(2027, 1)", nullptr},
        {"master", "select accounts_dep.close_month(2027, 1)", "Месяц 01.2027 уже закрыт"},
        {"econom", "select accounts_dep.reopen_month(2027, 1)", "permission denied"},
        {"operator4", "insert into accounts_dep.closed_month values (2027, 2, 'x', now())",
         "permission denied"},
        {"master", "delete from accounts_dep.closed_month", "permission denied"},
        {"sys", "select accounts_dep.reopen_month(2027, 1)", nullptr},
        {"sys", "select accounts_dep.reopen_month(2027, 1)", "Месяц 01.2027 не закрыт"},
        {"sys", "select accounts_dep.close_month(2027, 13)", "Нет такого месяца"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.login) + ": " + c.sql);
        data::Connection db;
        testdb::openAs(db, c.login, passwordOf(c.login));
        try {
            run(db, c.sql);
            EXPECT_EQ(c.refusal, nullptr) << "allowed";
        } catch (const data::DbError& e) {
            ASSERT_NE(c.refusal, nullptr) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(c.refusal))) << e.text().toStdString();
        }
    }
    // Every group reads the closed months; only the closers may close.
    for (const char* login : {"operator1", "econom", "operator4", "master"}) {
        data::Connection db;
        testdb::openAs(db, login, passwordOf(login));
        EXPECT_TRUE(state::closedMonthOf(db, QDate(2026, 11, 30)).has_value()) << login;
        EXPECT_EQ(state::mayCloseMonths(db), QLatin1String(login) == QLatin1String("master"))
            << login;
    }
    // Not even the owner writes the table or forges a close into the history.
    for (const char* sql :
         {"insert into accounts_dep.closed_month values (2027, 3, 'x', now())",
          "delete from accounts_dep.closed_month",
          "insert into accounts_dep.smena_log(at, login, kind, data) values (now(), 'sys', "
          "'close', '2027-03-01')"}) {
        SCOPED_TRACE(sql);
        EXPECT_THROW(testdb::exec(sql), data::DbError);
    }
    EXPECT_EQ(
        testdb::exec("select string_agg(concat_ws(' ', login, kind, data), ', ' order by id) "
                     "from accounts_dep.smena_log where kind in ('close', 'reopen') and data <> "
                     "'2026-12-01'")
            .toString(),
        "sys close 2026-11-01, master close 2027-01-01, sys reopen 2027-01-01");
}

// Eight workstations save positions of December while one of them closes it: every position
// of December in the journal was committed before the close.
TEST_F(ClosedMonthsTest, ACloseMeetingSavesLetsNoneInAfterIt) {
    const int stations = 8, rounds = 50;
    std::barrier meet(stations);
    std::atomic<int> saved{0}, refused{0}, unexpected{0};
    std::vector<std::thread> threads;
    for (int k = 0; k < stations; ++k) {
        threads.emplace_back([&, k] {
            data::Connection own;
            testdb::openAs(own, "master", "master");
            data::Command save(own), close(own), reopen(own);
            // the insert's own commit time is kept beside it, to compare with the close's
            save.setSql("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, time, "
                        "vvod) values ('2026-12-20', 1, 101, 100, 1, 1, clock_timestamp())");
            close.setSql("select accounts_dep.close_month(2026, 12)");
            reopen.setSql("select accounts_dep.reopen_month(2026, 12)");
            for (int round = 0; round < rounds; ++round) {
                meet.arrive_and_wait();
                try {
                    if (k == round % stations) {
                        close.execute();
                    } else {
                        save.execute();
                        ++saved;
                    }
                } catch (const data::Error& e) {
                    if (e.text().contains(QString::fromUtf8("Месяц 12.2026 закрыт")))
                        ++refused;
                    else
                        ++unexpected;
                }
                meet.arrive_and_wait();
                if (k == round % stations) {
                    // What the close let in: positions of the month inserted after its row.
                    const int after =
                        testdb::exec(
                            "select count(*) from accounts_dep.smena s, accounts_dep.closed_month "
                            "c "
                            "where c.year = 2026 and c.month = 12 and s.data = '2026-12-20' and "
                            "s.xmin::text::bigint > c.xmin::text::bigint")
                            .toInt();
                    if (after != 0)
                        ++unexpected;
                    reopen.execute();
                }
                meet.arrive_and_wait();
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(unexpected.load(), 0);
    EXPECT_EQ(saved + refused, (stations - 1) * rounds);
    std::cout << "saves: " << saved << " committed before a close, " << refused
              << " refused after it, 0 let in after it\n";
    EXPECT_GT(refused.load(), 0);
    EXPECT_GT(saved.load(), 0);
}

} // namespace
