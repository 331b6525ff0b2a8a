// Accepting and deleting positions: the rules on their own, with another workstation
// changing the same rows, and from the journal window.
#include "PreparedModule.h"
#include "TestDatabase.h"
#include "WindowTest.h"
#include "data/Command.h"
#include "data/Error.h"
#include "journal/JournalStatements.h"
#include "journal/JournalWindow.h"
#include "journal/Positions.h"
#include "state/DataModule.h"
#include "ui/Messages.h"
#include "ui/ResultSetModel.h"

#include <QApplication>
#include <QDateEdit>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <barrier>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <thread>

namespace {

using Names = journal::JournalWindow::Names;

const QDate wednesday(2026, 12, 9);
const QString noMaterials = QString::fromUtf8("Не заведен расход ТМЦ!");
const QString changedElsewhere =
    QString::fromUtf8("Позиция изменена или удалена на другом рабочем месте");
const QString acceptedIsFixed = QString::fromUtf8("Позиция принята: изменять и удалять её нельзя");

// A refusal's box: its reason, then the position as the journal shows it.
QString refused(const QString& reason, const char* position) {
    return reason + '\n' + QString::fromUtf8(position);
}
const char* const position7001 = "Рабочий: Абрамов А.А.; операция: Сборка, Марка-А; кол-во: 1";
const char* const position7003 = "Рабочий: Васильев В.В.; операция: Сборка, Марка-Б; кол-во: 1";
const char* const position7010 = "Рабочий: Горин Г.Г.; операция: Сборка, Марка-А; кол-во: 3";

// Shift 1 of Wednesday in statement order: 7001, 7002, 7010, 7004, 7005, 7003.
void seedPositions() {
    testdb::truncate("accounts_dep.smena, accounts_dep.h_tabel, accounts_dep.norm restart "
                     "identity cascade");
    testdb::exec(QString::fromUtf8(R"(
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, ok, prize) values
  (7001, '2026-12-09', 1, 501, 800001, 701, 10, 1, 0, 4, 'no', 0),
  (7002, '2026-12-09', 1, 502, 800001, 701, 10, 1, 0, 4, 'no', 0),
  (7003, '2026-12-09', 1, 503, 800002, 702, 5, 1, 0, 4, 'no', 0),
  (7004, '2026-12-09', 1, 501, 800002, 702, 10, 2, 0, 3, 'ok', 0),
  (7005, '2026-12-09', 1, 502, 800002, 702, 5, 2, 0, 3, 'да', 7),
  (7010, '2026-12-09', 1, 504, 800001, 701, 10, 3, 0, 5, 'no', 0),
  (7020, '2026-12-03', 1, 504, 800001, 701, 10, 1, 0, 2, 'no', 0);
insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) values
  (7001, 1, 1), (7002, 1, 1), (7002, 2, 1), (7005, 1, 1);
insert into accounts_dep.norm(o_id, norma, price, prize) values (701, 1, 10, 5);
insert into accounts_dep.h_tabel(w_id, smena, month, year, d3, d9) values (504, 1, 12, 2026, 2, 5);
)"));
}

QString states() {
    return testdb::exec("select string_agg(id || '=' || ok, ' ' order by id) from "
                        "accounts_dep.smena where id < 7010")
        .toString();
}

// "d3/d9" of the worker's row of shift 1, December 2026, or "-" without one.
QString cells(int worker) {
    return testdb::exec(QString("select coalesce(string_agg(d3 || '/' || d9, ';'), '-') from "
                                "accounts_dep.h_tabel where w_id=%1 and smena=1")
                            .arg(worker))
        .toString();
}

