// The journal main window on a small plant of its own: loading on activation and on a
// picked date, shifts, day off, sorting, refresh, acceptance colours, errors and closing.
#include "ModalDriver.h"
#include "PreparedModule.h"
#include "TestDatabase.h"
#include "WindowTest.h"
#include "journal/JournalGrid.h"
#include "journal/JournalWindow.h"
#include "state/DataModule.h"
#include "ui/Form.h"
#include "ui/Messages.h"
#include "ui/ResultSetModel.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QDate wednesday(2026, 12, 9);
const QDate tuesday(2026, 12, 8);
const QDate saturday(2026, 12, 12);
const QDate sunday(2026, 12, 13);
const QColor green(0x00, 0x80, 0x00);
const QColor red(0xFF, 0x00, 0x00);

using journal::JournalWindow;
using Names = JournalWindow::Names;

class JournalWindowTest : public WindowTest<JournalWindow, testdb::PreparedModule> {
protected:
    static void SetUpTestSuite() {
        // Shift 1 of Wednesday in statement order: 5004, 5001, 5002, 5003.
        testdb::exec(QString::fromUtf8(R"(
insert into cmn_contractor.person(id, s_code, s_caption, b_employee) values
  (900001, '501', 'Абрамов А.А.', true),
  (900002, '502', 'Борисов Б.Б.', true),
  (900003, '503', 'Васильев В.В.', true);
insert into accounts_dep.izdel(id, marka, nom, massa) values
  (800001, 'Марка-А', 'Стулья', 1), (800002, 'Марка-Б', 'Столы', 2), (800003, 'Марка-В', 'Шкафы', 3);
insert into accounts_dep.vid_oper(id, vid) values (901, 'Сборка'), (902, 'Покраска');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values
  (701, 901, 0, 800001, 10), (702, 902, 1, 800002, 3), (703, 901, 1, 800003, 4);
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, ok, vvod) values
  (5001, '2026-12-09', 1, 502, 800001, 701, 10.123, 3.5, 1, 8, 'ok', '2026-12-10 08:30'),
  (5002, '2026-12-09', 1, 501, 800002, 702, 3, 10, 0, 4, 'да', '2026-12-10 08:30'),
  (5003, '2026-12-09', 1, 503, 800003, 703, 4, 2, 0, 2, 'no', '2026-12-10 08:30'),
  (5004, '2026-12-09', 1, 501, 800001, 701, 10, 1, 0, 1, 'OK', '2026-12-10 08:30'),
  (6001, '2026-12-09', 2, 502, 800002, 702, 3, 1, 0, 4, 'no', '2026-12-10 08:30'),
  (6101, '2026-12-09', 4, 503, 800003, 703, 4, 1, 0, 3, 'no', '2026-12-10 08:30'),
  (5201, '2026-12-08', 1, 503, 800001, 701, 10, 1, 0, 8, 'no', '2026-12-10 08:30'),
  (5301, '2026-12-12', 1, 501, 800002, 702, 3, 1, 0, 8, 'no', '2026-12-12 08:30');
)"));
    }

    void SetUp() override {
        WindowTest::SetUp();
        window->setToday([this] { return today; });
    }

    QTableView* grid() { return control<QTableView>(Names::grid); }
    QDateEdit* dateT() { return control<QDateEdit>(Names::date); }
    QCheckBox* dayOffBox() { return control<QCheckBox>(Names::dayOff); }

    // The positions the grid shows, top to bottom.
    QList<int> shownIds() {
        auto* model = qobject_cast<ui::ResultSetModel*>(grid()->model());
        QList<int> ids;
        if (!model || !model->resultSet().isOpen())
            return ids;
        const int id = model->resultSet().fieldIndex("id");
        for (int r = 0; r < model->rowCount(); ++r)
            ids << model->resultSet().valueAt(r, id).toInt();
        return ids;
    }
    QString cell(int row, int column, int role = Qt::DisplayRole) {
        return grid()->model()->index(row, column).data(role).toString();
    }

    void clickTitle(int column) {
        QHeaderView* header = grid()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    // Opens the calendar of DateT with the mouse, steps to the date with the arrow keys
    // and takes it with Enter, as a user does.
    void pickInCalendar(const QDate& date) {
        QDateEdit* picker = dateT();
        QTest::mouseClick(picker, Qt::LeftButton, {},
                          QPoint(picker->width() - 6, picker->height() / 2));
        QCalendarWidget* calendar = picker->calendarWidget();
        ASSERT_TRUE(calendar->window()->isVisible()) << "the calendar did not drop down";
        QWidget* days = calendar->findChild<QWidget*>("qt_calendar_calendarview");
        ASSERT_NE(days, nullptr);
        const qint64 steps = calendar->selectedDate().daysTo(date);
        for (qint64 i = 0; i < qAbs(steps); ++i)
            QTest::keyClick(days, steps < 0 ? Qt::Key_Left : Qt::Key_Right);
        QTest::keyClick(days, Qt::Key_Return);
        QApplication::processEvents();
        ASSERT_FALSE(calendar->window()->isVisible());
        // The offscreen platform leaves the closed calendar the active window; a window
        // system hands the activation back.
        if (QApplication::activeWindow() != window.get()) {
            QApplication::setActiveWindow(window.get());
            QApplication::processEvents();
        }
    }

    QDate loadedDate() { return dm.journal(1).param("data").toDateTime().date(); }

    QDate today = wednesday;
};

TEST_F(JournalWindowTest, LaysOutTheGridAndControlsByTheirNames) {
    activate();
    EXPECT_EQ(window->objectName(), "TForm1");
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Табель"));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "fixed size";
    EXPECT_EQ(window->width(), 1461);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);

