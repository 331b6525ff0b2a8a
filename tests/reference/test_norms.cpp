// The norms window: its steps and formats, typing and its refusals, new steps, saving into
// the operations list, Enter and Esc, deleting (also the last two steps from two places), and
// writes that meet another workstation's change.
#include "ModalDriver.h"
#include "TestDatabase.h"
#include "WindowTest.h"
#include "data/Transaction.h"
#include "reference/Norms.h"
#include "ui/DataGrid.h"
#include "ui/ResultSetModel.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <utility>

namespace {

const QString lastStep = QString::fromUtf8(
    "Последний норматив операции удалить нельзя: у операции остаётся хотя бы один.");

using reference::NormsWindow;
using Names = NormsWindow::Names;

const QString required = QString::fromUtf8("Все поля должны быть заполнены!");

// Operation 1 has three steps out of order, 2 a single one, 3 two. In the operations list
// (mark, type, kind) they are rows 0, 1 and 2.
const char* const seed = R"(
insert into accounts_dep.izdel(id, marka) values (1, 'Стул'), (2, 'Табурет');
insert into accounts_dep.vid_oper(id, vid) values (1, 'Сборка'), (2, 'Покраска');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values
  (1, 1, 0, 1, 1), (2, 2, 0, 2, 1), (3, 1, 0, 2, 1);
delete from accounts_dep.norm;
insert into accounts_dep.norm(id, o_id, norma, price, prize) values
  (1, 1, 100, 12.5, 5), (2, 1, 50, 12.3456, 0), (3, 1, 200, 7, null),
  (4, 2, 10, 3, 0),
  (5, 3, 10, 9, 0), (6, 3, 20, 8, 0);
select setval('accounts_dep.oper_id_seq', 3), setval('accounts_dep.norm_id_seq', 6);
)";

// An operation's steps as the server holds them: norma:price:prize in ascending norma.
QString stored(int operation) {
    return testdb::exec(QStringLiteral("select coalesce(string_agg(norma || ':' || price || ':' "
                                       "|| coalesce(prize::text, '-'), ' ' order by norma, id), "
                                       "'') from accounts_dep.norm where o_id=%1")
                            .arg(operation))
        .toString();
}

const QString operation1 = "50:12.3456:0 100:12.5:5 200:7:-";

class NormsTest : public WindowTest<NormsWindow> {
protected:
    void SetUp() override {
        testdb::truncate("accounts_dep.vid_oper, accounts_dep.oper, accounts_dep.izdel, "
                         "accounts_dep.norm restart identity cascade");
        testdb::exec(QString::fromUtf8(seed));
        WindowTest::SetUp();
    }

    // Shows the window for the operation while the action runs; true when the window was
    // still open after it (it is then closed without saving).
    bool run(int operation, const std::function<void()>& action) {
        bool open = false;
        whenModalOpens([&](QWidget*) {
            action();
            open = window->isVisible();
            if (open)
                window->done(QDialog::Rejected);
        });
        window->showFor(operation, QString::fromUtf8("Стул; Сборка; Готовая продукция"));
        return open;
    }

    ui::DataGrid* grid() { return control<ui::DataGrid>(Names::steps); }
    ui::ResultSetModel* model() { return grid()->resultModel(); }
    QLineEdit* editor() {
        for (QLineEdit* e : grid()->findChildren<QLineEdit*>())
            if (e->isVisible())
                return e;
        return nullptr;
    }
    // Where a key goes: the open cell editor, else the grid.
    QWidget* focused() {
        QWidget* e = editor();
        return e ? e : grid();
    }
    QStringList shown(int column) {
        QStringList out;
        for (int r = 0; r < model()->rowCount(); ++r)
            out << model()->index(r, column).data().toString();
        return out;
    }
    int currentRow() { return grid()->currentIndex().row(); }
    QVariant currentKey() { return grid()->currentIndex().data(ui::ResultSetModel::KeyRole); }
    void go(int row, int column) { grid()->setCurrentIndex(model()->index(row, column)); }
    // Types into the current cell as a user does: the first key opens its editor, unless Tab
    // has opened the next one already.
    void type(const QString& text) {
        if (QLineEdit* open = editor()) {
            open->selectAll();
            typeText(open, text);
            return;
        }
        typeText(grid(), text.left(1));
        ASSERT_NE(editor(), nullptr) << "typing opens the cell editor";
        typeText(editor(), text.mid(1));
    }
    // A key, and what it leaves to the event loop (an editor commits Enter there).
    void key(Qt::Key k) {
        QTest::keyClick(focused(), k);
        QApplication::processEvents();
    }
};