void seedPlant() {
    testdb::exec(QString::fromUtf8(R"(
insert into cmn_contractor.person(id, s_code, s_caption, b_employee) values
  (900001, '501', 'Абрамов А.А.', true), (900002, '502', 'Борисов Б.Б.', true),
  (900003, '503', 'Васильев В.В.', true), (900004, '504', 'Горин Г.Г.', true);
insert into accounts_dep.izdel(id, marka, nom, massa) values
  (800001, 'Марка-А', 'Стулья', 1), (800002, 'Марка-Б', 'Столы', 2);
insert into accounts_dep.vid_oper(id, vid) values (901, 'Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (701, 901, 0, 800001, 10), (702, 901, 0, 800002, 5);
)"));
}

// Both suites of this program share its database.
void seedPlantOnce() {
    static bool seeded = false;
    if (!seeded)
        seedPlant();
    seeded = true;
}

// The rules on their own: this workstation loaded the journal, another one (the test's
// admin connection) changes rows before this one acts.
class PositionsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { seedPlantOnce(); }
    void SetUp() override {
        seedPositions();
        testdb::logIn(dm, "master");
        dm.journal(1).setParam("data", wednesday.startOfDay());
        dm.journal(1).open();
    }
    journal::ShownPosition shown(int id) {
        EXPECT_TRUE(dm.journal(1).locate("id", id)) << id;
        return journal::ShownPosition::current(dm.journal(1));
    }

    testdb::PreparedModule dm;
    journal::Positions positions{dm};
};

TEST_F(PositionsTest, AcceptTakesOnlyWhatTheServerStillHoldsAsShown) {
    struct Case {
        const char* name;
        int id;
        const char* elsewhere; // what another workstation did after the load
        std::vector<journal::Refusal::Reason> refused;
        QString stateAfter; // "ok/prize"
    };
    using R = journal::Refusal;
    const Case cases[] = {
        {"unchanged, with materials", 7001, "", {}, "ok/5"},
        {"without materials", 7003, "", {R::NoMaterials}, "no/0"},
        {"shown as да", 7005, "", {}, QString::fromUtf8("да/7")},
        {"quantity changed",
         7002,
         "update accounts_dep.smena set kol_vo = 1000 where id = 7002",
         {R::ChangedElsewhere},
         "no/0"},
        {"hours changed",
         7002,
         "update accounts_dep.smena set time = 9 where id = 7002",
         {R::ChangedElsewhere},
         "no/0"},
        {"deleted",
         7003,
         "delete from accounts_dep.smena where id = 7003",
         {R::ChangedElsewhere},
         "-"},
        {"accepted elsewhere",
         7002,
         "update accounts_dep.smena set ok = 'ok', prize = 3 where id = 7002",
         {},
         "ok/3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        seedPositions();
        dm.journal(1).close();
        dm.journal(1).open();
        const journal::ShownPosition position = shown(c.id);
        if (*c.elsewhere)
            testdb::exec(c.elsewhere);
        std::vector<R::Reason> told;
        const auto refused = positions.accept(
            {position}, [&](const journal::Refusal& r) { told.push_back(r.reason); });
        std::vector<R::Reason> returned;
        for (const auto& r : refused)
            returned.push_back(r.reason);
        EXPECT_EQ(returned, c.refused);
        EXPECT_EQ(told, c.refused);
        EXPECT_EQ(testdb::exec(QString("select coalesce(max(ok || '/' || prize), '-') from "
                                       "accounts_dep.smena where id = %1")
                                   .arg(c.id))
                      .toString(),
                  c.stateAfter);
    }
}

TEST_F(PositionsTest, AChangeCommittedWhileTheAcceptWaitsIsRefusedAndOperatorsMayAccept) {
    testdb::logIn(dm, "operator1"); // reads and accepts, may lock nothing
    dm.journal(1).setParam("data", wednesday.startOfDay());
    dm.journal(1).open();
    const journal::ShownPosition position = shown(7002);
    // Another workstation is changing the quantity and has not committed yet: the accept
    // reads the old values, then waits for the row.
    testdb::exec("begin; update accounts_dep.smena set kol_vo = 1000 where id = 7002");
    std::vector<journal::Refusal> refused;
    QString error;
    std::thread accepting([&] {
        try {
            refused = positions.accept({position});
        } catch (const data::Error& e) {
            error = e.text();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int waiting = testdb::exec("select count(*) from pg_stat_activity where "
                                     "wait_event_type = 'Lock' and datname = current_database()")
                            .toInt();
    testdb::exec("commit");
    accepting.join();
    EXPECT_EQ(waiting, 1) << "the two really met";
    EXPECT_EQ(error, "");
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].reason, journal::Refusal::ChangedElsewhere);
    EXPECT_EQ(states(), QString::fromUtf8("7001=no 7002=no 7003=no 7004=ok 7005=да"));

    EXPECT_TRUE(positions.accept({shown(7001)}).empty()) << "an operator accepts";
    EXPECT_EQ(states(), QString::fromUtf8("7001=ok 7002=no 7003=no 7004=ok 7005=да"));
}

// A login the server lets read but not accept hears it in Russian first, whatever the
// program's buttons allowed.
TEST_F(PositionsTest, AnAcceptanceTheServerRefusesToTheLoginSaysSoInRussianFirst) {
    testdb::logIn(dm, "econom");
    dm.journal(1).setParam("data", wednesday.startOfDay());
    dm.journal(1).open();
    QString error;
    try {
        positions.accept({shown(7001)});
    } catch (const data::DbError& e) {
        error = e.text();
    }
    EXPECT_TRUE(error.startsWith(QString::fromUtf8("Действие не выполнено: недостаточно прав.\n")))
        << error.toStdString();
    EXPECT_TRUE(error.contains("smena__accept_row_hwo")) << "the server's words follow";
    EXPECT_EQ(states(), QString::fromUtf8("7001=no 7002=no 7003=no 7004=ok 7005=да"));
}

TEST_F(PositionsTest, DeleteRemovesOnlyAnUnacceptedPositionAndRollsUpItsOwnDay) {
    // 7010 is worker 504's only position of Wednesday; the row also holds the 3rd.
    const auto deleted = positions.remove(7010);
    ASSERT_TRUE(deleted.has_value());
    EXPECT_EQ(deleted->worker, 504);
    EXPECT_EQ(deleted->date, wednesday);
    EXPECT_EQ(deleted->shift, 1);
    EXPECT_EQ(cells(504), "2/0");

    testdb::exec("update accounts_dep.smena set ok = 'ok' where id = 7001"); // elsewhere
    for (int id : {7001, 7004, 7005, 7010}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(positions.remove(id).has_value());
    }
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena").toInt(), 6);
}

TEST_F(PositionsTest, AConnectionLostBetweenDeleteAndRollUpLeavesBoth) {
    // The roll-up's write ends this workstation's session on the server.
    testdb::exec(R"(
create function public.drop_writer() returns trigger language plpgsql as $$
begin perform pg_terminate_backend(pg_backend_pid()); return new; end $$;
create trigger drop_writer before update on accounts_dep.h_tabel for each row
  execute function public.drop_writer();)");
    EXPECT_THROW(positions.remove(7010), data::DbError);
    testdb::exec("drop trigger drop_writer on accounts_dep.h_tabel; drop function "
                 "public.drop_writer()");
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena where id = 7010").toInt(), 1)
        << "the deletion went with the lost roll-up";
    EXPECT_EQ(cells(504), "2/5");
    ASSERT_TRUE(positions.remove(7010).has_value()) << "the next action works again";
    EXPECT_EQ(cells(504), "2/0");
}

// Records persons (by person id) as the position's brigade and divides it on the connection.
void divide(data::Connection& connection, int position, std::initializer_list<int> persons) {
    for (int person : persons)
        testdb::exec(QString("insert into accounts_dep.person_temp(id_smena, id_person) "
                             "values (%1, %2)")
                         .arg(position)
                         .arg(person));
    data::Command save(connection);
    save.setSql("select accounts_dep.divide_between_person(:s_id)");
    save.setParam("s_id", position);
    save.execute();
}

TEST_F(PositionsTest, ABrigadeCopyIsAcceptedOnTheMaterialsOfThePositionItCameFrom) {
    // 7003 (worker 503) has no materials yet; persons 900001.. are workers 501..
    divide(dm.connection, 7003, {900001, 900002});
    auto copyOf = [](int worker) {
        return testdb::exec(QString("select id from accounts_dep.smena where w_id = %1 and "
                                    "id_smena_from = 7003")
                                .arg(worker))
            .toInt();
    };
    const int copy501 = copyOf(501), copy502 = copyOf(502);
    ASSERT_NE(copy501, 0);
    ASSERT_NE(copy502, 0);
    auto acceptNow = [&](int id) {
        dm.journal(1).close();
        dm.journal(1).open();
        return positions.accept({shown(id)});
    };
    auto state = [](int id) {
        return testdb::exec(QString("select ok from accounts_dep.smena where id = %1").arg(id))
            .toString();
    };

    auto refused = acceptNow(copy501);
    ASSERT_EQ(refused.size(), 1u) << "no materials here nor on the brigade's position";
    EXPECT_EQ(refused[0].reason, journal::Refusal::NoMaterials);

    testdb::exec("insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) "
                 "values (7003, 1, 2)");
    EXPECT_TRUE(acceptNow(copy501).empty());
    EXPECT_EQ(state(copy501), QString("ok"));

    // A copy divided again: its own copy still points at the position holding the materials.
    divide(dm.connection, copy502, {900004});
    const int copy504 = copyOf(504);
    ASSERT_NE(copy504, 0);
    EXPECT_TRUE(acceptNow(copy504).empty());
    EXPECT_EQ(state(copy504), QString("ok"));

    // The position goes, and its materials with it: what is left of its brigade has none.
    ASSERT_TRUE(positions.remove(7003).has_value());
    EXPECT_EQ(testdb::exec(QString("select count(*) from accounts_dep.smena where id = %1 and "
                                   "id_smena_from is null")
                               .arg(copy502))
                  .toInt(),
              1);
    refused = acceptNow(copy502);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].reason, journal::Refusal::NoMaterials);
    EXPECT_EQ(state(copy502), QString("no"));
}

TEST_F(PositionsTest, ADivisionAndAnAcceptanceMeetingOnAPositionNeverBothTakeIt) {
    // Every round a fresh position of worker 503 (6 pieces, 1 reject, with materials) and its
    // brigade 501, 502: one workstation divides it while an operator accepts it as shown.
    constexpr int rounds = 40;
    testdb::exec(QString(R"(
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, ok)
select 8000 + r, '2026-12-09', 1, 503, 800002, 702, 2.5, 6, 1, 4, 'no'
from generate_series(0, %1) r;
insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use)
select 8000 + r, 1, 1 from generate_series(0, %1) r;
insert into accounts_dep.person_temp(id_smena, id_person)
select 8000 + r, p from generate_series(0, %1) r, unnest(array[900001, 900002]) p;)")
                     .arg(rounds - 1));
    std::barrier meet(2);
    std::vector<QString> divisionErrors(rounds), acceptErrors(rounds);
    std::vector<int> refusals(rounds, -1);
    std::thread dividing([&] {
        testdb::PreparedModule own;
        testdb::logIn(own, "master");
        data::Command save(own.connection);
        save.setSql("select accounts_dep.divide_between_person(:s_id)");
        for (int round = 0; round < rounds; ++round) {
            save.setParam("s_id", 8000 + round);
            meet.arrive_and_wait();
            try {
                save.execute();
            } catch (const data::Error& e) {
                divisionErrors[size_t(round)] = e.text();
            }
        }
    });
    std::thread accepting([&] {
        testdb::PreparedModule own;
        testdb::logIn(own, "operator1");
        own.journal(1).setParam("data", wednesday.startOfDay());
        journal::Positions accepter(own);
        for (int round = 0; round < rounds; ++round) {
            own.journal(1).close();
            own.journal(1).open();
            const bool found = own.journal(1).locate("id", 8000 + round);
            const journal::ShownPosition position = journal::ShownPosition::current(own.journal(1));
            meet.arrive_and_wait();
            try {
                if (found)
                    refusals[size_t(round)] = int(accepter.accept({position}).size());
            } catch (const data::Error& e) {
                acceptErrors[size_t(round)] = e.text();
            }
        }
    });
    dividing.join();
    accepting.join();

    int divided = 0;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        const int id = 8000 + round;
        EXPECT_EQ(acceptErrors[size_t(round)], "");
        const bool accepted = refusals[size_t(round)] == 0;
        EXPECT_TRUE(accepted || refusals[size_t(round)] == 1) << "shown and accepted or refused";
        const int copies = testdb::exec(QString("select count(*) from accounts_dep.smena where "
                                                "id_smena_from = %1")
                                            .arg(id))
                               .toInt();
        EXPECT_EQ(testdb::exec(QString("select ok from accounts_dep.smena where id = %1").arg(id))
                      .toString(),
                  accepted ? "ok" : "no");
        if (accepted) {
            EXPECT_EQ(copies, 0) << "an accepted position is not divided";
            EXPECT_TRUE(divisionErrors[size_t(round)].contains(QString::fromUtf8("принята")))
                << divisionErrors[size_t(round)].toStdString();
        } else {
            EXPECT_EQ(copies, 2);
            EXPECT_EQ(divisionErrors[size_t(round)], "");
            ++divided;
        }
        EXPECT_EQ(testdb::exec(QString("select trim_scale(sum(kol_vo::numeric)) || '/' || "
                                       "sum(brak) || '/' || trim_scale(sum((kol_vo::numeric - "
                                       "brak) * cena::numeric)) from accounts_dep.smena where "
                                       "%1 in (id, id_smena_from)")
                                   .arg(id))
                      .toString(),
                  "6/1/12.5");
    }
    std::cout << "divided " << divided << ", accepted " << rounds - divided << " of " << rounds
              << '\n';
}