    QHeaderView* header = grid()->horizontalHeader();
    const QStringList titles = {
        "Фамилия И.О.", "Марка изделия", "Операция",   "Вид", "Цвет",    "Часы", "Кол-во",
        "Брак",         "Итого (р.)",    "Премия (%)", "OK",  "Заведен", "№ ЗВП"};
    const int widths[] = {250, 260, 155, 157, 176, -1, 57, 49, 78, -1, 37, 72, 65};
    ASSERT_EQ(grid()->model()->columnCount(), titles.size());
    for (int c = 0; c < titles.size(); ++c) {
        EXPECT_EQ(grid()->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
        if (widths[c] > 0) {
            EXPECT_EQ(header->sectionSize(c), widths[c]) << "column " << c << " after a load";
        }
    }
    EXPECT_TRUE(grid()->isColumnHidden(journal::ColPrize));
    EXPECT_EQ(grid()->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid()->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(grid()->editTriggers(), QAbstractItemView::NoEditTriggers);

    // Shown values of 5001: 3.5 made, 1 rejected at 10.123.
    const int row = shownIds().indexOf(5001);
    ASSERT_GE(row, 0);
    EXPECT_EQ(cell(row, journal::ColFio), QString::fromUtf8("Борисов Б.Б."));
    EXPECT_EQ(cell(row, journal::ColNmn), QString::fromUtf8("Готовая продукция"));
    EXPECT_EQ(cell(row, journal::ColKolVo), "3,5");
    EXPECT_EQ(cell(row, journal::ColSumma), "25,31");
    EXPECT_EQ(cell(row, journal::ColVvod), "10.12.2026");
    EXPECT_EQ(cell(shownIds().indexOf(5002), journal::ColSumma), "30,00");

    for (const char* name : {Names::add, Names::change, Names::remove, Names::accept,
                             Names::acceptAll, Names::refresh, Names::exit})
        EXPECT_TRUE(control<QPushButton>(name)->isEnabled()) << name;
    for (const char* name : {Names::workersItem, Names::productsItem})
        EXPECT_FALSE(control<QAction>(name)->isEnabled()) << name;
    for (const char* name :
         {Names::referencesMenu, Names::operationTypesItem, Names::pricesItem, Names::overtimeItem,
          Names::timesheetItem, Names::reportsMenu, Names::summaryReportsItem, Names::exitItem})
        EXPECT_TRUE(control<QAction>(name)->isEnabled()) << name;

    QComboBox* styles = control<QComboBox>(Names::styles);
    QStringList keys = QStyleFactory::keys();
    keys.sort(Qt::CaseInsensitive);
    QStringList items;
    for (int i = 0; i < styles->count(); ++i)
        items << styles->itemText(i);
    EXPECT_EQ(items, keys);
    EXPECT_EQ(styles->currentText().toLower(), QApplication::style()->name().toLower())
        << "activation selects the style in force";
}

TEST_F(JournalWindowTest, ActivationLoadsTodayAndChecksTheDayOffOnlyAtWeekends) {
    struct Case {
        QDate today;
        bool checkedBefore;
        bool checkedAfter;
    };
    const Case cases[] = {{saturday, false, true},
                          {sunday, false, true},
                          {wednesday, false, false},
                          {wednesday, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.today.toString(Qt::ISODate).toStdString() +
                     (c.checkedBefore ? " checked" : ""));
        window = std::make_unique<JournalWindow>(dm);
        today = c.today;
        window->setToday([this] { return today; });
        dayOffBox()->setChecked(c.checkedBefore);
        activate();

        EXPECT_EQ(window->journalDate(), c.today);
        EXPECT_EQ(window->dayOff(), c.checkedAfter);
        // Checked by the program or not, the box shows it.
        EXPECT_EQ(dayOffBox()->font().bold(), c.checkedAfter);
        EXPECT_EQ(dayOffBox()->autoFillBackground(), c.checkedAfter);
        if (c.checkedAfter) {
            EXPECT_EQ(dayOffBox()->palette().color(dayOffBox()->backgroundRole()), red);
        }
        for (int shift = 1; shift <= 4; ++shift) {
            EXPECT_TRUE(dm.journal(shift).isOpen()) << shift;
            EXPECT_EQ(dm.journal(shift).param("data").toDateTime(), c.today.startOfDay()) << shift;
        }
    }
    EXPECT_EQ(shownIds().size(), 4) << "Wednesday's shift 1";
}

TEST_F(JournalWindowTest, APickedDateLoadsAndSetsTheDayOffByItsWeekday) {
    today = saturday;
    activate();
    ASSERT_TRUE(window->dayOff());
    EXPECT_EQ(shownIds(), QList<int>{5301});

    pickInCalendar(wednesday);
    EXPECT_EQ(window->journalDate(), wednesday);
    EXPECT_EQ(loadedDate(), wednesday);
    EXPECT_EQ(shownIds(), (QList<int>{5004, 5001, 5002, 5003}));
    EXPECT_FALSE(window->dayOff()) << "a picked working day unchecks it";
    EXPECT_FALSE(dayOffBox()->font().bold());
    EXPECT_TRUE(grid()->hasFocus());

    pickInCalendar(saturday);
    EXPECT_EQ(shownIds(), QList<int>{5301});
    EXPECT_TRUE(window->dayOff());
    EXPECT_EQ(window->journalDate(), saturday) << "the calendar is no other window: no activation";
}

TEST_F(JournalWindowTest, ATypedDateLoadsOnlyOnEnter) {
    activate();
    QDateEdit* picker = dateT();
    picker->setFocus();
    picker->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(picker, "08");
    ASSERT_EQ(picker->date(), tuesday);
    EXPECT_EQ(loadedDate(), wednesday) << "typing alone does not reload";
    EXPECT_EQ(shownIds().size(), 4);

    QTest::keyClick(picker, Qt::Key_Return);
    EXPECT_EQ(loadedDate(), tuesday);
    EXPECT_EQ(shownIds(), QList<int>{5201});
    EXPECT_TRUE(window->isVisible()) << "Enter pressed no button of the window";
}

TEST_F(JournalWindowTest, ReturningFromADialogBringsBackToday) {
    activate();
    pickInCalendar(tuesday);
    ASSERT_EQ(shownIds(), QList<int>{5201});

    QDialog dialog(window.get());
    whenModalOpens([&](QWidget* modal) {
        EXPECT_EQ(modal, &dialog);
        EXPECT_TRUE(QTest::qWaitForWindowActive(modal));
        dialog.accept();
    });
    dialog.exec();
    QApplication::setActiveWindow(window.get()); // the window system's part
    QApplication::processEvents();

    EXPECT_EQ(window->journalDate(), wednesday);
    EXPECT_EQ(loadedDate(), wednesday);
    EXPECT_EQ(shownIds().size(), 4);
}

// Under "Оставаться на выбранной дате" every way back (a dialog's activation, an opener's
// return, a position dialog run) keeps the date, sort and row, reading the journal once; a
// position just added becomes the current row. A new showing starts from today again.
TEST_F(JournalWindowTest, StayingOnTheDateKeepsThePlaceAndLandsOnAnAddedPosition) {
    today = wednesday.addDays(1);
    activate();
    auto* stay = control<QCheckBox>(Names::stayOnDate);
    EXPECT_EQ(stay->text(), QString::fromUtf8("Оставаться на выбранной дате"));
    EXPECT_FALSE(window->staysOnDate()) << "off unless the user chose it";
    QSignalSpy chosen(window.get(), &JournalWindow::stayOnDateChosen);
    stay->setFocus();
    QTest::keyClick(stay, Qt::Key_Space);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_TRUE(chosen[0][0].toBool());
    window->setStayOnDate(false);
    window->setStayOnDate(true);
    EXPECT_EQ(chosen.count(), 1) << "only the user's choice is announced";

    pickInCalendar(wednesday);
    data::ResultSet& query = dm.journal(1);
    clickTitle(journal::ColFio);
    const QString sort = query.sort();
    ASSERT_TRUE(query.locate("id", 5002));
    int reads = 0;
    dm.connection.setObserver([&reads](const QByteArray& sql,
                                       const std::vector<std::optional<QByteArray>>&,
                                       data::Connection::Plan) {
        reads += sql.startsWith("select smena.id, smena.data,"); // shift 1's
    });
    QDialog dialog(window.get());
    const struct {
        const char* name;
        std::function<void()> goAndComeBack;
        int current;
    } ways[] = {
        {"a dialog's activation",
         [&] {
             whenModalOpens([&](QWidget*) { dialog.accept(); });
             dialog.exec();
             QApplication::setActiveWindow(window.get());
             QApplication::processEvents();
         },
         5002},
        {"an opener's return", [&] { window->returnFromDialog(); }, 5002},
        {"a position added",
         [&] {
             window->runDialog(
                 [&] {
                     testdb::exec("insert into accounts_dep.smena(id, data, smena, w_id, i_id, "
                                  "o_id, cena, kol_vo, brak, time, ok, vvod) values (5902, "
                                  "'2026-12-09', 1, 503, 800001, 701, 10, 1, 0, 1, 'no', "
                                  "'2026-12-10 08:30')");
                     window->noteAdded(5902);
                     return true;
                 },
                 JournalWindow::Return::Always);
         },
         5902},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        reads = 0;
        way.goAndComeBack();
        EXPECT_EQ(reads, 1);
        EXPECT_EQ(window->journalDate(), wednesday);
        EXPECT_EQ(loadedDate(), wednesday);
        EXPECT_EQ(query.sort(), sort);
        EXPECT_EQ(query.asInt("id"), way.current);
        EXPECT_EQ(grid()->currentIndex().row(), query.recNo());
        EXPECT_EQ(grid()->selectionModel()->selectedRows().size(), 1);
    }
    dm.connection.setObserver({});
    testdb::exec("delete from accounts_dep.smena where id = 5902");

    window->hide();
    activate();
    EXPECT_EQ(loadedDate(), today) << "a new showing loads today";
}

TEST_F(JournalWindowTest, AnExplicitReturnReloadsTodayAndALateActivationNothing) {
    activate();
    pickInCalendar(tuesday);
    QDialog dialog(window.get());
    whenModalOpens([&](QWidget*) { dialog.accept(); });
    dialog.exec();
    window->returnFromDialog();
    EXPECT_EQ(window->journalDate(), wednesday);
    EXPECT_EQ(loadedDate(), wednesday);
    dm.journal(1).setSort("fio DESC, id ASC");   // the opener's closing steps
    QApplication::setActiveWindow(window.get()); // what a window system sends late
    QApplication::processEvents();
    EXPECT_EQ(dm.journal(1).sort(), "fio DESC, id ASC") << "the late activation reloaded nothing";
}

// A dialog run over the journal comes back to the sort and position it was shown with,
// whatever the dialog did to them, and returns as its opener asks; a row added meanwhile shows
// that it returned (and moves the position it was on to another row number).
TEST_F(JournalWindowTest, ARunDialogReturnsAsItsOpenerAsks) {
    activate();
    struct Case {
        const char* name;
        JournalWindow::Return back;
        bool shown;
        bool returned;
        const char* sort; // nullptr: not checked
        bool onPosition;  // back on the position it was shown with
    };
    const Case cases[] = {
        {"add", JournalWindow::Return::Always, true, true, "id DESC", true},
        {"change", JournalWindow::Return::Always, true, true, "id DESC", true},
        {"change refused", JournalWindow::Return::Always, false, true, "id DESC", true},
        {"view", JournalWindow::Return::IfShown, true, true, "id DESC", true},
        {"view of nothing", JournalWindow::Return::IfShown, false, false, "fio", false},
    };
    data::ResultSet& query = dm.journal(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        query.setSort("id DESC");
        query.moveTo(2);
        ASSERT_EQ(query.asInt("id"), 5002);
        window->runDialog(
            [&] {
                testdb::exec("insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, "
                             "cena, kol_vo, brak, time, ok, vvod) values (5900, '2026-12-09', 1, "
                             "501, 800001, 701, 10, 1, 0, 1, 'no', '2026-12-10 08:30')");
                query.setSort("fio");
                query.moveTo(0);
                return c.shown;
            },
            c.back);
        EXPECT_EQ(shownIds().contains(5900), c.returned);
        if (c.sort) {
            EXPECT_EQ(query.sort(), c.sort);
        }
        EXPECT_EQ(query.asInt("id") == 5002, c.onPosition) << query.asInt("id");
        EXPECT_EQ(grid()->currentIndex().row(), query.recNo());
        testdb::exec("delete from accounts_dep.smena where id = 5900");
        window->returnFromDialog();
    }
}

// The date picker's parts and the grid's cells are no Tab stops of their own: the buttons
// under the grid are reached.
// "Изменить" on an accepted row shows no dialog: the journal reads its rows again on the
// date it shows instead of going back to today.
TEST_F(JournalWindowTest, ADialogNotShownReloadsTheDateShown) {
    activate();
    pickInCalendar(tuesday);
    ASSERT_EQ(shownIds(), QList<int>{5201});
    window->runDialog(
        [] {
            testdb::exec("insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, "
                         "cena, kol_vo, brak, time, ok, vvod) values (5901, '2026-12-08', 1, "
                         "501, 800001, 701, 10, 1, 0, 1, 'no', '2026-12-10 08:30')");
            return false;
        },
        JournalWindow::Return::Always);
    QList<int> shown = shownIds();
    std::sort(shown.begin(), shown.end());
    testdb::exec("delete from accounts_dep.smena where id = 5901");
    EXPECT_EQ(window->journalDate(), tuesday);
    EXPECT_EQ(loadedDate(), tuesday);
    EXPECT_EQ(shown, QList<int>({5201, 5901})) << "read again";
}

TEST_F(JournalWindowTest, TabFollowsTheScreenThroughEveryControl) {
    activate();
    ASSERT_GT(shownIds().size(), 1);
    control<QWidget>(Names::shift1)->setFocus();
    EXPECT_EQ(
        tabStops(window.get(), 15),
        QStringList({Names::shift1, Names::date, Names::dayOff, Names::stayOnDate, Names::styles,
                     Names::grid, Names::add, Names::change, Names::remove, Names::history,
                     Names::accept, Names::acceptAll, Names::refresh, Names::exit, Names::shift1}));
}

TEST_F(JournalWindowTest, AddChangeAndDoubleClickAskForThePositionDialogButOperatorsAccept) {
    activate();
    struct Case {
        const char* login;
        bool acceptOnDoubleClick; // as the login's rights set it
        bool viaButtons;
        int adds, changes, views;
        QString stateOf5003;
    };
    const Case cases[] = {
        {"master", false, true, 1, 1, 0, "no"},
        {"master", false, false, 0, 0, 1, "no"},
        {"operator2", true, false, 0, 0, 0, "ok"},
        // the rights decide, not the login's name
        {"operator3", false, false, 0, 0, 1, "ok"},
    };
    testdb::exec("insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) "
                 "values (5003, 1, 1)");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.login);
        dm.session.loginName = c.login;
        dm.session.acceptOnDoubleClick = c.acceptOnDoubleClick;
        QSignalSpy adds(window.get(), &JournalWindow::addRequested);
        QSignalSpy changes(window.get(), &JournalWindow::changeRequested);
        QSignalSpy views(window.get(), &JournalWindow::viewRequested);
        if (c.viaButtons) {
            QTest::mouseClick(control<QPushButton>(Names::add), Qt::LeftButton);
            QTest::mouseClick(control<QPushButton>(Names::change), Qt::LeftButton);
        } else {
            doubleClick(grid(), shownIds().indexOf(5003));
        }
        EXPECT_EQ(adds.count(), c.adds);
        EXPECT_EQ(changes.count(), c.changes);
        EXPECT_EQ(views.count(), c.views);
        EXPECT_EQ(testdb::exec("select ok from accounts_dep.smena where id = 5003").toString(),
                  c.stateOf5003);
    }
    testdb::exec("update accounts_dep.smena set ok = 'no', prize = 0 where id = 5003;"
                 "delete from accounts_dep.smena_gds_use where id_smena = 5003");
}

