// The journal follows the server: another workstation's change shows without any action
// here, a burst costs one re-run and a stream one a second, the user's sort, row, selection
// and scroll stay, a dialog open over the journal holds the re-run until it closes, and the
// version gate's error box does not.
#include "LoginWindow.h"
#include "ModalDriver.h"
#include "PreparedModule.h"
#include "TestDatabase.h"
#include "WindowTest.h"
#include "data/Command.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/ResultSet.h"
#include "data/Transaction.h"
#include "journal/JournalWindow.h"
#include "ui/DataGrid.h"
#include "ui/ResultSetModel.h"

#include <QAction>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QDate day(2026, 12, 9);
using journal::JournalWindow;

// The workers, product and operation the positions name, once for the program.
void seedReferences() {
    static bool seeded = false;
    if (std::exchange(seeded, true))
        return;
    testdb::exec(QString::fromUtf8(R"(
insert into cmn_contractor.person(id, s_code, s_caption, b_employee) values
  (900001, '501', 'Абрамов А.А.', true), (900002, '502', 'Борисов Б.Б.', true);
insert into accounts_dep.izdel(id, marka, nom, massa) values (800001, 'Марка-А', 'Стулья', 1);
insert into accounts_dep.vid_oper(id, vid) values (901, 'Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (701, 901, 0, 800001, 10);
)"));
}

const char* const newPosition =
    "insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, time) "
    "values (6001, '2026-12-09', 1, 501, 800001, 701, 10, 99, 1)";

class LiveJournalTest : public WindowTest<JournalWindow, testdb::PreparedModule> {
protected:
    static void SetUpTestSuite() { seedReferences(); }
    void SetUp() override {
        testdb::exec("delete from accounts_dep.smena");
        // 60 positions of shift 1, enough to scroll; worker 501 first, then 502
        testdb::exec("insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, "
                     "kol_vo, time, ok) select id, '2026-12-09', 1, case when id <= 5030 then "
                     "501 else 502 end, 800001, 701, 10, id - 5000, 1, 'no' from "
                     "generate_series(5001, 5060) id");
        WindowTest::SetUp();
        window->setToday([] { return day; });
        activate();
        other.open(testdb::socketFolder(), testdb::databaseName(), "operator4", "operator4");
    }

    data::ResultSet& shown() { return dm.journal(1); }
    int shownId(int row) { return shown().valueAt(row, shown().fieldIndex("id")).toInt(); }
    QList<int> selectedIds() {
        QList<int> ids;
        for (int row : window->grid()->selectedRowNumbers())
            ids << shownId(row);
        return ids;
    }
    void change(const QString& sql) {
        data::Command cmd(other);
        cmd.setSql(sql);
        cmd.execute();
    }

    data::Connection other;
};

TEST_F(LiveJournalTest, AnotherWorkstationsChangesShowWithoutAnyAction) {
    struct Case {
        const char* sql;
        int rows;      // shift 1's rows afterwards
        bool followed; // the journal read again
    };
    const Case cases[] = {
        {newPosition, 61, true},
        {"update accounts_dep.smena set kol_vo = 77 where id = 6001", 61, true},
        {"update accounts_dep.smena set smena = 2 where id = 6001", 60, true},
        {"delete from accounts_dep.smena where id = 5060", 59, true},
        // another date, and a change written as it was: nothing to read
        {"insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, time) "
         "values ('2026-12-10', 1, 501, 800001, 701, 10, 1, 1)",
         59, false},
        {"update accounts_dep.smena set kol_vo = kol_vo where id = 5001", 59, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        QSignalSpy followed(window.get(), &JournalWindow::followedServer);
        change(c.sql);
        if (c.followed)
            ASSERT_TRUE(followed.wait(5000));
        else
            EXPECT_FALSE(followed.wait(400));
        EXPECT_EQ(shown().rowCount(), c.rows);
        EXPECT_EQ(window->grid()->model()->rowCount(), c.rows);
    }
    EXPECT_EQ(dm.journal(2).rowCount(), 1);
    EXPECT_TRUE(dm.journal(2).locate("id", 6001));
    EXPECT_EQ(dm.journal(2).asString("kol_vo"), "77");
}

TEST_F(LiveJournalTest, SortRowSelectionAndScrollSurviveTheReRun) {
    ui::DataGrid* grid = window->grid();
    shown().setSort("kol_vo DESC, marka, fio, id ASC");
    // the user has three positions selected for acceptance, stands on one and has scrolled
    grid->resize(grid->width(), 300);
    QApplication::processEvents();
    shown().locate("id", 5040);
    QItemSelection chosen;
    for (int id : {5050, 5040, 5020}) {
        for (int row = 0; row < shown().rowCount(); ++row)
            if (shownId(row) == id)
                chosen.select(grid->model()->index(row, 0), grid->model()->index(row, 5));
    }
    grid->selectionModel()->select(chosen,
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid->verticalScrollBar()->setValue(12);
    const QList<int> before = selectedIds();
    ASSERT_EQ(before.size(), 3);

    // two rows that sort above everything else, and one of the selected gone
    QSignalSpy followed(window.get(), &JournalWindow::followedServer);
    data::Transaction t(other);
    change("insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, "
           "time) values (6001, '2026-12-09', 1, 501, 800001, 701, 10, 500, 1), (6002, "
           "'2026-12-09', 1, 502, 800001, 701, 10, 400, 1)");
    change("delete from accounts_dep.smena where id = 5020");
    t.commit();
    ASSERT_TRUE(followed.wait(5000));

    EXPECT_EQ(shown().sort(), "kol_vo DESC, marka, fio, id ASC");
    EXPECT_EQ(shownId(0), 6001);
    EXPECT_EQ(shown().asInt("id"), 5040);
    EXPECT_EQ(grid->currentIndex().row(), shown().recNo());
    EXPECT_EQ(selectedIds(), (QList<int>{5050, 5040}));
    EXPECT_EQ(grid->verticalScrollBar()->value(), 12);
}

// Back from a window opened over it, the journal stands where the user left it, also where
// rows came above the position meanwhile.
TEST_F(LiveJournalTest, ReturningFromAWindowKeepsSortRowSelectionAndScroll) {
    ui::DataGrid* grid = window->grid();
    grid->resize(grid->width(), 300);
    QApplication::processEvents();
    const auto showDialog = [this] {
        QDialog dialog(window.get());
        whenModalOpens([](QWidget* modal) { modal->close(); });
        dialog.exec();
        return true;
    };
    struct Case {
        const char* what;
        std::function<void()> comeBack;
    };
    const Case cases[] = {
        {"a position dialog",
         [&] { window->runDialog(showDialog, JournalWindow::Return::Always); }},
        {"a position dialog not shown",
         [&] { window->runDialog([] { return false; }, JournalWindow::Return::Always); }},
        {"a window of the menu",
         [&] {
             showDialog();
             window->returnFromDialog();
         }},
    };
    int added = 6000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        shown().setSort("kol_vo DESC, marka, fio, id ASC");
        shown().locate("id", 5040);
        QItemSelection chosen;
        for (int row = 0; row < shown().rowCount(); ++row)
            if (QList<int>{5050, 5040, 5020}.contains(shownId(row)))
                chosen.select(grid->model()->index(row, 0), grid->model()->index(row, 5));
        grid->selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect |
                                                   QItemSelectionModel::Rows);
        grid->verticalScrollBar()->setValue(12);
        // above all the others, the latest on top
        ++added;
        testdb::execOldRows(QString("insert into accounts_dep.smena(id, data, smena, w_id, i_id, "
                                    "o_id, cena, kol_vo, time) values (%1, '2026-12-09', 1, 501, "
                                    "800001, 701, 10, %2, 1)")
                                .arg(added)
                                .arg(added - 5500));
        c.comeBack();
        EXPECT_EQ(shownId(0), added);
        EXPECT_EQ(shown().sort(), "kol_vo DESC, marka, fio, id ASC");
        EXPECT_EQ(shown().asInt("id"), 5040);
        EXPECT_EQ(grid->currentIndex().row(), shown().recNo());
        EXPECT_EQ(selectedIds(), (QList<int>{5050, 5040, 5020}));
        EXPECT_EQ(grid->verticalScrollBar()->value(), 12);
    }
}

// A division or "Принять ВСЕ" elsewhere: hundreds of rows in one transaction, one re-run.
TEST_F(LiveJournalTest, ABurstCostsOneReRun) {
    QSignalSpy followed(window.get(), &JournalWindow::followedServer);
    {
        data::Transaction t(other);
        for (int id = 5001; id <= 5060; ++id)
            change(
                QString("update accounts_dep.smena set ok = 'ok', time = 2 where id = %1").arg(id));
        change("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, "
               "time) select '2026-12-09', 1, 501, 800001, 701, 10, 1, 1 from "
               "generate_series(1, 500)");
        t.commit();
    }
    ASSERT_TRUE(followed.wait(5000));
    EXPECT_FALSE(followed.wait(500));
    EXPECT_EQ(followed.count(), 1);
    EXPECT_EQ(shown().rowCount(), 560);
}

TEST_F(LiveJournalTest, ADialogOpenOverTheJournalHoldsTheReRunUntilItCloses) {
    QSignalSpy followed(window.get(), &JournalWindow::followedServer);
    int rowsWhileOpen = -1, runsWhileOpen = -1;
    whenModalOpens([&](QWidget* modal) {
        change("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, "
               "time) values ('2026-12-09', 1, 501, 800001, 701, 10, 1, 1)");
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 500)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        rowsWhileOpen = shown().rowCount();
        runsWhileOpen = followed.count();
        static_cast<QDialog*>(modal)->reject();
    });
    QDialog dialog(window.get());
    dialog.exec();
    EXPECT_EQ(rowsWhileOpen, 60);
    EXPECT_EQ(runsWhileOpen, 0);
    ASSERT_TRUE(followed.wait(5000));
    EXPECT_EQ(shown().rowCount(), 61);
}

// Any login may announce on the journal's channel. A stream of announcements, each in a
// transaction of its own, reads the journal again about once a second, a real change among
// them still shows within that second, and a lone change is followed at once, before the
// stream as after it.
TEST_F(LiveJournalTest, AStreamOfAnnouncementsIsFollowedAtMostOnceASecond) {
    QSignalSpy followed(window.get(), &JournalWindow::followedServer);
    QElapsedTimer clock;
    const auto loneChangeTakes = [&](const char* sql) {
        followed.clear();
        clock.restart();
        change(sql);
        return followed.wait(5000) ? clock.elapsed() : -1;
    };
    const qint64 before = loneChangeTakes("update accounts_dep.smena set kol_vo = 100 where id = "
                                          "5001");
    EXPECT_GE(before, 0);
    EXPECT_LT(before, 500);

    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::thread stream([&] {
        try {
            data::Connection announcer;
            testdb::openAs(announcer, "operator4", "operator4");
            while (!stop) {
                announcer.exec("notify tabel_smena, '2026-12-09 1 5001'");
                ++sent;
            }
        } catch (const data::Error&) {
        }
    });
    followed.clear();
    QElapsedTimer streaming;
    streaming.start();
    QTest::qWait(1500);
    clock.restart();
    change(newPosition);
    const bool shownInStream = QTest::qWaitFor([&] { return shown().rowCount() == 61; }, 3000);
    const qint64 shownAfter = clock.elapsed();
    QTest::qWait(int(std::max<qint64>(0, 3000 - streaming.elapsed())));
    stop = true;
    stream.join();
    const int runs = followed.count();
    EXPECT_GT(sent, 1000);
    EXPECT_LE(runs, 4) << "in " << streaming.elapsed() << " ms of " << sent << " announcements";
    EXPECT_TRUE(shownInStream);
    EXPECT_LT(shownAfter, 1600);

    QTest::qWait(2200); // what the stream left is read, and a second has passed
    const qint64 after = loneChangeTakes("update accounts_dep.smena set kol_vo = 200 where id = "
                                         "5002");
    EXPECT_GE(after, 0);
    EXPECT_LT(after, 500);
}

// The version gate's 30-second check finds the server away and shows its error box (a real
// one: nothing records it), over the login window; it is left open. The server comes back
// and another workstation adds a position: the journal shows it with the box still open.
class JournalUnderTheGatesBox : public ::testing::Test {
protected:
    static void SetUpTestSuite() { seedReferences(); }
    void SetUp() override {
        testdb::exec("delete from accounts_dep.smena");
        testdb::logIn(dm, "master");
        dm.listener.setRetryInterval(100);
        window.setToday([] { return day; });
        window.show();
        QApplication::setActiveWindow(&window);
        QApplication::processEvents();
        QObject::connect(&window, &JournalWindow::gateTick, &login,
                         &app::LoginWindow::runGateFromTimer);
        testdb::openAs(other, "operator4", "operator4");
    }
    void TearDown() override { admitLogins(true); }
    static void admitLogins(bool admit) {
        testdb::exec(QString("alter database \"%1\" connection limit %2")
                         .arg(testdb::databaseName(), admit ? "-1" : "0"));
    }

    testdb::PreparedModule dm;
    JournalWindow window{dm};
    app::LoginWindow login{dm, [this]() -> JournalWindow& { return window; },
                           testdb::socketFolder(), testdb::databaseName()};
    data::Connection other;
};

TEST_F(JournalUnderTheGatesBox, TheJournalCatchesUpOnceTheServerIsBack) {
    ASSERT_EQ(dm.journal(1).rowCount(), 0);
    // The server goes away: the session ends and no new one is let in.
    admitLogins(false);
    testdb::exec("select pg_terminate_backend(pid, 5000) from pg_stat_activity where datname = "
                 "current_database() and usename = 'master'");
    QString said;
    bool shownWhileOpen = false;
    whenModalOpens([&](QWidget* box) {
        if (auto* message = qobject_cast<QMessageBox*>(box))
            said = message->text();
        QTest::qWait(500); // attempts at a new session fail meanwhile
        admitLogins(true);
        data::Command insert(other);
        insert.setSql(newPosition);
        insert.execute();
        shownWhileOpen = QTest::qWaitFor([&] { return dm.journal(1).rowCount() == 1; }, 5000);
        box->close();
    });
    emit window.gateTick();
    EXPECT_TRUE(said.startsWith(QString::fromUtf8("Нет связи с сервером БД")))
        << said.toStdString();
    EXPECT_TRUE(shownWhileOpen);
}

} // namespace

namespace {

// "История" asks for the current position's history, from the button and the row's menu.
TEST_F(LiveJournalTest, HistoryAsksForTheCurrentPosition) {
    QSignalSpy asked(window.get(), &JournalWindow::historyRequested);
    shown().locate("id", 5007);
    click(JournalWindow::Names::history);
    auto* item = window->grid()->findChild<QAction*>(JournalWindow::Names::historyItem);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(window->grid()->actions().contains(item));
    shown().locate("id", 5009);
    item->trigger();
    ASSERT_EQ(asked.count(), 2);
    EXPECT_EQ(asked.at(0).at(0).toInt(), 5007);
    EXPECT_EQ(asked.at(1).at(0).toInt(), 5009);
}

} // namespace
