// Accepting and deleting positions from the journal window.
#include "TestDatabase.h"
#include "data/DataModule.h"
#include "journal/JournalWindow.h"
#include "ui/Messages.h"
#include "ui/ResultSetModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QDate wednesday(2026, 12, 9);
const QString noMaterials = QString::fromUtf8("Не заведен расход ТМЦ!");

class AcceptDeleteTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
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

    void SetUp() override {
        // Shift 1 of Wednesday in statement order: 7001, 7002, 7010, 7004, 7005, 7003.
        testdb::exec(QString::fromUtf8(R"(
truncate accounts_dep.smena, accounts_dep.h_tabel restart identity cascade;
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, ok) values
  (7001, '2026-12-09', 1, 501, 800001, 701, 10, 1, 0, 4, 'no'),
  (7002, '2026-12-09', 1, 502, 800001, 701, 10, 1, 0, 4, 'no'),
  (7003, '2026-12-09', 1, 503, 800002, 702, 5, 1, 0, 4, 'no'),
  (7004, '2026-12-09', 1, 501, 800002, 702, 10, 2, 0, 3, 'ok'),
  (7005, '2026-12-09', 1, 502, 800002, 702, 5, 2, 0, 3, 'да'),
  (7010, '2026-12-09', 1, 504, 800001, 701, 10, 3, 0, 5, 'no'),
  (7020, '2026-12-03', 1, 504, 800001, 701, 10, 1, 0, 2, 'no');
insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) values
  (7001, 1, 1), (7002, 1, 1), (7002, 2, 1), (7005, 1, 1);
insert into accounts_dep.h_tabel(w_id, smena, month, year, d3, d9) values (504, 1, 12, 2026, 2, 5);
)"));
        testdb::openAs(dm.ADO_DB, "master", "master");
        for (int shift = 1; shift <= 4; ++shift)
            dm.journal(shift).setParam("ok", "ta");
        window = std::make_unique<journal::JournalWindow>(dm);
        window->setToday([] { return wednesday; });
        window->show();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();
        ASSERT_EQ(shownIds(), (QList<int>{7001, 7002, 7010, 7004, 7005, 7003}));
    }
    void TearDown() override { window.reset(); }

    QTableView* grid() { return window->findChild<QTableView*>("DBGrid2"); }
    void click(const char* button) {
        QTest::mouseClick(window->findChild<QPushButton*>(button), Qt::LeftButton);
    }
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
    static QString states() {
        return testdb::exec("select string_agg(id || '=' || ok, ' ' order by id) from "
                            "accounts_dep.smena where id < 7010")
            .toString();
    }
    static QString cells(int worker) {
        return testdb::exec(QString("select coalesce(string_agg(d3 || '/' || d9, ';'), '-') from "
                                    "accounts_dep.h_tabel where w_id=%1 and smena=1")
                                .arg(worker))
            .toString();
    }

    ui::MessageRecorder messages;
    data::DataModule dm{[](const QString&) {}};
    std::unique_ptr<journal::JournalWindow> window;
};

TEST_F(AcceptDeleteTest, AcceptTakesExactlyTheRowsSelectedWithCtrl) {
    clickRow(0);                      // 7001
    clickRow(1, Qt::ControlModifier); // 7002
    clickRow(4, Qt::ControlModifier); // 7005
    clickRow(4, Qt::ControlModifier); // and off again; 7005 stays current
    ASSERT_EQ(window->currentJournalQuery().recNo(), 4);
    click("Button5");
    EXPECT_EQ(states(), QString::fromUtf8("7001=ok 7002=ok 7003=no 7004=ok 7005=да"));
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join(';').toStdString();
    EXPECT_EQ(window->currentJournalQuery().recNo(), 4) << "the same row number stays current";
    EXPECT_EQ(window->currentJournalQuery().asString("ok"), QString::fromUtf8("да"));
}

TEST_F(AcceptDeleteTest, APositionWithoutMaterialsIsRefusedAndAnAcceptedOneLeftAlone) {
    clickRow(5); // 7003: no material rows
    click("Button5");
    EXPECT_EQ(messages.texts(), QStringList{noMaterials});
    EXPECT_EQ(messages.messages[0].caption, QString::fromUtf8("Ошибка"));
    EXPECT_EQ(states(), QString::fromUtf8("7001=no 7002=no 7003=no 7004=ok 7005=да"));

    messages.clear();
    clickRow(3); // 7004, already accepted
    click("Button5");
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
    click("Button6");
    EXPECT_EQ(messages.texts(), (QStringList{noMaterials, noMaterials})) << "7010 and 7003";
    EXPECT_EQ(states(), QString::fromUtf8("7001=ok 7002=ok 7003=no 7004=ok 7005=ok"));
    EXPECT_EQ(window->currentJournalQuery().sort(), sort);
    EXPECT_EQ(window->currentJournalQuery().recNo(), 2);
    EXPECT_EQ(grid()->currentIndex().row(), 2);
}

TEST_F(AcceptDeleteTest, AnEmptyShiftAcceptsNothingAndSaysNothing) {
    QTest::mouseClick(window->findChild<QRadioButton*>("RadioButton3"), Qt::LeftButton);
    ASSERT_TRUE(shownIds().isEmpty());
    click("Button5");
    click("Button6");
    click("Button3");
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(states(), QString::fromUtf8("7001=no 7002=no 7003=no 7004=ok 7005=да"));
}

TEST_F(AcceptDeleteTest, ADatabaseErrorEndsAcceptAllWhereItHappened) {
    testdb::exec(QString::fromUtf8(R"(
create function public.refuse_7002() returns trigger language plpgsql as $$
begin raise exception 'Позиция 7002 заблокирована'; end $$;
create trigger refuse_7002 before update on accounts_dep.smena for each row
  when (old.id = 7002) execute function public.refuse_7002();)"));
    click("Button6");
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
    click("Button3");
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
    clickRow(1); // 7005 in this order
    messages.answers = {ui::Messages::Answer::No};
    click("Button3");
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(shownIds(), (QList<int>{7001, 7002, 7010, 7004, 7005, 7003}))
        << "reloaded in the statement's order";
    EXPECT_EQ(window->currentJournalQuery().recNo(), 0);
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena").toInt(), 7);

    messages.clear();
    clickRow(3); // 7004, accepted
    click("Button3");
    EXPECT_TRUE(messages.messages.empty()) << "no question for an accepted position";
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena").toInt(), 7);
    EXPECT_EQ(cells(504), "2/5");
}

} // namespace