// Keys in the grid do what their buttons do, each only while its button is enabled; Enter and
// F2 on an accepted row open its view, and Delete asks its question first.
TEST_F(JournalWindowTest, GridKeysPressTheirButtonsOnlyWhileEnabled) {
    activate();
    struct Case {
        Qt::Key key;
        int row; // position made current first
        int adds, changes, views;
        bool asked;     // the delete question
        bool refreshed; // "Обновить" drops the sort (as deletion's own re-run does)
    };
    const Case cases[] = {
        {Qt::Key_Return, 5003, 0, 1, 0, false, false},
        {Qt::Key_Enter, 5003, 0, 1, 0, false, false},
        {Qt::Key_F2, 5003, 0, 1, 0, false, false},
        {Qt::Key_Return, 5002, 0, 0, 1, false, false},
        {Qt::Key_F2, 5002, 0, 0, 1, false, false},
        {Qt::Key_Insert, 5003, 1, 0, 0, false, false},
        {Qt::Key_Delete, 5003, 0, 0, 0, true, false},
        {Qt::Key_F5, 5003, 0, 0, 0, false, true},
    };
    data::ResultSet& query = dm.journal(1);
    for (const bool enabled : {true, false}) {
        for (const char* name : {Names::add, Names::change, Names::remove, Names::refresh})
            control<QPushButton>(name)->setEnabled(enabled);
        for (const Case& c : cases) {
            SCOPED_TRACE(QTest::toString(QKeySequence(c.key)));
            SCOPED_TRACE(enabled ? "enabled" : "disabled");
            query.setSort("fio DESC, id ASC");
            ASSERT_TRUE(query.locate("id", c.row));
            grid()->setFocus();
            QSignalSpy adds(window.get(), &JournalWindow::addRequested);
            QSignalSpy changes(window.get(), &JournalWindow::changeRequested);
            QSignalSpy views(window.get(), &JournalWindow::viewRequested);
            messages.clear();
            QTest::keyClick(QApplication::focusWidget(), c.key);
            EXPECT_EQ(adds.count(), enabled ? c.adds : 0);
            EXPECT_EQ(changes.count(), enabled ? c.changes : 0);
            EXPECT_EQ(views.count(), enabled ? c.views : 0);
            EXPECT_EQ(messages.texts().contains(QString::fromUtf8("Удалить позицию из списка?")),
                      enabled && c.asked)
                << messages.texts().join('|').toStdString();
            if (!c.asked) {
                EXPECT_EQ(query.sort().isEmpty(), enabled && c.refreshed);
            }
            EXPECT_TRUE(shownIds().contains(5003)) << "the question was answered No";
        }
    }
}

