// The live grid on a real server: a query read again keeps the user's sort, current row (by
// key, else by row number), selected rows and scroll, a failed read keeps the rows; following
// the server, a burst from another connection is one re-run, a dialog held open over the
// window holds it back, and a lost session, once back, reads everything again.
#include "ModalDriver.h"
#include "TestDatabase.h"
#include "data/Command.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/Listener.h"
#include "data/ResultSet.h"
#include "data/Transaction.h"
#include "ui/LiveFollower.h"
#include "ui/LiveGrid.h"
#include "ui/Messages.h"
#include "ui/ResultSetModel.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

class LiveGridTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Every written row is announced on its own channel with its id, as the journal's are.
        testdb::exec(R"(
create table if not exists public.live_rows(id integer primary key, name text, qty integer);
grant all on public.live_rows to tabel_user;
create or replace function public.live_rows_announce() returns trigger language plpgsql as $$
begin
  perform pg_notify('live_rows', coalesce(new.id, old.id)::text);
  return null;
end $$;
drop trigger if exists live_rows_announce on public.live_rows;
create trigger live_rows_announce after insert or update or delete on public.live_rows
  for each row execute function public.live_rows_announce();
)");
    }
    // 60 rows, enough to scroll both ways in a small window; unannounced.
    static void seed() {
        testdb::execOldRows("delete from public.live_rows; insert into public.live_rows select "
                            "id, 'row ' || id, id from generate_series(1, 60) id");
    }
    void SetUp() override {
        seed();
        testdb::openAs(connection, "master", "master");
        listener.setRetryInterval(100);
        listener.listen("live_rows");
        rows.setSql("select id, name, qty from public.live_rows order by id");
        rows.open();
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(grid);
        grid->setMultiSelect(true);
        grid->showModel(&model);
        follower.add(*grid);
        follower.setDelay(20);
        window.resize(400, 300);
        window.show();
        QApplication::setActiveWindow(&window);
        QApplication::processEvents();
    }

    int idAt(int row) { return rows.valueAt(row, rows.fieldIndex("id")).toInt(); }
    int rowOf(int id) {
        for (int row = 0; row < rows.rowCount(); ++row)
            if (idAt(row) == id)
                return row;
        return -1;
    }
    // The user sorts, stands on a row, selects rows with Ctrl and scrolls both ways.
    void takePlace(const QString& sort, int current, const QList<int>& selected) {
        rows.setSort(sort);
        ASSERT_TRUE(rows.locate("id", current));
        QItemSelection chosen;
        for (int id : selected)
            chosen.select(model.index(rowOf(id), 0), model.index(rowOf(id), 2));
        grid->selectionModel()->select(chosen, QItemSelectionModel::ClearAndSelect |
                                                   QItemSelectionModel::Rows);
        grid->verticalScrollBar()->setValue(12);
        grid->horizontalScrollBar()->setValue(1);
        ASSERT_EQ(grid->verticalScrollBar()->value(), 12);
        ASSERT_EQ(grid->horizontalScrollBar()->value(), 1);
    }
    QList<int> selectedIds() {
        QList<int> ids;
        for (int row : grid->selectedRowNumbers())
            ids << idAt(row);
        return ids;
    }
    // Where the user stands now: sort, current id, selected ids, scroll.
    void expectPlace(const QString& sort, int current, const QList<int>& selected) {
        EXPECT_EQ(rows.sort(), sort);
        EXPECT_EQ(rows.asInt("id"), current);
        EXPECT_EQ(grid->currentIndex().row(), rows.recNo()) << "the grid stands where the query";
        EXPECT_EQ(selectedIds(), selected);
        EXPECT_EQ(grid->verticalScrollBar()->value(), 12);
        EXPECT_EQ(grid->horizontalScrollBar()->value(), 1);
    }
    static void write(const QString& sql) {
        data::Connection other;
        testdb::openAs(other, "master", "master");
        other.exec(sql.toUtf8());
    }

    ui::MessageRecorder messages;
    data::Connection connection;
    data::Listener listener{connection};
    data::ResultSet rows{connection, "live_rows"};
    ui::ResultSetModel model{rows, {{"id", "id", 60}, {"name", "name", 300}, {"qty", "qty", 300}}};
    QWidget window;
    ui::LiveGrid* grid = new ui::LiveGrid("DBGrid1", &window);
    ui::LiveFollower follower{window, listener, "live_rows",
                              [](const QString&, const data::ResultSet&) { return true; }};
    QSignalSpy followed{&follower, &ui::LiveFollower::followed};
};

