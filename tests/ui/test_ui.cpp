// The pieces every window stands on: the grid model, the data grid, the window base, the
// action guard, the busy cursor, the lookup box.
#include "ModalDriver.h"
#include "TestDatabase.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/ResultSet.h"
#include "data/SqlText.h"
#include "data/Value.h"
#include "ui/ActionGuard.h"
#include "ui/BusyCursor.h"
#include "ui/Controls.h"
#include "ui/DataGrid.h"
#include "ui/Form.h"
#include "ui/LiveGrid.h"
#include "ui/LookupBox.h"
#include "ui/Messages.h"
#include "ui/ResultSetModel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <memory>

namespace {

class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        testdb::openAs(connection, "master", "master");
        rows.setSql(QString::fromUtf8(
            "select * from (values (1, 'Петров', 2.5), (2, 'Андреев', 10), (3, 'Яковлев', null)) "
            "t(id, fio, qty)"));
        rows.open();
    }
    data::Connection connection;
    data::ResultSet rows{connection, "rows"};
};

QStringList column(const QAbstractItemModel& m, int c) {
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.data(m.index(r, c), Qt::DisplayRole).toString();
    return out;
}

TEST_F(UiTest, TheGridFollowsTheResultSetsOrderFilterAndEdits) {
    ui::ResultSetModel model(rows, {{"fio", QString::fromUtf8("Фамилия"), 120},
                                    {"QTY", QString::fromUtf8("Кол-во"), 60, Qt::AlignRight}});
    QTableView view;
    view.setModel(&model);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
              QString::fromUtf8("Фамилия"));
    EXPECT_EQ(column(model, 0),
              QStringList({QString::fromUtf8("Петров"), QString::fromUtf8("Андреев"),
                           QString::fromUtf8("Яковлев")}));
    EXPECT_EQ(column(model, 1), QStringList({"2.5", "10", ""}));

    rows.setSort("fio DESC");
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DisplayRole).toString(),
              QString::fromUtf8("Яковлев"));
    rows.setFilter("qty>3");
    rows.setFiltered(true);
    EXPECT_EQ(model.rowCount(), 1);
    rows.close();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(UiTest, CellRolesColourCellsWithoutCopyingRows) {
    ui::ResultSetModel model(rows, {{"fio", "fio"}, {"qty", "qty"}});
    model.setCellRole([this](int row, int col, int role) -> QVariant {
        if (role == Qt::ForegroundRole && col == 0 && rows.valueAt(row, 0).toInt() == 2)
            return QColor(Qt::red);
        return {};
    });
    EXPECT_EQ(model.data(model.index(1, 0), Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::ForegroundRole).isValid());
    EXPECT_EQ(model.data(model.index(1, 0), Qt::DisplayRole).toString(),
              QString::fromUtf8("Андреев"));
}

TEST_F(UiTest, TheGuardEndsAnActionAtItsErrorAndShowsTheErrorsOwnText) {
    ui::MessageRecorder recorder;
    int reached = 0;
    EXPECT_FALSE(ui::guarded([&] {
        ++reached;
        data::ResultSet bad(connection, "bad");
        bad.setSql("select * from accounts_dep.no_such_table");
        bad.open();
        ++reached;
    }));
    EXPECT_EQ(reached, 1);
    EXPECT_FALSE(ui::guarded([&] { rows.asInt("fio"); }));
    EXPECT_TRUE(ui::guarded([&] { ++reached; }));
    EXPECT_EQ(reached, 2);
    ASSERT_EQ(recorder.messages.size(), 2u);
    EXPECT_TRUE(recorder.messages[0].text.contains("no_such_table"));
    EXPECT_EQ(recorder.messages[0].caption, QString::fromUtf8("Ошибка"));
    EXPECT_TRUE(recorder.messages[1].text.contains(QString::fromUtf8("Петров")));
}