// Every menu item has its Alt letter, none twice in one menu, and the keyboard reaches an item
// through them.
TEST_F(JournalWindowTest, MenuItemsHaveMnemonicsDistinctInTheirMenu) {
    activate();
    auto* bar = window->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    std::function<void(const QList<QAction*>&, const QString&)> check =
        [&](const QList<QAction*>& actions, const QString& where) {
            QSet<QChar> letters;
            for (QAction* a : actions) {
                if (a->isSeparator())
                    continue;
                const QKeySequence mnemonic = QKeySequence::mnemonic(a->text());
                EXPECT_FALSE(mnemonic.isEmpty()) << (where + a->text()).toStdString();
                const QChar letter = a->text().at(a->text().indexOf('&') + 1).toLower();
                EXPECT_FALSE(letters.contains(letter)) << (where + a->text()).toStdString();
                letters.insert(letter);
                if (a->menu())
                    check(a->menu()->actions(), where + a->text() + " / ");
            }
        };
    check(bar->actions(), QString());

    QSignalSpy reports(window.get(), &JournalWindow::reportsRequested);
    grid()->setFocus();
    const QString o = QString::fromUtf8("О"), s = QString::fromUtf8("С");
    QTest::sendKeyEvent(QTest::Press, grid(), Qt::Key(o.at(0).unicode()), o, Qt::AltModifier);
    QTest::sendKeyEvent(QTest::Release, grid(), Qt::Key(o.at(0).unicode()), o, Qt::AltModifier);
    QApplication::processEvents();
    QMenu* menu = control<QAction>(Names::reportsMenu)->menu();
    ASSERT_TRUE(menu->isVisible()) << "Alt+О opens \"Отчеты\"";
    typeText(menu, s.toLower());
    QApplication::processEvents();
    EXPECT_EQ(reports.count(), 1) << "С picks \"Сводные отчеты\"";
}