TEST_F(PositionsTest, AMaterialDeletionAndAnAcceptanceMeetingOnAPositionTakeTurns) {
    // Every round a fresh position with one material row: a master deletes that row from the
    // position dialog while an operator accepts the position as shown. Exactly one of them
    // wins: no position ends accepted without materials.
    constexpr int rounds = 300;
    testdb::exec(QString(R"(
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, ok)
select 8000 + r, '2026-12-09', 1, 503, 800002, 702, 5, 2, 0, 4, 'no' from generate_series(0, %1) r;
insert into accounts_dep.smena_gds_use(id, id_smena, id_gds_use, f_qty_use)
select 90000 + r, 8000 + r, 1, 1 from generate_series(0, %1) r;)")
                     .arg(rounds - 1));
    testdb::PreparedModule operatorModule;
    testdb::logIn(operatorModule, "operator1");
    operatorModule.journal(1).setParam("data", wednesday.startOfDay());
    operatorModule.journal(1).open();
    std::vector<journal::ShownPosition> shownRows;
    for (int round = 0; round < rounds; ++round) {
        ASSERT_TRUE(operatorModule.journal(1).locate("id", 8000 + round));
        shownRows.push_back(journal::ShownPosition::current(operatorModule.journal(1)));
    }

    std::barrier meet(2);
    std::vector<int> deleted(rounds, -1), refusals(rounds, -1);
    std::vector<QString> errors(rounds);
    std::thread deleting([&] {
        testdb::PreparedModule own;
        testdb::logIn(own, "master");
        data::Command remove(own.connection);
        remove.setSql(journal::statements::materialDelete());
        for (int round = 0; round < rounds; ++round) {
            remove.setParam("id", 90000 + round);
            meet.arrive_and_wait();
            // the deletion comes at every moment of the acceptance's transaction
            std::this_thread::sleep_for(std::chrono::microseconds(100 * (round % 12)));
            try {
                deleted[size_t(round)] = remove.execute();
            } catch (const data::Error& e) {
                errors[size_t(round)] += e.text();
            }
        }
    });
    std::thread accepting([&] {
        journal::Positions accepter(operatorModule);
        for (int round = 0; round < rounds; ++round) {
            meet.arrive_and_wait();
            try {
                refusals[size_t(round)] = int(accepter.accept({shownRows[size_t(round)]}).size());
            } catch (const data::Error& e) {
                errors[size_t(round)] += e.text();
            }
        }
    });
    deleting.join();
    accepting.join();

    QStringList wrong;
    int accepted = 0, deletedBefore = 0;
    for (int round = 0; round < rounds; ++round) {
        const int id = 8000 + round;
        const QString state =
            testdb::exec(QString("select ok || '/' || (select count(*) from "
                                 "accounts_dep.smena_gds_use where id_smena = %1) from "
                                 "accounts_dep.smena where id = %1")
                             .arg(id))
                .toString();
        // accepted with its material, or refused for the lack of it after the deletion
        const bool acceptedFirst = refusals[size_t(round)] == 0 && deleted[size_t(round)] == 0;
        const bool deletedFirst = refusals[size_t(round)] == 1 && deleted[size_t(round)] == 1;
        if (!errors[size_t(round)].isEmpty() || !(acceptedFirst || deletedFirst) ||
            state != (acceptedFirst ? "ok/1" : "no/0"))
            wrong << QString("round %1: refused %2, deleted %3, now %4 %5")
                         .arg(round)
                         .arg(refusals[size_t(round)])
                         .arg(deleted[size_t(round)])
                         .arg(state, errors[size_t(round)]);
        accepted += acceptedFirst;
        deletedBefore += deletedFirst;
    }
    EXPECT_EQ(wrong.size(), 0) << wrong.join('\n').toStdString();
    std::cout << "accepted " << accepted << ", refused after the deletion " << deletedBefore
              << ", wrong " << wrong.size() << " of " << rounds << '\n';
}