TEST_F(UiTest, QuestionsTakeTheScriptedAnswersAndTheBusyCursorGoesAway) {
    ui::MessageRecorder recorder;
    recorder.answers = {ui::Messages::Answer::Yes, ui::Messages::Answer::No};
    EXPECT_TRUE(ui::Messages::askDelete(QString::fromUtf8("Удалить позицию из списка?")));
    EXPECT_FALSE(ui::Messages::askQuantity(QString::fromUtf8("Превышение?")));
    EXPECT_FALSE(ui::Messages::askDelete("again")) << "the default answer is No";
    EXPECT_EQ(recorder.messages[0].caption, QString::fromUtf8("Удаление"));
    EXPECT_EQ(recorder.messages[0].icon, ui::Messages::Icon::Question);
    EXPECT_EQ(recorder.messages[1].caption, QString::fromUtf8("Запрос"));
    EXPECT_EQ(recorder.messages[1].icon, ui::Messages::Icon::Warning);

    ui::guarded([] {
        ui::BusyCursor busy;
        EXPECT_NE(QApplication::overrideCursor(), nullptr);
        throw data::DbError("down");
    });
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(UiTest, TheModelPassesQtsModelChecksThroughOpenSortFilterEditAndClose) {
    data::ResultSet table(connection, "table");
    testdb::exec("create table if not exists public.ui_rows(id serial primary key, fio text);"
                 "truncate public.ui_rows; insert into public.ui_rows(fio) values ('a'), ('b');"
                 "grant all on public.ui_rows, public.ui_rows_id_seq to tabel_user");
    table.setSql("select * from public.ui_rows order by id");
    table.setUpdateTable("public.ui_rows");
    ui::ResultSetModel model(table, {{"fio", "fio"}, {"id", "id", 40, Qt::AlignRight}});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    table.open();
    table.setSort("fio DESC");
    table.setFilter("fio like 'a%'");
    table.setFiltered(true);
    table.setFiltered(false);
    table.append();
    table.setValue("fio", "c");
    table.post();
    table.edit();
    table.setValue("fio", "d");
    table.post();
    table.remove();
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.index(0, 0).data(ui::ResultSetModel::KeyRole).toInt(),
              table.valueAt(0, table.fieldIndex("id")).toInt())
        << "the key role gives the row's key";
    table.close();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(UiTest, AnEditableModelKeepsAChangedRowPendingUntilWrittenThenRereads) {
    ui::MessageRecorder recorder;
    testdb::exec("create table if not exists public.ui_edit(id serial primary key, fio text, "
                 "qty integer); truncate public.ui_edit restart identity; insert into "
                 "public.ui_edit(fio, qty) values ('b', 2), ('a', 1); grant all on "
                 "public.ui_edit, public.ui_edit_id_seq to tabel_user");
    data::ResultSet table(connection, "table");
    table.setSql("select * from public.ui_edit order by fio");
    table.setUpdateTable("public.ui_edit");
    ui::ResultSetModel::Column fio{"fio", "fio"}, qty{"qty", "qty"}, id{"id", "id"};
    fio.parse = [](const QString& typed) { return QVariant(typed.trimmed()); };
    qty.parse = [](const QString& typed) {
        return QVariant(sqltext::typedInteger(typed).toLongLong());
    };
    qty.format = [](const QVariant& v) { return "#" + data::value::toString(v); };
    ui::ResultSetModel model(table, {fio, qty, id});
    model.setEditable(true);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    table.open();
    const auto stored = [] {
        return testdb::exec("select string_agg(fio || qty, ' ' order by id) from public.ui_edit")
            .toString();
    };

    EXPECT_EQ(column(model, 0), QStringList({"a", "b", ""})) << "the rows and the empty one";
    EXPECT_TRUE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.flags(model.index(0, 2)) & Qt::ItemIsEditable) << "no parse, no editing";
    EXPECT_EQ(model.index(0, 1).data(Qt::EditRole).toString(), "1") << "the value, not #1";
    EXPECT_TRUE(model.setData(model.index(0, 1), "1", Qt::EditRole));
    EXPECT_EQ(model.pendingRow(), -1) << "an unchanged text changes nothing";
    EXPECT_FALSE(model.setData(model.index(0, 1), "x", Qt::EditRole));
    EXPECT_EQ(recorder.messages.size(), 1u) << "a refused text is told";
    EXPECT_EQ(model.index(0, 1).data().toString(), "#1");
    EXPECT_EQ(model.pendingRow(), -1);

    EXPECT_TRUE(model.setData(model.index(2, 0), "c", Qt::EditRole));
    EXPECT_EQ(model.pendingRow(), 2) << "typing into the empty row starts a new one";
    EXPECT_EQ(model.index(2, 0).data().toString(), "c");
    EXPECT_FALSE(model.setData(model.index(0, 0), "z", Qt::EditRole)) << "one row at a time";
    EXPECT_EQ(stored(), "b2 a1");
    model.dropPending();
    EXPECT_EQ(model.pendingRow(), -1);
    EXPECT_EQ(model.index(2, 0).data().toString(), "");

    model.setData(model.index(2, 0), "aa", Qt::EditRole);
    model.setData(model.index(2, 1), "5", Qt::EditRole);
    model.writePending();
    EXPECT_EQ(stored(), "b2 a1 aa5");
    EXPECT_EQ(column(model, 0), QStringList({"a", "aa", "b", ""})) << "read again in order";
    EXPECT_EQ(table.recNo(), 1) << "the written row is current";

    model.setBeforeWrite([](data::ResultSet&) { throw data::Error("нет"); });
    model.setData(model.index(2, 1), "7", Qt::EditRole);
    EXPECT_THROW(model.writePending(), data::Error);
    EXPECT_EQ(model.pendingRow(), 2) << "a refused write stays pending";
    EXPECT_EQ(model.index(2, 1).data().toString(), "#7");
    EXPECT_EQ(stored(), "b2 a1 aa5");
    table.close();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(UiTest, GridAndQueryShareTheCurrentRowBothWaysAndThroughAReRun) {
    ui::ResultSetModel model(rows,
                             {{"fio", "fio", 120}, {"id", "id", 30, Qt::AlignLeft, {}, true}});
    ui::DataGrid grid("DBGrid1");
    grid.setSortRule([](int column, const QString& current) -> std::optional<QString> {
        if (column != 0)
            return std::nullopt;
        return current == "fio" ? "fio DESC" : "fio";
    });
    grid.showModel(&model);
    grid.resize(300, 200);
    grid.show();
    EXPECT_EQ(grid.columnWidth(0), 120);
    EXPECT_TRUE(grid.isColumnHidden(1));

    rows.moveTo(2);
    EXPECT_EQ(grid.currentIndex().row(), 2) << "the query moved the grid";
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.visualRect(model.index(1, 0)).center());
    EXPECT_EQ(rows.recNo(), 1) << "a click moved the query";
    ui::readAgainKeepingPlace(rows);
    EXPECT_EQ(grid.currentIndex().row(), 1) << "a re-run keeps the row";
    rows.close();
    rows.open();
    EXPECT_EQ(grid.currentIndex().row(), 0) << "a plain re-run starts at the first row";

    QHeaderView* header = grid.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    EXPECT_EQ(rows.sort(), "fio");
    ASSERT_TRUE(rows.locate("fio", QString::fromUtf8("Яковлев")));
    EXPECT_EQ(grid.currentIndex().row(), 2) << "a located row is shown";
    EXPECT_EQ(grid.currentIndex().data(ui::ResultSetModel::KeyRole).toInt(), 3);
}

