// "История": a position's changes in the words of the journal, newest first, with who made
// them; the period's list with its worker filter and export, which leads to the history of a
// position deleted since.
#include "ModalDriver.h"
#include "TestDatabase.h"
#include "WindowTest.h"
#include "Xlsx.h"
#include "data/Command.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/ResultSet.h"
#include "journal/HistoryWindow.h"
#include "reference/Pickers.h"
#include "ui/DataGrid.h"

#include <QDir>
#include <QLineEdit>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

using journal::HistoryWindow;
using Names = HistoryWindow::Names;

class HistoryWindowTest : public WindowTest<HistoryWindow> {
protected:
    // Position 8001 is added, its quantity changed, divided with worker 102 (copy 9001) and
    // accepted; the copy is then deleted.
    static void SetUpTestSuite() {
        testdb::exec(QString::fromUtf8(R"(
insert into cmn_contractor.person(id, s_code, s_caption, b_employee)
values (10, '101', 'Антонов А.А.', true), (11, '102', 'Борисов Б.Б.', true);
insert into accounts_dep.izdel(id, marka, nom, massa) values (100, 'СТ-1', 'Стулья', 0.5);
insert into accounts_dep.vid_oper(id, vid) values (1, 'Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (1, 1, 0, 100, 10);
insert into accounts_dep.norm(o_id, norma, price, prize) values (1, 3, 11, 5);
select setval('accounts_dep.smena_id_seq', 9000);
)"));
        const auto as = [](const QString& login, const QString& sql) {
            data::Connection c;
            testdb::openAs(c, login, login);
            data::Command cmd(c);
            cmd.setSql(sql);
            cmd.execute();
        };
        as("master", "insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, "
                     "kol_vo, brak, time, ok) values (8001, '2026-12-10', 1, 101, 100, 1, 10, 6, "
                     "0, 4, 'no')");
        as("master", "update accounts_dep.smena set kol_vo = 8.5 where id = 8001");
        as("master", "insert into accounts_dep.person_temp(id_smena, id_person) values (8001, 11)");
        as("master", "select accounts_dep.divide_between_person(8001)");
        as("operator1", "select accounts_dep.smena__accept_row_hwo(8001)");
        as("master", "delete from accounts_dep.smena where id = 9001");
    }

    // "what | who | changes" of each shown row, top to bottom.
    QStringList shownRows() {
        QStringList rows;
        const QAbstractItemModel* model = window->grid()->model();
        for (int r = 0; r < model->rowCount(); ++r)
            rows << QStringList{model->index(r, 2).data().toString(),
                                model->index(r, 1).data().toString(),
                                model->index(r, 7).data().toString()}
                        .join(" | ");
        return rows;
    }
};

const char* const added = "Дата: 10.12.2026; Смена: 1; Фамилия И.О.: Антонов А.А.; Марка "
                          "изделия: СТ-1; Операция: Сборка; Часы: 4; Кол-во: 6; Брак: 0; Цена: "
                          "10; OK: не принята";
const char* const copy = "Дата: 10.12.2026; Смена: 1; Фамилия И.О.: Борисов Б.Б.; Марка "
                         "изделия: СТ-1; Операция: Сборка; Часы: 4; Кол-во: 4,25; Брак: 0; "
                         "Цена: 10; OK: не принята; Из позиции бригады №: 8001";

TEST_F(HistoryWindowTest, APositionsChangesReadAsTheJournalNewestFirstWithTheirLogin) {
    window->loadPosition(8001);
    EXPECT_EQ(window->windowTitle(), "История позиции № 8001");
    EXPECT_EQ(shownRows(), (QStringList{
                               "Принята | operator1 | Премия (%): 0 → 5; OK: не принята → принята",
                               "Разделена в бригаде | master | Кол-во: 8,5 → 4,25",
                               "Изменена | master | Кол-во: 6 → 8,5",
                               QString("Добавлена | master | ") + added,
                           }));
    const QAbstractItemModel* model = window->grid()->model();
    EXPECT_TRUE(model->index(0, 0).data().toString().contains(
        QRegularExpression("^\\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d:\\d\\d$")));
    EXPECT_EQ(model->index(1, 6).data().toString(), "Антонов А.А.");

    // the member's copy, deleted since
    window->loadPosition(9001);
    EXPECT_EQ(shownRows(), (QStringList{
                               QString("Удалена | master | ") + copy,
                               QString("Разделена в бригаде | master | ") + copy,
                           }));
}

TEST_F(HistoryWindowTest, ThePeriodListFiltersByWorkerExportsAndLeadsToADeletedPosition) {
    xlsx::ThrowAwayHome home;
    const QDate today = QDate::fromString(
        testdb::exec("select to_char(current_date, 'YYYY-MM-DD')").toString(), Qt::ISODate);
    QStringList listed, nested;
    QString nestedTitle;
    whenModalOpens([&](QWidget* modal) {
        typeText(control<QLineEdit>(Names::worker), "102");
        click(Names::show);
        listed = shownRows();
        click(Names::spreadsheet);
        window->rows().moveTo(0);
        whenModalOpens([&](QWidget* position) {
            auto* inner = static_cast<HistoryWindow*>(position);
            nestedTitle = inner->windowTitle();
            nested << QString::number(inner->rows().rowCount());
            position->close();
        });
        click(Names::position);
        modal->close();
    });
    window->showPeriod(today, today);
    ASSERT_EQ(listed.size(), 2);
    EXPECT_TRUE(listed[0].startsWith("Удалена | master"));
    EXPECT_TRUE(listed[1].startsWith("Разделена в бригаде | master"));
    EXPECT_EQ(nestedTitle, "История позиции № 9001");
    EXPECT_EQ(nested, QStringList{"2"});

    ASSERT_EQ(home.opened.size(), 1);
    const xlsx::Xlsx book(home.opened[0]);
    EXPECT_EQ(book.at(3, 1), "s:Что @ b");
    EXPECT_EQ(book.at(3, 2), "s:Удалена @");
    EXPECT_EQ(book.at(4, 2), "n:9001");
    EXPECT_EQ(book.at(8, 2), QString("s:") + copy + " @");
    EXPECT_EQ(book.at(1, 4), "");

    // a period before the changes lists none; a period upside down is refused
    whenModalOpens([&](QWidget* modal) {
        listed = shownRows();
        modal->close();
    });
    window->showPeriod(today.addDays(-10), today.addDays(-1));
    EXPECT_TRUE(listed.isEmpty());
    EXPECT_THROW(window->showPeriod(today, today.addDays(-1)), data::Error);
}

// A colour reads by its name, as in the journal.
TEST_F(HistoryWindowTest, AColourReadsByItsName) {
    testdb::exec(QString::fromUtf8(
        "insert into cmn_gds_and_srv.gds_and_srv(id, s_caption) values (5005, 'Синий'), "
        "(9003, 'Белый');"
        "insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, "
        "time, ok, color) values (8002, '2026-12-10', 1, 101, 100, 1, 10, 1, 0, 1, 'no', 5005);"
        "update accounts_dep.smena set color = 9003 where id = 8002"));
    window->loadPosition(8002);
    const QStringList rows = shownRows();
    testdb::exec("delete from accounts_dep.smena where id = 8002");
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].endsWith("| Цвет: Синий → Белый")) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].contains("Цвет: Синий; ")) << rows[1].toStdString();
}