TEST(NormsRules, PricesShowTwoToThreeDecimalsWithAComma) {
    struct Case {
        QVariant price;
        QString text;
    };
    const Case cases[] = {
        {12.5, "12,50"},     {12.3456, "12,346"}, {7.0, "7,00"},     {0.125, "0,125"},
        {1234.5, "1234,50"}, {12.3, "12,30"},     {-0.0001, "0,00"}, {QVariant(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(reference::norms::priceText(c.price), c.text);
    }
}

TEST_F(NormsTest, StepsShowInAscendingNormaEndingInAnEmptyRow) {
    QString editorText;
    run(1, [&] {
        EXPECT_EQ(shown(0), QStringList({"50", "100", "200", ""}));
        EXPECT_EQ(shown(1), QStringList({"12,346", "12,50", "7,00", ""}));
        EXPECT_EQ(shown(2), QStringList({"0", "5", "", ""}));
        EXPECT_EQ(currentRow(), 0);
        go(0, 1);
        key(Qt::Key_F2);
        ASSERT_NE(editor(), nullptr);
        editorText = editor()->text();
    });
    EXPECT_EQ(editorText, "12,3456") << "the editor shows the stored price";
    EXPECT_EQ(window->objectName(), "TForm22");
    EXPECT_EQ(window->windowTitle(),
              QString::fromUtf8("Норматив — Стул; Сборка; Готовая продукция"))
        << "the caption names the operation whose steps it holds";
    const QStringList titles = {QString::fromUtf8("Норматив"), QString::fromUtf8("Цена"),
                                QString::fromUtf8("Премия, %")};
    const int widths[] = {133, 105, 82};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), titles[c]);
        EXPECT_EQ(grid()->columnWidth(c), widths[c]);
    }
    EXPECT_EQ(control<QPushButton>(Names::save)->text(), QString::fromUtf8("Сохранить"));
    EXPECT_EQ(control<QPushButton>(Names::remove)->text(), QString::fromUtf8("Удалить"));
    EXPECT_EQ(model()->rowCount(), 0) << "closing the window closes its steps";
}

TEST_F(NormsTest, TypedCellsAreTakenOrRefusedKeepingTheirValue) {
    struct Case {
        int row, column;
        QString typed;
        QString editorShows; // before Enter
        QString message;     // a part of it; empty: none
        QString stored;      // operation 1 after "Сохранить"
    };
    const Case cases[] = {
        {0, 0, "75", "75", "", "75:12.3456:0 100:12.5:5 200:7:-"},
        {0, 1, "10.5", "10,5", "", "50:10.5:0 100:12.5:5 200:7:-"},
        {1, 2, "", "", "", "50:12.3456:0 100:12.5:0 200:7:-"},
        {0, 1, "12,3456", "12,3456", "", operation1},
        {0, 0, "abc", "abc", QString::fromUtf8("не является целым числом"), operation1},
        {0, 0, "12,5", "12,5", QString::fromUtf8("не является целым числом"), operation1},
        {0, 2, "3000000000", "3000000000", QString::fromUtf8("вне допустимого диапазона"),
         operation1},
        {0, 1, "1,2,3", "1,2,3", QString::fromUtf8("не является числом"), operation1},
        {0, 1, "-5", "-5", QString::fromUtf8("поля Цена не может быть отрицательным"), operation1},
        {0, 0, "-5", "-5", QString::fromUtf8("поля Норматив не может быть отрицательным"),
         operation1},
        {0, 2, "-10", "-10", QString::fromUtf8("поля Премия, % не может быть отрицательным"),
         operation1},
        {0, 1, QString(400, '9'), QString(400, '9'), QString::fromUtf8("вне допустимого диапазона"),
         operation1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.typed + " in column " + QString::number(c.column)).toStdString());
        SetUp();
        messages.clear();
        QString editorShows, cellAfter, editorAfter;
        const bool open = run(1, [&] {
            go(c.row, c.column);
            if (c.typed.isEmpty()) {
                key(Qt::Key_F2);
                ASSERT_NE(editor(), nullptr);
                editor()->selectAll();
                key(Qt::Key_Backspace);
            } else {
                type(c.typed);
            }
            editorShows = editor()->text();
            key(Qt::Key_Return);
            cellAfter = model()->index(c.row, c.column).data().toString();
            editorAfter = editor() ? editor()->text() : QStringLiteral("(closed)");
            if (c.message.isEmpty())
                click(Names::save);
        });
        EXPECT_EQ(open, !c.message.isEmpty()) << "a refused text is neither saved nor dropped";
        EXPECT_EQ(editorShows, c.editorShows);
        if (c.message.isEmpty()) {
            EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
            EXPECT_EQ(editorAfter, "(closed)");
        } else {
            ASSERT_EQ(messages.messages.size(), 1u);
            EXPECT_TRUE(messages.messages[0].text.contains(c.message))
                << messages.messages[0].text.toStdString();
            EXPECT_EQ(messages.messages[0].caption, QString::fromUtf8("Ошибка"));
            EXPECT_NE(cellAfter, c.editorShows) << "the refused cell keeps its value";
            EXPECT_EQ(editorAfter, c.editorShows) << "and its editor the typed text";
        }
        EXPECT_EQ(stored(1), c.stored);
    }
}