// Documented widths stay unless the title would be cut; then the title fits, bold or not.
TEST_F(UiTest, AColumnIsWidenedOnlyWhereItsTitleWouldBeCut) {
    struct Case {
        const char* title;
        int width;
        bool bold, widened;
    };
    const Case cases[] = {
        {"Нормы (шт.)", 76, true, true},
        {"Нормы (шт.)", 40, false, true},
        {"31", 20, false, false},
        {"fio", 120, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.title) + " " + std::to_string(c.width));
        const QString title = QString::fromUtf8(c.title);
        ui::ResultSetModel model(rows, {{"fio", title, c.width}});
        model.setBoldTitles(c.bold);
        ui::DataGrid grid("DBGrid1");
        grid.horizontalHeader()->setMinimumSectionSize(16);
        grid.showModel(&model);
        grid.resize(400, 200);
        grid.show();
        QFont font = grid.horizontalHeader()->font();
        font.setBold(c.bold);
        const int text = QFontMetrics(font).horizontalAdvance(title);
        if (c.widened) {
            EXPECT_GT(grid.columnWidth(0), c.width);
            EXPECT_GE(grid.columnWidth(0), text + 4) << "room for the borders";
        } else {
            EXPECT_EQ(grid.columnWidth(0), c.width);
        }
        EXPECT_GE(grid.fullWidth(),
                  grid.columnWidth(0) + grid.verticalScrollBar()->sizeHint().width());
    }
}