class AcceptDeleteTest : public WindowTest<journal::JournalWindow, testdb::PreparedModule> {
protected:
    static void SetUpTestSuite() { seedPlantOnce(); }

    void SetUp() override {
        seedPositions();
        WindowTest::SetUp();
        window->setToday([] { return wednesday; });
        activate();
        ASSERT_EQ(shownIds(), (QList<int>{7001, 7002, 7010, 7004, 7005, 7003}));
    }

    QTableView* grid() { return window->findChild<QTableView*>(Names::grid); }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
        const QRect r = grid()->visualRect(grid()->model()->index(row, 0));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, modifiers, r.center());
    }
    QList<int> shownIds() {
        data::ResultSet& q = window->currentJournalQuery();
        QList<int> ids;
        for (int r = 0; r < q.rowCount(); ++r)
            ids << q.valueAt(r, q.fieldIndex("id")).toInt();
        return ids;
    }
};

TEST_F(AcceptDeleteTest, AcceptTakesExactlyTheRowsSelectedWithCtrl) {
    clickRow(0);                      // 7001
    clickRow(1, Qt::ControlModifier); // 7002
    clickRow(4, Qt::ControlModifier); // 7005
    clickRow(4, Qt::ControlModifier); // and off again; 7005 stays current
    ASSERT_EQ(window->currentJournalQuery().recNo(), 4);
    click(Names::accept);
    EXPECT_EQ(states(), QString::fromUtf8("7001=ok 7002=ok 7003=no 7004=ok 7005=да"));
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join(';').toStdString();
    EXPECT_EQ(window->currentJournalQuery().recNo(), 4) << "the same row number stays current";
    EXPECT_EQ(window->currentJournalQuery().asString("ok"), QString::fromUtf8("да"));
}