// A refused text stays in its cell's open editor whatever key would have left it, so the
// corrected number goes where it was meant to, and "Сохранить" writes only that.
TEST_F(NormsTest, ARefusedCellKeepsItsEditorSoTheRetypedNumberLandsInIt) {
    struct Case {
        const char* name;
        Qt::Key key;
    };
    const Case cases[] = {{"Tab", Qt::Key_Tab},
                          {"Enter", Qt::Key_Return},
                          {"Down", Qt::Key_Down},
                          {"Shift+Tab", Qt::Key_Backtab}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        messages.clear();
        QString kept;
        std::pair<int, int> at;
        run(1, [&] {
            go(0, 1);
            type("abc");
            key(c.key);
            at = {grid()->currentIndex().row(), grid()->currentIndex().column()};
            kept = editor() ? editor()->text() : QString();
            type("7,5");
            key(Qt::Key_Return);
            click(Names::save);
        });
        EXPECT_EQ(messages.messages.size(), 1u) << messages.texts().join('|').toStdString();
        EXPECT_EQ(at, std::make_pair(0, 1));
        EXPECT_EQ(kept, "abc");
        EXPECT_EQ(stored(1), "50:7.5:0 100:12.5:5 200:7:-");
    }
}

// The editor shows 12,3456 while the cell shows 12,346: taking the editor back unchanged
// must not write the rounded display, also when another cell of the row is written.
TEST_F(NormsTest, AnUnchangedPriceKeepsItsStoredDigits) {
    run(1, [&] {
        go(0, 1);
        key(Qt::Key_F2);
        key(Qt::Key_Return);
        EXPECT_EQ(model()->pendingRow(), -1) << "an unchanged cell starts no change";
        go(0, 0);
        type("60");
        key(Qt::Key_Return);
        key(Qt::Key_Return);
    });
    EXPECT_EQ(stored(1), "60:12.3456:0 100:12.5:5 200:7:-");
}