// The journal's shifts and day off: bold text on the colour, in whichever of black and white
// reads on it; off, the window's own look.
TEST_F(UiTest, AHighlightedChoiceWritesInTheColourThatReadsOnItsBackground) {
    struct Case {
        QColor background, text;
    };
    const Case cases[] = {
        {QColor(0x00, 0x80, 0x00), Qt::white}, // the selected shift
        {QColor(0xFF, 0x00, 0x00), Qt::black}, // the day off
        {QColor(0x00, 0x00, 0x80), Qt::white},
        {QColor(0xFF, 0xFF, 0xC0), Qt::black},
    };
    QWidget bar;
    auto* choice = new QRadioButton("Смена №1", &bar);
    const QColor usual = choice->palette().color(choice->foregroundRole());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.background.name().toStdString());
        ui::highlight(choice, true, c.background);
        EXPECT_EQ(choice->palette().color(choice->backgroundRole()), c.background);
        EXPECT_EQ(choice->palette().color(choice->foregroundRole()), c.text);
        EXPECT_TRUE(choice->font().bold());
        EXPECT_TRUE(choice->autoFillBackground());
        ui::highlight(choice, false, c.background);
        EXPECT_EQ(choice->palette().color(choice->foregroundRole()), usual);
        EXPECT_FALSE(choice->font().bold());
        EXPECT_FALSE(choice->autoFillBackground());
    }
}

TEST_F(UiTest, TheWindowBaseGivesEnterEscAndGuardedButtons) {
    ui::MessageRecorder recorder;
    ui::Form form("TForm99", "Окно");
    int saved = 0, left = 0;
    auto* edit = new QLineEdit(&form);
    QPushButton* save = form.addButton("Button1", "Запись", [&] {
        ++saved;
        throw data::DbError("отказ сервера");
    });
    QPushButton* other = form.addButton("Button3", "Другое", [&] { ++left; });
    QPushButton* leave = form.addButton("Button2", "Выход", [&] {
        ++left;
        form.close();
    });
    auto* layout = new QVBoxLayout(&form);
    for (QWidget* w : std::initializer_list<QWidget*>{edit, save, other, leave})
        layout->addWidget(w);
    form.setDefaultButton(save);
    form.setCancelButton(leave);
    form.setClientSize(300, 120);
    EXPECT_EQ(form.objectName(), "TForm99");
    EXPECT_EQ(form.size(), QSize(300, 120));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(save->objectName(), "Button1");

    bool stillOpen = false;
    whenModalOpens([&](QWidget* modal) {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        stillOpen = modal->isVisible();
        QTest::keyClick(edit, Qt::Key_Escape);
    });
    form.exec();
    EXPECT_EQ(saved, 1) << "Enter pressed the default button";
    EXPECT_EQ(left, 1) << "Esc pressed the cancel button, nothing else";
    EXPECT_TRUE(stillOpen) << "the handler's error left the window open";
    EXPECT_EQ(recorder.texts(), QStringList{QString::fromUtf8("отказ сервера")});
    EXPECT_FALSE(form.isVisible());
}