TEST_F(AcceptDeleteTest, APositionWithoutMaterialsIsRefusedAndAnAcceptedOneLeftAlone) {
    clickRow(5); // 7003: no material rows
    click(Names::accept);
    EXPECT_EQ(messages.texts(), QStringList{refused(noMaterials, position7003)});
    EXPECT_EQ(messages.messages[0].caption, QString::fromUtf8("Ошибка"));
    EXPECT_EQ(states(), QString::fromUtf8("7001=no 7002=no 7003=no 7004=ok 7005=да"));

    messages.clear();
    clickRow(3); // 7004, already accepted
    click(Names::accept);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(window->currentJournalQuery().recNo(), 3);
}

TEST_F(AcceptDeleteTest, AcceptAllGoesOnPastRefusalsAndKeepsSortAndRow) {
    QHeaderView* header = grid()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    const QString sort = window->currentJournalQuery().sort();
    ASSERT_EQ(sort, "fio DESC, id ASC");
    clickRow(2); // 7002 in this order
    click(Names::acceptAll);
    EXPECT_EQ(messages.texts(), (QStringList{refused(noMaterials, position7010),
                                             refused(noMaterials, position7003)}));
    EXPECT_EQ(states(), QString::fromUtf8("7001=ok 7002=ok 7003=no 7004=ok 7005=да"))
        << "да is accepted already";
    EXPECT_EQ(window->currentJournalQuery().sort(), sort);
    EXPECT_EQ(window->currentJournalQuery().recNo(), 2);
    EXPECT_EQ(grid()->currentIndex().row(), 2);
}