TEST_F(NormsTest, ANewStepIsTypedIntoTheEmptyRowAndWrittenWhenTheRowIsLeft) {
    struct Case {
        const char* name;
        std::function<void()> leave;
    };
    const Case cases[] = {
        {"Up", [&] { key(Qt::Key_Up); }},
        {"a click on the first step",
         [&] {
             QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                               grid()->visualRect(model()->index(0, 0)).center());
         }},
        {"Tab past the last column",
         [&] {
             go(3, 2);
             key(Qt::Key_Tab);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        messages.clear();
        QStringList normas;
        QString storedBeforeLeaving;
        int rowAfter = -1;
        QVariant keyAfter;
        run(1, [&] {
            go(2, 0);
            key(Qt::Key_Down);
            EXPECT_EQ(currentRow(), 3) << "Down on the last step reaches the empty row";
            key(Qt::Key_Down);
            EXPECT_EQ(currentRow(), 3);
            type("150");
            key(Qt::Key_Tab);
            type("4.5");
            key(Qt::Key_Return);
            storedBeforeLeaving = stored(1);
            c.leave();
            normas = shown(0);
            rowAfter = currentRow();
            keyAfter = currentKey();
        });
        EXPECT_EQ(storedBeforeLeaving, operation1) << "nothing is written while the row is current";
        EXPECT_EQ(stored(1), "50:12.3456:0 100:12.5:5 150:4.5:0 200:7:-");
        EXPECT_EQ(normas, QStringList({"50", "100", "150", "200", ""}));
        EXPECT_EQ(rowAfter, 2) << "the written step stays current in its place";
        EXPECT_EQ(keyAfter.toInt(), 7);
        EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
    }
}

// Another workstation adds a step meanwhile: the list counts both.
TEST_F(NormsTest, SavingShowsTheCheaperStepAndTheCountInTheOperationsList) {
    dm.operations.open();
    dm.operations.moveTo(2);
    ASSERT_EQ(dm.operations.asInt("id"), 3);
    const bool open = run(3, [&] {
        go(2, 0);
        type("30");
        key(Qt::Key_Tab);
        type("4,5");
        testdb::exec("insert into accounts_dep.norm(o_id, norma, price, prize) values "
                     "(3, 5, 6, 0)");
        click(Names::save);
    });
    EXPECT_FALSE(open);
    EXPECT_EQ(stored(3), "5:6:0 10:9:0 20:8:0 30:4.5:0");
    EXPECT_EQ(dm.operations.recNo(), 2) << "the list stays at the same row";
    EXPECT_EQ(dm.operations.asInt("id"), 3);
    EXPECT_DOUBLE_EQ(dm.operations.asDouble("cena"), 4.5);
    EXPECT_EQ(dm.operations.asInt("norma"), 4);
}

TEST_F(NormsTest, EnterInAnEditorCommitsAndStaysEnterAndEscElsewhereSave) {
    struct Case {
        const char* name;
        std::vector<Qt::Key> keys; // after typing 60 over norma 50
        bool closes;
    };
    const Case cases[] = {
        {"Enter in the editor", {Qt::Key_Return}, false},
        {"Esc in the editor", {Qt::Key_Escape}, true},
        {"Enter in the editor, Enter in the grid", {Qt::Key_Return, Qt::Key_Return}, true},
        {"Enter in the editor, Esc in the grid", {Qt::Key_Return, Qt::Key_Escape}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        QString cell;
        const bool open = run(1, [&] {
            type("60");
            for (Qt::Key k : c.keys)
                key(k);
            cell = model()->index(0, 0).data().toString();
        });
        EXPECT_EQ(open, !c.closes);
        EXPECT_EQ(cell, "60") << "what was typed is kept";
        EXPECT_EQ(stored(1), c.closes ? "60:12.3456:0 100:12.5:5 200:7:-" : operation1);
        EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
    }
}

TEST_F(NormsTest, AStepWithoutNormaOrPriceStaysCurrentUnwrittenUntilDropped) {
    struct Case {
        int column;
        QString typed;
    };
    const Case cases[] = {{0, "150"}, {1, "4"}, {2, "3"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        SetUp();
        messages.clear();
        int rowAfterUp = -1;
        bool openAfterSave = false;
        QString typedAfterDrop = "?";
        const bool open = run(1, [&] {
            go(3, c.column);
            type(c.typed);
            key(Qt::Key_Return);
            key(Qt::Key_Up);
            rowAfterUp = currentRow();
            click(Names::save);
            openAfterSave = window->isVisible();
            click(Names::remove);
            typedAfterDrop = model()->index(3, c.column).data().toString();
            click(Names::save);
        });
        EXPECT_EQ(messages.texts(), QStringList({required, required}));
        EXPECT_EQ(rowAfterUp, 3) << "the refused row stays current";
        EXPECT_TRUE(openAfterSave);
        EXPECT_EQ(typedAfterDrop, "") << "\"Удалить\" dropped the unsaved step";
        EXPECT_FALSE(open);
        EXPECT_EQ(stored(1), operation1);
    }
}

TEST_F(NormsTest, DeletingAStepWithARefusedTextInItsEditorDeletesIt) {
    struct Case {
        int row; // 3: the empty row for a new step
        QString stored;
    };
    const Case cases[] = {{0, "100:12.5:5 200:7:-"}, {3, operation1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        SetUp();
        messages.clear();
        QStringList shownAfter;
        bool editorOpen = true;
        run(1, [&] {
            go(c.row, 0);
            type("abc");
            key(Qt::Key_Return);
            click(Names::remove);
            editorOpen = editor() != nullptr;
            shownAfter = shown(0);
        });
        EXPECT_EQ(messages.messages.size(), 1u) << "only the refusal; the deletion says nothing";
        EXPECT_FALSE(editorOpen);
        EXPECT_EQ(stored(1), c.stored);
        EXPECT_FALSE(shownAfter.contains("abc"));
    }
}

TEST_F(NormsTest, DeletingAsksNothingAndKeepsTheLastStepSayingWhy) {
    struct Case {
        int operation, row;
        QString stored;
        QStringList shown;
        QStringList said;
    };
    const Case cases[] = {
        {2, 0, "10:3:0", {"10", ""}, {lastStep}},
        {3, 0, "20:8:0", {"20", ""}, {}}, // one of two
        {1, 1, "50:12.3456:0 200:7:-", {"50", "200", ""}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        SetUp();
        messages.clear();
        QStringList shownAfter;
        run(c.operation, [&] {
            go(c.row, 0);
            click(Names::remove);
            shownAfter = shown(0);
        });
        EXPECT_EQ(messages.texts(), c.said);
        EXPECT_EQ(stored(c.operation), c.stored);
        EXPECT_EQ(shownAfter, c.shown);
    }
}

// Another workstation deletes step 5 of operation 3 and holds its transaction open; this one
// deletes step 6 meanwhile. It must wait and then find the step left alone.
TEST_F(NormsTest, TwoWorkstationsDeletingTheLastTwoStepsLeaveOne) {
    std::promise<void> deleted;
    std::future<void> elsewhereDeleted = deleted.get_future();
    std::thread elsewhere;
    qint64 waited = 0;
    QStringList shownAfter;
    run(3, [&] {
        elsewhere = std::thread([&deleted] {
            data::Connection other;
            testdb::openAs(other, "master", "master");
            data::Transaction t(other);
            const bool removed = reference::norms::removeStep(other, 3, 5);
            deleted.set_value();
            EXPECT_TRUE(removed);
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            t.commit();
        });
        elsewhereDeleted.wait();
        go(1, 0);
        QElapsedTimer clock;
        clock.start();
        click(Names::remove);
        waited = clock.elapsed();
        shownAfter = shown(0);
    });
    elsewhere.join();
    EXPECT_EQ(stored(3), "20:8:0");
    EXPECT_GE(waited, 300) << "the second delete waited for the first";
    EXPECT_EQ(shownAfter, QStringList({"20", ""}));
    EXPECT_EQ(messages.texts(), QStringList{lastStep}) << "this one is the last now";
}

TEST_F(NormsTest, AWriteMeetingAnotherWorkstationsChangeIsToldAndLeavesNoOrphan) {
    struct Case {
        const char* name;
        int row;             // where 60 is typed into norma: a step, or the empty row
        const char* change;  // by the other workstation before "Сохранить"
        QString message;     // a part of it
        QString stored;      // operation 1 afterwards
        QString reason = {}; // the window's own first line above the server's text, if any
    };
    const Case cases[] = {
        {"the changed step was deleted", 0, "delete from accounts_dep.norm where id=2",
         QString::fromUtf8("изменили или удалили на другой рабочей станции"), "100:12.5:5 200:7:-"},
        {"the operation was deleted", 3, "delete from accounts_dep.oper where id=1",
         "norm_o_id_fkey", "", QString::fromUtf8("Операция удалена на другом рабочем месте\n")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        messages.clear();
        const bool open = run(1, [&] {
            go(c.row, 0);
            type("60");
            key(Qt::Key_Tab);
            type("5");
            testdb::exec(c.change);
            click(Names::save);
        });
        EXPECT_TRUE(open) << "the window stays with the step unwritten";
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_TRUE(messages.messages[0].text.contains(c.message))
            << messages.messages[0].text.toStdString();
        EXPECT_TRUE(messages.messages[0].text.startsWith(c.reason));
        EXPECT_EQ(stored(1), c.stored);
    }
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.norm n where not exists "
                           "(select 1 from accounts_dep.oper o where o.id=n.o_id)")
                  .toInt(),
              0);
}

} // namespace