// On a 1366×768 monitor the journal, 1461 wide, opens inside the screen, still of a fixed size,
// with every control whole.
TEST_F(JournalWindowTest, OnASmallerScreenTheJournalOpensInsideItWithItsControlsWhole) {
    activate();
    const QRect area(0, 0, 1366, 768 - 40); // a task bar below
    window->move(-48, 0);
    ui::fitInside(window.get(), area);
    QApplication::processEvents();
    EXPECT_TRUE(area.contains(window->frameGeometry()))
        << window->frameGeometry().x() << "," << window->frameGeometry().width();
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "still fixed";
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QComboBox*>(control) &&
            !qobject_cast<QDateEdit*>(control))
            continue;
        if (!control->isVisible())
            continue;
        const QRect at(control->mapTo(window.get(), QPoint()), control->size());
        EXPECT_TRUE(window->rect().contains(at)) << control->objectName().toStdString();
        EXPECT_GE(control->width(), control->minimumSizeHint().width())
            << control->objectName().toStdString();
    }
}

TEST_F(JournalWindowTest, ComingBackFromAnotherProgramKeepsThePickedDate) {
    activate();
    pickInCalendar(tuesday);
    QApplication::setActiveWindow(nullptr); // the focus went outside the program
    QApplication::setActiveWindow(window.get());
    QApplication::processEvents();
    EXPECT_EQ(window->journalDate(), tuesday);
    EXPECT_EQ(shownIds(), QList<int>{5201});
}

