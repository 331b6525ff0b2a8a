// The worker and product pickers on real windows: search, keys, takes and refusals.
#include "ModalDriver.h"
#include "TestDatabase.h"
#include "WindowTest.h"
#include "data/SqlText.h"
#include "reference/Pickers.h"
#include "ui/DataGrid.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <gtest/gtest.h>

namespace {

using reference::ProductsList;
using reference::WorkersList;
using ListNames = reference::ReferenceList::Names;

QStringList shown(const ui::DataGrid* grid) {
    QStringList out;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        out << grid->model()->index(r, 0).data().toString();
    return out;
}

class WorkersPickerTest : public WindowTest<WorkersList> {
protected:
    static void SetUpTestSuite() {
        testdb::exec(QString::fromUtf8(R"(
insert into hrms_staffpos.staffpos(id, s_caption) values (71, 'Сборщик'), (72, 'Маляр');
insert into cmn_contractor.person(id, s_code, s_caption, b_employee) values
  (9601, '601', 'Абрамов А.А.', true), (9602, '602', 'Борисов Б.Б.', true),
  (9603, '603', 'Борисова В.В.', true), (9604, '604', 'Гусев Г.В.', true),
  (9605, '605', 'Д''Артаньян Ш.', true), (9606, '606', '50% Ставки С.С.', true),
  (9607, '607', '500 Рублёв Р.Р.', true), (9608, '608', 'Елкин Е.Е.', true),
  (9609, '609', 'Ёлкин Ё.Ё.', true), (9610, '610', 'Уволенный У.У.', false);
insert into hrms_movement.movement(id, id_employee, id_staffpos, d_begin, d_end) values
  (1, 9601, 71, '2020-01-01', null), (2, 9602, 72, '2020-01-01', null),
  (3, 9604, 71, '2019-01-01', '2020-01-01');
)"));
    }
    QLineEdit* box() { return control<QLineEdit>(ListNames::search); }
    ui::DataGrid* grid() { return control<ui::DataGrid>(ListNames::grid); }
};

TEST_F(WorkersPickerTest, ShowsEmployeesWithTodaysPositionAndSearchesByLiteralPrefix) {
    struct Case {
        const char* typed;
        QStringList names;
    };
    const Case cases[] = {
        {"аб", {"Абрамов А.А."}},
        {"Д'", {"Д'Артаньян Ш."}},
        {"50%", {"50% Ставки С.С."}},
        {"Борисов ", {"Борисов Б.Б."}},
        {"е", {"Елкин Е.Е.", "Ёлкин Ё.Ё."}}, // one letter for the search
        {"ё", {"Елкин Е.Е.", "Ёлкин Ё.Ё."}},
        {"_", {}},
        {"Я", {}},
    };
    bool checked = false;
    whenModalOpens([&](QWidget*) {
        EXPECT_TRUE(box()->isVisible());
        EXPECT_TRUE(box()->text().isEmpty());
        EXPECT_EQ(grid()->model()->rowCount(), 9) << "employees only";
        const int gusev = shown(grid()).indexOf(QString::fromUtf8("Гусев Г.В."));
        ASSERT_GE(gusev, 0);
        EXPECT_EQ(grid()->model()->index(gusev, 1).data().toString(), "") << "no position today";
        EXPECT_EQ(grid()->model()->index(0, 1).data().toString(), "") << "50% Ставки";
        EXPECT_EQ(grid()->columnWidth(0), 373);
        EXPECT_EQ(grid()->columnWidth(1), 277);
        EXPECT_EQ(grid()->model()->headerData(1, Qt::Horizontal).toString(),
                  QString::fromUtf8("Должность"));
        for (const Case& c : cases) {
            SCOPED_TRACE(c.typed);
            box()->clear();
            typeText(box(), QString::fromUtf8(c.typed));
            EXPECT_EQ(box()->text(), QString::fromUtf8(c.typed)) << "typed as is";
            EXPECT_EQ(shown(grid()), c.names);
        }
        box()->clear();
        EXPECT_EQ(grid()->model()->rowCount(), 9) << "an empty box shows all";
        checked = true;
        window->close();
    });
    EXPECT_FALSE(window->pick().has_value()) << "closed without a take";
    EXPECT_TRUE(checked);
    EXPECT_FALSE(dm.workers.isOpen());
    EXPECT_FALSE(dm.workers.filtered()) << "the next opening starts unfiltered";
    EXPECT_FALSE(box()->isVisibleTo(window.get()));
}

TEST_F(WorkersPickerTest, KeysMoveTypeOrDoNothingAndEnterTakesTheCurrentRow) {
    QString third;
    whenModalOpens([&](QWidget*) {
        typeText(box(), QString::fromUtf8("Бор"));
        QTest::keyClick(box(), Qt::Key_Backspace);
        EXPECT_EQ(box()->text(), QString::fromUtf8("Бо"));
        for (Qt::Key k : {Qt::Key_Left, Qt::Key_Home, Qt::Key_Delete, Qt::Key_Right, Qt::Key_End})
            QTest::keyClick(box(), k);
        EXPECT_EQ(box()->cursorPosition(), 2) << "Left and Home did nothing";
        EXPECT_EQ(box()->text(), QString::fromUtf8("Бо"));
        box()->clear();
        QTest::keyClick(box(), Qt::Key_Down);
        QTest::keyClick(box(), Qt::Key_Down);
        EXPECT_EQ(grid()->currentIndex().row(), 2) << "the grid moved with the query";
        third = shown(grid()).value(2);
        QTest::keyClick(box(), Qt::Key_Return);
    });
    const auto taken = window->pick();
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(taken->fio, third) << "the third row";
    const int code = testdb::exec(QString("select s_code from cmn_contractor.person where "
                                          "s_caption = %1")
                                      .arg(sqltext::quoted(third)))
                         .toInt();
    EXPECT_EQ(taken->id, code);
    EXPECT_EQ(taken->personId, 9000 + code);

    whenModalOpens([&](QWidget*) {
        EXPECT_TRUE(box()->text().isEmpty()) << "a new opening clears the box";
        typeText(box(), QString::fromUtf8("Я"));
        QTest::keyClick(box(), Qt::Key_Return);
    });
    EXPECT_FALSE(window->pick().has_value()) << "a take on an empty list gives nothing";
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WorkersPickerTest, EnterOnAFocusedExitTakesNothing) {
    whenModalOpens([&](QWidget*) {
        auto* exit = control<QPushButton>(ListNames::exit);
        exit->setFocus();
        QTest::keyClick(exit, Qt::Key_Return);
    });
    EXPECT_FALSE(window->pick().has_value());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WorkersPickerTest, ARowWhoseIdentifiersDoNotFitIsRefusedAndTheListStaysOpen) {
    testdb::exec(QString::fromUtf8(
        "insert into cmn_contractor.person(id, s_code, s_caption, b_employee) values "
        "(3000000000, '611', 'Аааа Широкий', true)"));
    bool stayed = false;
    whenModalOpens([&](QWidget*) {
        typeText(box(), QString::fromUtf8("Аааа"));
        QTest::keyClick(box(), Qt::Key_Return);
        stayed = window->isVisible();
        window->close();
    });
    EXPECT_FALSE(window->pick().has_value());
    testdb::exec("delete from cmn_contractor.person where id = 3000000000");
    EXPECT_TRUE(stayed);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].text.contains("3000000000"))
        << messages.texts().join('|').toStdString();
}