TEST_F(AcceptDeleteTest, AnEmptyShiftAcceptsNothingAndSaysNothing) {
    QTest::mouseClick(window->findChild<QRadioButton*>(Names::shift3), Qt::LeftButton);
    ASSERT_TRUE(shownIds().isEmpty());
    click(Names::accept);
    click(Names::acceptAll);
    click(Names::remove);
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(states(), QString::fromUtf8("7001=no 7002=no 7003=no 7004=ok 7005=да"));
}

TEST_F(AcceptDeleteTest, ADatabaseErrorEndsAcceptAllWhereItHappened) {
    testdb::exec(QString::fromUtf8(R"(
create function public.refuse_7002() returns trigger language plpgsql as $$
begin raise exception 'Позиция 7002 заблокирована'; end $$;
create trigger refuse_7002 before update on accounts_dep.smena for each row
  when (old.id = 7002) execute function public.refuse_7002();)"));
    click(Names::acceptAll);
    testdb::exec(
        "drop trigger refuse_7002 on accounts_dep.smena; drop function public.refuse_7002()");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(
        messages.messages[0].text.contains(QString::fromUtf8("Позиция 7002 заблокирована")));
    EXPECT_EQ(states(), QString::fromUtf8("7001=ok 7002=no 7003=no 7004=ok 7005=да"))
        << "what ran stays, nothing after the error ran";
    EXPECT_EQ(window->currentJournalQuery().asString("ok"), "no") << "the journal is not re-run";
}

TEST_F(AcceptDeleteTest, DeletingTheOnlyPositionOfADayZeroesItsCellAndKeepsTheRow) {
    clickRow(2); // 7010, worker 504's only position of the day
    messages.answers = {ui::Messages::Answer::Yes};
    click(Names::remove);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].caption, QString::fromUtf8("Удаление"));
    EXPECT_EQ(messages.messages[0].text, QString::fromUtf8("Удалить позицию из списка?"));
    EXPECT_EQ(messages.messages[0].icon, ui::Messages::Icon::Question);
    EXPECT_EQ(messages.messages[0].buttons, ui::Messages::Buttons::YesNo);
    EXPECT_EQ(shownIds(), (QList<int>{7001, 7002, 7004, 7005, 7003}));
    EXPECT_EQ(cells(504), "2/0") << "the other day stays";
}