TEST_F(JournalWindowTest, ShiftChoiceShowsItsQueryWithoutRunningItAgain) {
    activate();
    EXPECT_EQ(dm.session.selectedShift, 1);
    testdb::exec(
        "insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, ok) "
        "values (6102, '2026-12-09', 4, 501, 800001, 701, 1, 1, 'no')");
    QRadioButton* overtime = control<QRadioButton>(Names::overtime);
    QTest::mouseClick(overtime, Qt::LeftButton);
    testdb::exec("delete from accounts_dep.smena where id = 6102");

    EXPECT_EQ(dm.session.selectedShift, 4);
    EXPECT_EQ(&window->currentJournalQuery(), &dm.journal(4));
    EXPECT_EQ(shownIds(), QList<int>{6101}) << "the row added after the load is not there";
    for (int i = 1; i <= 4; ++i) {
        auto* rb = control<QRadioButton>(QString("RadioButton%1").arg(i).toLatin1().constData());
        const bool selected = i == 4;
        EXPECT_EQ(rb->isChecked(), selected) << i;
        EXPECT_EQ(rb->font().bold(), selected) << i;
        EXPECT_EQ(rb->autoFillBackground(), selected) << i;
        if (selected) {
            EXPECT_EQ(rb->palette().color(rb->backgroundRole()), green);
            EXPECT_EQ(rb->palette().color(rb->foregroundRole()), QColor(Qt::white))
                << "readable on the dark green";
        } else {
            EXPECT_EQ(rb->palette().color(rb->foregroundRole()),
                      window->palette().color(QPalette::WindowText));
        }
    }

    QTest::mouseClick(control<QRadioButton>(Names::shift2), Qt::LeftButton);
    EXPECT_EQ(shownIds(), QList<int>{6001});
    dm.session.selectedShift = 7;
    EXPECT_EQ(&window->currentJournalQuery(), &dm.journal(1))
        << "out of range falls back to shift 1";
}