// A keyboard user presses the button that has the focus; Enter anywhere else is the default
// button's, whatever kind of control has the focus.
TEST_F(UiTest, EnterAndSpacePressTheFocusedButtonAndEnterElsewhereTheDefaultOne) {
    ui::Form form("TForm99", "Окно");
    QStringList pressed;
    auto* edit = new QLineEdit(&form);
    auto* check = new QCheckBox("Флажок", &form);
    QPushButton* save = form.addButton("Button1", "Запись", [&] { pressed << "save"; });
    QPushButton* cancel = form.addButton("Button2", "Отмена", [&] { pressed << "cancel"; });
    auto* layout = new QVBoxLayout(&form);
    for (QWidget* w : std::initializer_list<QWidget*>{edit, check, save, cancel})
        layout->addWidget(w);
    form.setDefaultButton(save);
    form.setCancelButton(cancel);
    struct Case {
        QWidget* focus;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QStringList pressed;
    };
    const Case cases[] = {
        {edit, Qt::Key_Return, Qt::NoModifier, {"save"}},
        {check, Qt::Key_Return, Qt::NoModifier, {"save"}},
        {edit, Qt::Key_Enter, Qt::KeypadModifier, {"save"}},
        {save, Qt::Key_Return, Qt::NoModifier, {"save"}},
        {cancel, Qt::Key_Return, Qt::NoModifier, {"cancel"}},
        {cancel, Qt::Key_Enter, Qt::KeypadModifier, {"cancel"}},
        {cancel, Qt::Key_Space, Qt::NoModifier, {"cancel"}},
        {cancel, Qt::Key_Return, Qt::ControlModifier, {}},
    };
    form.show();
    QApplication::setActiveWindow(&form);
    for (const Case& c : cases) {
        SCOPED_TRACE((c.focus->metaObject()->className() + QString(" ") +
                      QKeySequence(c.key | c.modifiers).toString())
                         .toStdString());
        pressed.clear();
        c.focus->setFocus();
        QTest::keyClick(c.focus, c.key, c.modifiers);
        EXPECT_EQ(pressed, c.pressed);
    }
}