TEST_F(AcceptDeleteTest, DeletingIsRefusedForAcceptedPositionsAndUndoneByNo) {
    window->currentJournalQuery().setSort("id DESC");
    clickRow(0); // 7010 in this order
    messages.answers = {ui::Messages::Answer::No};
    click(Names::remove);
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(shownIds(), (QList<int>{7001, 7002, 7010, 7004, 7005, 7003}))
        << "reloaded in the statement's order";
    EXPECT_EQ(window->currentJournalQuery().recNo(), 0);
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena").toInt(), 7);

    for (int row : {3, 4}) { // 7004 'ok' and 7005 'да'
        SCOPED_TRACE(row);
        messages.clear();
        clickRow(row);
        messages.answers = {ui::Messages::Answer::Yes};
        click(Names::remove);
        EXPECT_EQ(messages.texts(), QStringList{acceptedIsFixed})
            << "no question for an accepted position, but why";
    }
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena").toInt(), 7);
    EXPECT_EQ(cells(504), "2/5");
}

TEST_F(AcceptDeleteTest, DeletingRollsUpThePositionsOwnDayNotATypedOne) {
    control<QDateEdit>(Names::date)->setDate(QDate(2026, 12, 3)); // typed, not loaded
    clickRow(2);                                                  // 7010 of Wednesday
    messages.answers = {ui::Messages::Answer::Yes};
    click(Names::remove);
    EXPECT_EQ(cells(504), "2/0") << "Wednesday lost the hours, the 3rd kept its own";
}

TEST_F(AcceptDeleteTest, RowsChangedOnAnotherWorkstationAreRefusedAndTheRestGoOn) {
    testdb::exec("update accounts_dep.smena set kol_vo = 1000 where id = 7001;"
                 "delete from accounts_dep.smena where id = 7003");
    click(Names::acceptAll);
    EXPECT_EQ(messages.texts(), (QStringList{refused(changedElsewhere, position7001),
                                             refused(noMaterials, position7010),
                                             refused(changedElsewhere, position7003)}))
        << "7001 changed, 7010 without materials, 7003 gone; each named as shown";
    EXPECT_EQ(states(), QString::fromUtf8("7001=no 7002=ok 7004=ok 7005=да"));
    EXPECT_EQ(shownIds(), (QList<int>{7001, 7002, 7010, 7004, 7005})) << "re-run at the end";

    messages.clear();
    testdb::exec("update accounts_dep.smena set ok = 'ok' where id = 7010");
    clickRow(2);
    messages.answers = {ui::Messages::Answer::Yes};
    click(Names::remove);
    EXPECT_EQ(messages.texts(),
              (QStringList{QString::fromUtf8("Удалить позицию из списка?"), changedElsewhere}));
    EXPECT_EQ(testdb::exec("select ok from accounts_dep.smena where id = 7010").toString(), "ok");
    ASSERT_TRUE(window->currentJournalQuery().locate("id", 7010));
    EXPECT_EQ(window->currentJournalQuery().asString("ok"), "ok") << "re-run shows it accepted";
}

} // namespace