TEST_F(JournalWindowTest, TitleClicksSortByDirectionOfThePreviousSortAndRefreshDropsIt) {
    activate();
    const QList<int> statementOrder{5004, 5001, 5002, 5003};
    ASSERT_EQ(shownIds(), statementOrder);

    clickTitle(journal::ColTime);
    EXPECT_EQ(dm.journal(1).sort(), "");
    EXPECT_EQ(shownIds(), statementOrder) << "'Часы' does not sort";

    clickTitle(journal::ColMarka);
    EXPECT_EQ(dm.journal(1).sort(), "marka DESC, fio, id ASC");
    EXPECT_EQ(shownIds(), (QList<int>{5003, 5002, 5004, 5001}));

    clickTitle(journal::ColFio);
    EXPECT_EQ(dm.journal(1).sort(), "fio, id ASC");
    EXPECT_EQ(shownIds(), (QList<int>{5002, 5004, 5001, 5003}));

    clickTitle(journal::ColBrak);
    EXPECT_EQ(dm.journal(1).sort(), "fio, id ASC");

    clickTitle(journal::ColVid);
    EXPECT_EQ(dm.journal(1).sort(), "vid DESC, marka, fio, id ASC");
    clickTitle(journal::ColVid);
    EXPECT_EQ(dm.journal(1).sort(), "vid, marka, fio, id  ASC") << "the double space is kept";
    EXPECT_EQ(shownIds(), (QList<int>{5002, 5004, 5001, 5003})) << "Покраска before Сборка";

    clickTitle(journal::ColNmn);
    EXPECT_EQ(dm.journal(1).sort(), "naimen DESC, marka, fio, id ASC") << "by the kind code";

    testdb::exec("update accounts_dep.smena set kol_vo = 5 where id = 5003");
    QTest::mouseClick(control<QPushButton>(Names::refresh), Qt::LeftButton);
    testdb::exec("update accounts_dep.smena set kol_vo = 2 where id = 5003");
    EXPECT_EQ(dm.journal(1).sort(), "");
    EXPECT_EQ(shownIds(), statementOrder);
    EXPECT_EQ(cell(3, journal::ColKolVo), "5") << "refresh runs the query again";
    EXPECT_EQ(loadedDate(), wednesday);
    EXPECT_EQ(grid()->horizontalHeader()->sectionSize(journal::ColFio), 250);

    clickTitle(journal::ColOk);
    EXPECT_EQ(dm.journal(1).sort(), "ok DESC, marka, fio, id ASC")
        << "descending first after a reload";
}

TEST_F(JournalWindowTest, AcceptedPositionsShowGreenAndAllOthersRed) {
    activate();
    QMap<QString, QColor> expected{
        {"ok", green}, {QString::fromUtf8("да"), green}, {"no", red}, {"OK", red}};
    QStringList seen;
    for (int row = 0; row < grid()->model()->rowCount(); ++row) {
        const QModelIndex ok = grid()->model()->index(row, journal::ColOk);
        const QString state = ok.data().toString();
        seen << state;
        ASSERT_TRUE(expected.contains(state)) << state.toStdString();
        EXPECT_EQ(ok.data(Qt::ForegroundRole).value<QColor>(), expected[state])
            << state.toStdString();
        EXPECT_TRUE(ok.data(Qt::FontRole).value<QFont>().bold()) << state.toStdString();
        const QModelIndex fio = grid()->model()->index(row, journal::ColFio);
        EXPECT_FALSE(fio.data(Qt::ForegroundRole).isValid()) << "other cells as usual";
    }
    seen.sort();
    QStringList all = expected.keys();
    all.sort();
    EXPECT_EQ(seen, all);
}

TEST_F(JournalWindowTest, ADatabaseErrorIsShownAndLeavesTheLaterShiftsClosed) {
    // A colour that two goods items claim breaks the colour caption of the one shift-2 row.
    testdb::exec(R"(
alter table cmn_gds_and_srv.gds_and_srv rename to gds_and_srv_real;
create view cmn_gds_and_srv.gds_and_srv as
  select id, s_caption from cmn_gds_and_srv.gds_and_srv_real
  union all select 800777, 'a' union all select 800777, 'b';
grant select on cmn_gds_and_srv.gds_and_srv to tabel_user;
update accounts_dep.smena set color = 800777 where id = 6001;
)");
    struct Restore {
        ~Restore() {
            testdb::exec(R"(
update accounts_dep.smena set color = 0 where id = 6001;
drop view cmn_gds_and_srv.gds_and_srv;
alter table cmn_gds_and_srv.gds_and_srv_real rename to gds_and_srv;
)");
        }
    } restore;

    activate();
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].caption, QString::fromUtf8("Ошибка"));
    EXPECT_TRUE(messages.messages[0].text.contains("more than one row"))
        << messages.texts().join("|").toStdString();
    EXPECT_TRUE(dm.journal(1).isOpen());
    EXPECT_FALSE(dm.journal(2).isOpen());
    EXPECT_FALSE(dm.journal(3).isOpen());
    EXPECT_FALSE(dm.journal(4).isOpen());
    EXPECT_EQ(shownIds().size(), 4);
    QTest::mouseClick(control<QRadioButton>(Names::overtime), Qt::LeftButton);
    EXPECT_EQ(grid()->model()->rowCount(), 0) << "a closed query shows an empty grid";
    EXPECT_TRUE(window->isVisible());
}