// Both pickers, with a list long enough to scroll: every column whole beside the scroll bar
// on a 1600-pixel screen, and the search box labelled, Alt+П reaching it.
TEST_F(WorkersPickerTest, BothPickersShowTheirColumnsWholeAndALabelledSearchBox) {
    // The program's own style, chosen after the windows were made, as at start-up.
    const QString previousStyle = QApplication::style()->name();
    QApplication::setStyle(QStyleFactory::create("Windows"));
    const auto restoreStyle = qScopeGuard([&] { QApplication::setStyle(previousStyle); });
    ProductsList products(dm);
    struct Case {
        const char* name;
        reference::ReferenceList* list;
        std::function<void()> pick;
    };
    const Case cases[] = {
        {"workers", window.get(), [&] { window->pick(); }},
        {"products", &products, [&] { products.pick(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* grid = c.list->findChild<ui::DataGrid*>(ListNames::grid);
        auto* box = c.list->findChild<QLineEdit*>(ListNames::search);
        QLabel* label = nullptr;
        for (QLabel* l : c.list->findChildren<QLabel*>())
            if (l->buddy() == box)
                label = l;
        ASSERT_NE(label, nullptr);
        bool looked = false;
        whenModalOpens([&](QWidget*) {
            grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            QApplication::processEvents();
            EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0);
            EXPECT_LE(c.list->frameGeometry().width(), 1600);
            for (int column = 0; column < grid->model()->columnCount(); ++column) {
                const QString title = grid->model()->headerData(column, Qt::Horizontal).toString();
                EXPECT_GT(grid->columnWidth(column),
                          grid->horizontalHeader()->fontMetrics().horizontalAdvance(title))
                    << title.toStdString();
            }
            EXPECT_TRUE(label->isVisible());
            EXPECT_EQ(label->text(), QString::fromUtf8("&Поиск:"));
            QApplication::setActiveWindow(c.list);
            grid->setFocus();
            const QString letter = QString::fromUtf8("П");
            for (auto action : {QTest::Press, QTest::Release})
                QTest::sendKeyEvent(action, grid, Qt::Key(letter.at(0).unicode()), letter,
                                    Qt::AltModifier);
            EXPECT_TRUE(box->hasFocus());
            looked = true;
            c.list->close();
        });
        c.pick();
        EXPECT_TRUE(looked);
        EXPECT_FALSE(label->isVisibleTo(c.list)) << "hidden with its box";
    }
}

class ProductsPickerTest : public WindowTest<ProductsList> {
protected:
    static void SetUpTestSuite() {
        testdb::exec(QString::fromUtf8(R"(
insert into accounts_dep.izdel(id, marka, nom, massa) values
  (800101, E'\tСТ-104', 'Столы', 1.5), (800102, 'СТ-105', 'Столы', 2),
  (800103, 'ШК-402', 'Шкафы', 0.123456);
)"));
    }
    QLineEdit* box() { return control<QLineEdit>(ListNames::search); }
    ui::DataGrid* grid() { return control<ui::DataGrid>(ListNames::grid); }
};

// Enter in the search box, "Выбрать" and a double-click each take the current row.
TEST_F(ProductsPickerTest, EnterSelectOrADoubleClickTakesAndATabbedMarkIsFoundWithoutIt) {
    struct Case {
        const char* name;
        std::function<void()> take;
        const char* marka;
        int id;
    };
    const Case cases[] = {
        {"Enter", [&] { QTest::keyClick(box(), Qt::Key_Return); }, "СТ-105", 800102},
        {"Выбрать",
         [&] {
             auto* select = control<QPushButton>(ListNames::change);
             EXPECT_TRUE(select->isVisible());
             EXPECT_EQ(select->text(), QString::fromUtf8("Выбрать"));
             QTest::mouseClick(select, Qt::LeftButton);
         },
         "СТ-105", 800102},
        {"double-click", [&] { doubleClick(grid(), 0); }, "СТ-104", 800101},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        whenModalOpens([&](QWidget*) {
            typeText(box(), QString::fromUtf8("ст-1"));
            EXPECT_EQ(shown(grid()),
                      QStringList({QString::fromUtf8("СТ-104"), QString::fromUtf8("СТ-105")}));
            QTest::keyClick(box(), Qt::Key_Home);
            EXPECT_EQ(box()->cursorPosition(), 0) << "other keys edit the box";
            QTest::keyClick(box(), Qt::Key_Down);
            c.take();
        });
        const auto taken = window->pick();
        ASSERT_TRUE(taken.has_value());
        EXPECT_EQ(taken->marka, QString::fromUtf8(c.marka));
        EXPECT_EQ(taken->id, c.id);
    }

    whenModalOpens([&](QWidget*) { QTest::keyClick(box(), Qt::Key_Escape); });
    EXPECT_FALSE(window->pick().has_value()) << "Esc leaves the product as it was";
    EXPECT_FALSE(dm.products.isOpen());
}

} // namespace