// Rows that sort above the place, the current row or a selected one gone.
TEST_F(LiveGridTest, AReadAgainKeepsTheSortTheRowTheSelectionAndTheScroll) {
    struct Case {
        const char* what;
        const char* change;
        int current;
        QList<int> selected;
        int currentAfter;
        QList<int> selectedAfter; // top to bottom in "qty DESC"
    };
    const Case cases[] = {
        {"rows above",
         "insert into public.live_rows values (100, 'new', 500), (101, 'new', 400)",
         30,
         {40, 30, 20},
         30,
         {40, 30, 20}},
        {"a selected row gone",
         "delete from public.live_rows where id = 40",
         30,
         {40, 30, 20},
         30,
         {30, 20}},
        // the row that took its number
        {"the current row gone",
         "delete from public.live_rows where id = 30",
         30,
         {30, 20},
         29,
         {20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        seed();
        rows.close();
        rows.open();
        takePlace("qty DESC", c.current, c.selected);
        testdb::execOldRows(c.change);
        grid->reread();
        expectPlace("qty DESC", c.currentAfter, c.selectedAfter);
    }

    // A read that fails keeps the rows and the place.
    seed();
    rows.close();
    rows.open();
    takePlace("qty DESC", 30, {30, 20});
    testdb::exec("alter table public.live_rows rename to live_rows_away");
    EXPECT_THROW(grid->reread(), data::DbError);
    testdb::exec("alter table public.live_rows_away rename to live_rows");
    EXPECT_EQ(rows.rowCount(), 60);
    expectPlace("qty DESC", 30, {30, 20});
}

// A query no live grid binds keeps its sort and row; one a grid binds, its whole place, also
// when it is read by somebody who does not know the grid (a writer of another window).
TEST_F(LiveGridTest, AQueryIsReadAgainOnItsPlaceWhoeverReadsIt) {
    data::ResultSet unbound(connection);
    unbound.setSql("select id, name from public.live_rows order by id");
    unbound.open();
    unbound.setSort("id DESC");
    unbound.locate("id", 10);
    testdb::execOldRows("insert into public.live_rows values (61, 'new', 61)");
    ui::readAgainKeepingPlace(unbound);
    EXPECT_EQ(unbound.sort(), "id DESC");
    EXPECT_EQ(unbound.rowCount(), 61);
    EXPECT_EQ(unbound.asInt("id"), 10);

    EXPECT_EQ(ui::LiveGrid::boundTo(rows), grid);
    EXPECT_EQ(ui::LiveGrid::boundTo(unbound), nullptr);
    takePlace("name", 25, {25, 7});
    ui::readAgainKeepingPlace(rows);
    EXPECT_EQ(rows.rowCount(), 61);
    expectPlace("name", 25, {25, 7});
}

// A division or "Принять ВСЕ" elsewhere: many rows in one transaction, one re-run.
TEST_F(LiveGridTest, ABurstFromAnotherConnectionIsOneReRunOnThePlace) {
    takePlace("qty DESC", 30, {40, 30, 20});
    {
        data::Connection other;
        testdb::openAs(other, "master", "master");
        data::Transaction t(other);
        other.exec("update public.live_rows set name = 'changed'");
        other.exec("insert into public.live_rows select id, 'new', id from generate_series(61, "
                   "560) id");
        t.commit();
    }
    ASSERT_TRUE(followed.wait(5000));
    EXPECT_FALSE(followed.wait(500));
    EXPECT_EQ(followed.count(), 1);
    EXPECT_EQ(rows.rowCount(), 560);
    EXPECT_EQ(rows.asString("name"), "changed");
    expectPlace("qty DESC", 30, {40, 30, 20});
}

// A dialog of the window may rely on the rows it was opened on: the re-run waits for it.
TEST_F(LiveGridTest, ADialogHeldOpenOverTheWindowHoldsTheReRunUntilItCloses) {
    takePlace("qty DESC", 30, {30, 20});
    int rowsWhileOpen = -1, runsWhileOpen = -1;
    whenModalOpens([&](QWidget* dialog) {
        write("insert into public.live_rows values (61, 'new', 61)");
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 700)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        rowsWhileOpen = rows.rowCount();
        runsWhileOpen = int(followed.count());
        dialog->close();
    });
    QDialog dialog(&window);
    dialog.exec();
    EXPECT_EQ(rowsWhileOpen, 60);
    EXPECT_EQ(runsWhileOpen, 0);
    ASSERT_TRUE(followed.wait(5000));
    EXPECT_EQ(rows.rowCount(), 61);
    expectPlace("qty DESC", 30, {30, 20});
}

// Changes made while the session was away were announced to nobody: once it is back, every
// query is read again.
TEST_F(LiveGridTest, ALostSessionOnceBackReadsEverythingAgain) {
    takePlace("qty DESC", 30, {30, 20});
    data::Command session(connection);
    session.setSql("select pg_backend_pid()");
    const QVariant pid = session.executeScalar();
    testdb::exec(QString("select pg_terminate_backend(%1, 5000); insert into public.live_rows "
                         "values (61, 'new', 61)")
                     .arg(pid.toInt()));
    ASSERT_TRUE(followed.wait(10000));
    EXPECT_EQ(rows.rowCount(), 61);
    EXPECT_EQ(rows.value("name").toString(), "row 30");
    expectPlace("qty DESC", 30, {30, 20});
}

} // namespace