TEST_F(JournalWindowTest, AReloadThatFailsKeepsTheRowsShown) {
    activate();
    ASSERT_EQ(shownIds().size(), 4);
    testdb::exec("alter table accounts_dep.vid_oper rename to vid_oper_moved");
    QTest::mouseClick(control<QPushButton>(Names::refresh), Qt::LeftButton);
    testdb::exec("alter table accounts_dep.vid_oper_moved rename to vid_oper");
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].text.contains("vid_oper"));
    EXPECT_EQ(shownIds(), (QList<int>{5004, 5001, 5002, 5003}));
    EXPECT_EQ(grid()->model()->rowCount(), 4);
}

TEST_F(JournalWindowTest, EscExitButtonAndExitMenuEndTheModalRun) {
    const std::function<void()> ways[] = {
        [&] { QTest::keyClick(window.get(), Qt::Key_Escape); },
        [&] { QTest::mouseClick(control<QPushButton>(Names::exit), Qt::LeftButton); },
        [&] { control<QAction>(Names::exitItem)->trigger(); },
    };
    for (const auto& close : ways) {
        bool closed = false;
        whenModalOpens([&](QWidget*) {
            close();
            closed = !window->isVisible();
        });
        window->exec();
        EXPECT_TRUE(closed);
        EXPECT_FALSE(window->isVisible());
    }
}

TEST_F(JournalWindowTest, MenuStyleAndTimerReachTheirListeners) {
    activate();
    struct Item {
        const char* action;
        void (JournalWindow::*signal)();
    };
    const Item items[] = {{Names::operationTypesItem, &JournalWindow::operationTypesRequested},
                          {Names::pricesItem, &JournalWindow::pricesRequested},
                          {Names::timesheetItem, &JournalWindow::timesheetRequested},
                          {Names::summaryReportsItem, &JournalWindow::reportsRequested}};
    for (const Item& item : items) {
        QSignalSpy spy(window.get(), item.signal);
        control<QAction>(item.action)->trigger();
        EXPECT_EQ(spy.count(), 1) << item.action;
    }
    control<QAction>(Names::overtimeItem)->trigger();
    EXPECT_TRUE(window->isVisible());

    QComboBox* styles = control<QComboBox>(Names::styles);
    QSignalSpy chosen(window.get(), &JournalWindow::styleChosen);
    ASSERT_GT(styles->count(), 1);
    styles->setCurrentIndex(styles->count() - 1);
    EXPECT_EQ(chosen.count(), 0) << "only a choice of the user counts";
    styles->setFocus();
    QTest::keyClick(styles, Qt::Key_Home);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen[0][0].toString(), styles->itemText(0));

    auto* timer = window->findChild<QTimer*>(Names::gateTimer);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 30000);
    EXPECT_TRUE(timer->isActive());
    QSignalSpy ticks(window.get(), &JournalWindow::gateTick);
    timer->setInterval(1);
    EXPECT_TRUE(ticks.wait(2000));
}

} // namespace

// A date of a closed month is read-only: the writing buttons go off and the mark shows; an open
// month brings back what the login's rights had switched, and no more.
TEST_F(JournalWindowTest, AClosedMonthsDateIsShownReadOnly) {
    testdb::exec("select accounts_dep.close_month(2026, 11)");
    control<QWidget>(Names::acceptAll)->setEnabled(false); // as the rights may leave it
    today = QDate(2026, 11, 25);
    activate();
    const char* const writing[] = {Names::add, Names::change, Names::remove, Names::accept,
                                   Names::acceptAll};
    EXPECT_EQ(control<QLabel>(Names::closedMark)->text(), "Месяц 11.2026 закрыт");
    for (const char* name : writing)
        EXPECT_FALSE(control<QWidget>(name)->isEnabled()) << name;
    EXPECT_TRUE(control<QWidget>(Names::history)->isEnabled());

    pickInCalendar(wednesday);
    EXPECT_EQ(control<QLabel>(Names::closedMark)->text(), "");
    for (const char* name : writing)
        EXPECT_EQ(control<QWidget>(name)->isEnabled(), name != Names::acceptAll) << name;
    testdb::exec("select accounts_dep.reopen_month(2026, 11)");
}