TEST_F(UiTest, ALookupBoxShowsTheItemOfItsKeyAndFollowsItsRows) {
    ui::LookupBox box("LCB_id_doc");
    box.bind(&rows, "id", "fio");
    EXPECT_EQ(box.objectName(), "LCB_id_doc");
    EXPECT_EQ(box.count(), 3) << "one item per row, no blank one";
    struct Case {
        const char* name;
        QVariant key;
        int index;
        const char* text;
    };
    const Case cases[] = {
        {"a row's key as the server sends it", qint64(2), 1, "Андреев"},
        {"the same key as an int", 3, 2, "Яковлев"},
        {"the same key as a decimal", 1.0, 0, "Петров"},
        {"zero", 0, -1, ""},
        {"null", QVariant(), -1, ""},
        {"a key no row has", 99, -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rows.moveTo(0);
        box.setKey(c.key);
        EXPECT_EQ(box.currentIndex(), c.index);
        EXPECT_EQ(box.text(), QString::fromUtf8(c.text));
        EXPECT_EQ(box.key().isNull(), c.index < 0);
        if (c.index >= 0) {
            EXPECT_EQ(box.key().toInt(), c.key.toInt());
            EXPECT_EQ(rows.recNo(), c.index) << "the row of the key is current";
        }
    }

    box.setKey(2);
    rows.setSort("fio DESC");
    EXPECT_EQ(box.itemText(0), QString::fromUtf8("Яковлев")) << "items in the rows' order";
    EXPECT_EQ(box.text(), QString::fromUtf8("Андреев"));
    rows.close();
    EXPECT_EQ(box.count(), 0);
    EXPECT_EQ(box.currentIndex(), -1);
    rows.open();
    EXPECT_EQ(box.text(), QString::fromUtf8("Андреев")) << "the key outlives a re-run";
    EXPECT_EQ(rows.asInt("id"), 2);
    rows.setFilter("id=1");
    rows.setFiltered(true);
    EXPECT_EQ(box.count(), 1);
    EXPECT_TRUE(box.key().isNull()) << "filtered away";
    rows.setFiltered(false);
    EXPECT_EQ(box.key().toInt(), 2);

    data::ResultSet other(connection, "other");
    other.setSql("select * from (values (10, '  Краска  '), (11, 'Лак')) t(id, s_caption)");
    other.open();
    box.bind(&other, "id", "s_caption");
    EXPECT_EQ(box.count(), 2);
    box.setKey(10);
    EXPECT_EQ(box.text(), QString::fromUtf8("Краска")) << "shown trimmed";
    rows.close();
    rows.open();
    EXPECT_EQ(box.itemText(1), QString::fromUtf8("Лак")) << "the old rows reach it no more";
}

// Lines of one product differ in their colour at the end of a long caption. The Windows style
// (unlike Fusion) cuts a drop-down to its box.
TEST_F(UiTest, ALookupBoxDropsDownAsWideAsItsLongestEntryAndKeepsItsOwnWidth) {
    const QString longest =
        QString::fromUtf8("Стол обеденный раскладной 1200x800, цвет: орех тёмный");
    data::ResultSet goods(connection, "goods");
    goods.setSql(QString::fromUtf8("select * from (values (1, 'Стул'), (2, '%1')) t(id, s_caption)")
                     .arg(longest));
    goods.open();
    QWidget window;
    auto* box = new ui::LookupBox("LCB_id_doc", &window);
    std::unique_ptr<QStyle> windows(QStyleFactory::create("Windows"));
    ASSERT_NE(windows, nullptr);
    box->setStyle(windows.get());
    box->setFixedWidth(100);
    box->bind(&goods, "id", "s_caption");
    window.show();
    box->showPopup();
    QApplication::processEvents();
    EXPECT_GE(box->view()->viewport()->width(),
              box->view()->fontMetrics().horizontalAdvance(longest));
    EXPECT_EQ(box->width(), 100);
    box->hidePopup();
}

TEST_F(UiTest, ALookupBoxTellsEachChoiceOfTheUserOnceWithItsRowCurrent) {
    QWidget window;
    auto* box = new ui::LookupBox("LCB_id_doc", &window);
    new QVBoxLayout(&window);
    window.layout()->addWidget(box);
    box->bind(&rows, "id", "fio");
    window.show();
    QApplication::setActiveWindow(&window);
    box->setFocus();
    int chosen = 0;
    QObject::connect(box, &ui::LookupBox::chosen, [&] { ++chosen; });
    box->setKey(1);
    EXPECT_EQ(chosen, 0) << "a key set by the program is no choice";

    const auto key = [box](Qt::Key k) { return [box, k] { QTest::keyClick(box, k); }; };
    const auto wheel = [box](int delta) {
        return [box, delta] {
            const QPointF at = box->rect().center();
            QWheelEvent e(at, box->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(box, &e);
        };
    };
    const auto popup = [box](std::function<void(QAbstractItemView*)> act) {
        return [box, act] {
            box->showPopup();
            QApplication::processEvents();
            ASSERT_TRUE(box->view()->isVisible());
            act(box->view());
            QApplication::processEvents();
            EXPECT_FALSE(box->view()->isVisible());
        };
    };
    struct Case {
        const char* name;
        std::function<void()> act;
        const char* text; // shown afterwards
        int emitted;
    };
    const Case cases[] = {
        {"Down", key(Qt::Key_Down), "Андреев", 1},
        {"End", key(Qt::Key_End), "Яковлев", 1},
        {"Down on the last item", key(Qt::Key_Down), "Яковлев", 0},
        {"Home", key(Qt::Key_Home), "Петров", 1},
        {"Up on the first item", key(Qt::Key_Up), "Петров", 0},
        {"the wheel turned down", wheel(-120), "Андреев", 1},
        {"the wheel turned up", wheel(120), "Петров", 1},
        {"Enter on an item of the drop-down", popup([](QAbstractItemView* list) {
             list->setCurrentIndex(list->model()->index(2, 0));
             QTest::keyClick(list, Qt::Key_Return);
         }),
         "Яковлев", 1},
        {"a click on an item of the drop-down", popup([](QAbstractItemView* list) {
             const QPoint at = list->visualRect(list->model()->index(1, 0)).center();
             QTest::mouseMove(list->viewport(), at);
             QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
         }),
         "Андреев", 1},
        {"the drop-down closed by Esc",
         popup([](QAbstractItemView* list) { QTest::keyClick(list, Qt::Key_Escape); }), "Андреев",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        chosen = 0;
        c.act();
        QApplication::processEvents();
        EXPECT_EQ(box->text(), QString::fromUtf8(c.text));
        EXPECT_EQ(chosen, c.emitted);
        EXPECT_EQ(rows.asString("fio"), QString::fromUtf8(c.text)) << "the chosen row is current";
    }
}

} // namespace