// The window can be made smaller or larger, its changes column following; a change shows whole
// in its tooltip; "..." beside "Табельный №" fills it from the workers list.
TEST_F(HistoryWindowTest, ResizesShowsWholeChangesAndPicksTheWorkerFromTheList) {
    reference::WorkersList workers(dm);
    window->setWorkersPicker(workers);
    QSize smaller, larger;
    int changesNarrow = 0, changesWide = 0;
    QString tooltip, shown, picked;
    whenModalOpens([&](QWidget* modal) {
        window->resize(900, 500);
        QApplication::processEvents();
        smaller = window->size();
        changesNarrow = window->grid()->columnWidth(7);
        window->resize(1400, 600);
        QApplication::processEvents();
        larger = window->size();
        changesWide = window->grid()->columnWidth(7);
        tooltip = window->grid()->model()->index(0, 7).data(Qt::ToolTipRole).toString();
        shown = window->grid()->model()->index(0, 7).data().toString();
        whenModalOpens([&](QWidget* list) {
            typeText(list->findChild<QLineEdit*>(reference::ReferenceList::Names::search),
                     QString::fromUtf8("Бор"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        });
        click(Names::pickWorker);
        picked = control<QLineEdit>(Names::worker)->text();
        modal->close();
    });
    const QDate today = QDate::fromString(
        testdb::exec("select to_char(current_date, 'YYYY-MM-DD')").toString(), Qt::ISODate);
    window->showPeriod(today, today);
    EXPECT_EQ(smaller, QSize(900, 500));
    EXPECT_EQ(larger, QSize(1400, 600));
    EXPECT_GT(changesWide, changesNarrow) << "the changes column takes the room";
    ASSERT_TRUE(shown.contains("; "));
    EXPECT_EQ(tooltip, QString(shown).replace("; ", "\n"));
    EXPECT_EQ(picked, "102");
}

} // namespace
