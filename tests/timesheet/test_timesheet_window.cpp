// The monthly timesheet window: its opener, the marks of the month, refresh and rebuild from
// the buttons, the spreadsheet export and the printed pages.
#include "ModalDriver.h"
#include "PreparedModule.h"
#include "WindowTest.h"
#include "Xlsx.h"
#include "data/Command.h"
#include "timesheet/TimesheetPrint.h"
#include "timesheet/TimesheetWindow.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

namespace {

using timesheet::TimesheetWindow;
using Names = TimesheetWindow::Names;

const QColor red(0xFF, 0x00, 0x00);
const QColor silver(0xC0, 0xC0, 0xC0);
const QColor shade(0xC0, 0xDC, 0xC0);

class TimesheetWindowTest : public WindowTest<TimesheetWindow, testdb::PreparedModule> {
protected:
    static void SetUpTestSuite() {
        // Two namesakes (502, 504); 503 only in shift 4; 599 is nobody. Positions name operation 1.
        testdb::exec(QString::fromUtf8(R"(
insert into cmn_contractor.person(id, s_code, s_caption, b_employee) values
  (900001, '501', 'Абрамов А.А.', true), (900002, '502', 'Борисов Б.Б.', true),
  (900003, '503', 'Васильев В.В.', true), (900004, '504', 'Борисов Б.Б.', true);
insert into accounts_dep.vid_oper(id, vid) values (1, 'Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (1, 1, 0, 1, 1);
)"));
    }
    void SetUp() override {
        testdb::truncate("accounts_dep.smena, accounts_dep.h_tabel restart identity cascade");
        WindowTest::SetUp();
        window->setToday([] { return QDate(2026, 12, 10); });
    }
    static void timesheetRow(int worker, int shift, int month, int year, const QString& cells) {
        QStringList names, values;
        for (const QString& cell : cells.split(',', Qt::SkipEmptyParts)) {
            names << "d" + cell.section('=', 0, 0);
            values << cell.section('=', 1);
        }
        testdb::exec(QString("insert into accounts_dep.h_tabel(w_id, smena, month, year%1) "
                             "values (%2, %3, %4, %5%6)")
                         .arg(names.isEmpty() ? "" : "," + names.join(','))
                         .arg(worker)
                         .arg(shift)
                         .arg(month)
                         .arg(year)
                         .arg(values.isEmpty() ? "" : "," + values.join(',')));
    }
    static void position(int worker, const QString& date, int shift, int hours) {
        testdb::exec(QString("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, "
                             "kol_vo, time) values ('%1', %2, %3, 1, 1, 1, 1, %4)")
                         .arg(date)
                         .arg(shift)
                         .arg(worker)
                         .arg(hours));
    }
    // Opens the window as the journal's menu does and looks at it while it is shown.
    void openFor(const QDate& journalDate, std::function<void()> look) {
        whenModalOpens([this, look](QWidget* modal) {
            look();
            modal->close();
        });
        window->openFor(journalDate);
    }
    void choose(int month, const QString& year) {
        control<QComboBox>(Names::year)->setCurrentText(year);
        control<QComboBox>(Names::month)->setCurrentIndex(month - 1);
    }
    QStringList names(int shift) {
        QStringList list;
        data::ResultSet& rows = dm.timesheet(shift);
        for (int r = 0; r < rows.rowCount(); ++r)
            list << rows.valueAt(r, rows.fieldIndex("fio")).toString();
        return list;
    }
    QVariant cell(int shift, int row, int column, int role) {
        const QAbstractItemModel* model = window->model(shift);
        return model->data(model->index(row, column), role);
    }
    QColor titleColour(int column) {
        return window->model(1)
            ->headerData(column, Qt::Horizontal, Qt::ForegroundRole)
            .value<QBrush>()
            .color();
    }
};

TEST_F(TimesheetWindowTest, OpensOnTheJournalMonthWithTheYearAlwaysInTheList) {
    timesheetRow(501, 1, 12, 2026, "5=8");
    timesheetRow(501, 1, 3, 2006, "1=4");
    struct Case {
        QDate journal;
        QString month, year, firstYear, lastYear;
        int rows;
    };
    const Case cases[] = {
        {QDate(2026, 12, 3), "Декабрь", "2026", "2007", "2026", 1},
        {QDate(2006, 3, 15), "Март", "2006", "2006", "2026", 1},
        {QDate(2027, 1, 1), "Январь", "2027", "2007", "2027", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.year.toStdString());
        openFor(c.journal, [&] {
            auto* months = control<QComboBox>(Names::month);
            auto* years = control<QComboBox>(Names::year);
            EXPECT_EQ(months->currentText(), c.month);
            EXPECT_EQ(years->currentText(), c.year);
            EXPECT_EQ(years->itemText(0), c.firstYear);
            EXPECT_EQ(years->itemText(years->count() - 1), c.lastYear);
            EXPECT_TRUE(dm.timesheet(3).isOpen());
            EXPECT_EQ(dm.timesheet(1).rowCount(), c.rows);
        });
        for (int shift = 1; shift <= 3; ++shift)
            EXPECT_FALSE(dm.timesheet(shift).isOpen()) << shift;
    }
}

TEST_F(TimesheetWindowTest, TheLayoutIsAsDocumented) {
    auto* tabs = control<QTabWidget>(Names::shiftTabs);
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(2), "Смена №3");
    for (const char* name : Names::shiftGrids) {
        auto* grid = control<QTableView>(name);
        ASSERT_EQ(grid->model()->columnCount(), 33) << name;
        EXPECT_EQ(grid->columnWidth(0), 208);
        EXPECT_GE(grid->columnWidth(15), 20) << "widened only where a value needs it";
        EXPECT_EQ(grid->selectionBehavior(), QAbstractItemView::SelectItems);
        EXPECT_EQ(grid->columnWidth(32), 47);
        EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    }
    EXPECT_EQ(window->model(1)->headerData(0, Qt::Horizontal, Qt::DisplayRole), "Фамилия И. О.");
    EXPECT_EQ(window->model(1)->headerData(32, Qt::Horizontal, Qt::DisplayRole), "Итого");
    auto* tab1 = control<QWidget>(Names::shiftPages[0]);
    for (const char* name : {Names::rebuild, Names::spreadsheet, Names::progress})
        EXPECT_TRUE(tab1->isAncestorOf(control<QWidget>(name))) << name;
    EXPECT_TRUE(control<QWidget>(Names::progress)->isHidden());
    EXPECT_EQ(control<QProgressBar>(Names::progress)->minimum(), 1);
}

TEST_F(TimesheetWindowTest, TabFollowsTheScreenFromTheButtonsAboveTheGrid) {
    activate();
    control<QWidget>(Names::spreadsheet)->setFocus();
    EXPECT_EQ(tabStops(window.get(), 10),
              QStringList({Names::spreadsheet, Names::rebuild, Names::shiftGrids[0], Names::print,
                           Names::month, Names::year, Names::refresh, Names::exit, Names::shiftTabs,
                           Names::spreadsheet}));
}

TEST_F(TimesheetWindowTest, NovemberIsMarkedAndItsCellsDrawnByTheRule) {
    // 1 November 2026 is a Sunday; the month has 30 days.
    timesheetRow(501, 1, 11, 2026, "1=0,2=8,3=9,7=8,4=3");
    timesheetRow(502, 1, 11, 2026, "2=8");
    activate();
    choose(11, "2026");
    ASSERT_EQ(names(1), QStringList({"Абрамов А.А.", "Борисов Б.Б."}));
    EXPECT_EQ(titleColour(1), red);
    EXPECT_EQ(titleColour(7), red);
    EXPECT_EQ(titleColour(31), silver);
    EXPECT_NE(titleColour(2), red);
    EXPECT_NE(titleColour(2), silver);

    control<QTableView>(Names::shiftGrids[0])->setCurrentIndex(window->model(1)->index(1, 0));
    const QColor base = control<QTableView>(Names::shiftGrids[0])->palette().color(QPalette::Base);
    struct Case {
        int column;
        QColor ink;
        bool bold;
        QVariant fill;
    };
    const Case cases[] = {
        {1, red, false, {}},                // 0 on a Sunday
        {2, QColor(), true, {}},            // 8 on a workday: the text colour, bold
        {3, QColor(), true, QBrush(shade)}, // 9
        {4, QColor(), false, {}},           // 3
        {5, silver, false, {}},             // 0
        {7, red, true, {}},                 // 8 on a Saturday
        {31, base, false, {}},              // past the end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        const QColor ink = cell(1, 0, c.column, Qt::ForegroundRole).value<QBrush>().color();
        if (c.ink.isValid())
            EXPECT_EQ(ink, c.ink);
        else
            EXPECT_TRUE(ink != red && ink != silver && ink != base);
        EXPECT_EQ(cell(1, 0, c.column, Qt::FontRole).value<QFont>().bold(), c.bold);
        EXPECT_EQ(cell(1, 0, c.column, Qt::BackgroundRole), c.fill);
    }
    EXPECT_EQ(cell(1, 0, 5, Qt::DisplayRole), "0");
    EXPECT_EQ(cell(1, 0, 32, Qt::DisplayRole), "28");
    EXPECT_TRUE(cell(1, 0, 32, Qt::FontRole).value<QFont>().bold());
    // The current cell keeps the selection colours, the rest of its row its marks.
    control<QTableView>(Names::shiftGrids[0])->setCurrentIndex(window->model(1)->index(1, 2));
    EXPECT_EQ(cell(1, 1, 2, Qt::ForegroundRole), QVariant());
    EXPECT_EQ(cell(1, 1, 2, Qt::FontRole), QVariant());
    EXPECT_EQ(cell(1, 1, 1, Qt::ForegroundRole).value<QBrush>().color(), red);
}

TEST_F(TimesheetWindowTest, TheRowOfTheCurrentCellIsDrawnWithItsMarks) {
    timesheetRow(501, 1, 11, 2026, "2=8,3=9");
    timesheetRow(502, 1, 11, 2026, "2=8,3=9");
    activate();
    choose(11, "2026");
    auto* grid = control<QTableView>(Names::shiftGrids[0]);
    const QAbstractItemModel* model = grid->model();
    grid->setFocus();
    grid->setCurrentIndex(model->index(0, 2));
    QTest::keyClick(grid, Qt::Key_Down);
    ASSERT_EQ(grid->currentIndex(), model->index(1, 2));
    EXPECT_EQ(dm.timesheet(1).recNo(), 1) << "the keys still move the worker";

    const QImage shown = grid->viewport()->grab().toImage();
    auto fill = [&](int row, int column) {
        return shown.pixelColor(grid->visualRect(model->index(row, column)).topLeft() +
                                QPoint(2, 2));
    };
    // Styles shade the highlight a little.
    const QColor highlight = grid->palette().color(QPalette::Active, QPalette::Highlight);
    auto highlighted = [&](const QColor& c) {
        return std::abs(c.red() - highlight.red()) + std::abs(c.green() - highlight.green()) +
                   std::abs(c.blue() - highlight.blue()) <
               32;
    };
    EXPECT_TRUE(highlighted(fill(1, 2)));
    EXPECT_EQ(fill(1, 3), shade) << "overtime beside the current cell";
    EXPECT_FALSE(highlighted(fill(1, 0))) << "the name";
    EXPECT_FALSE(highlighted(fill(1, 1))) << "a Sunday";
    EXPECT_EQ(fill(0, 3), shade);
    EXPECT_TRUE(cell(1, 1, 3, Qt::FontRole).value<QFont>().bold());
}

TEST_F(TimesheetWindowTest, EveryDayValueShowsWhole) {
    // 1 December 2026 is a Tuesday; a stray 100 in November is widened for too.
    timesheetRow(501, 1, 12, 2026, "1=10,2=24,3=9,4=12,5=1");
    timesheetRow(501, 1, 11, 2026, "2=100");
    struct Case {
        int month;
        bool fitsTheWindow;
    };
    const Case cases[] = {{12, true}, {11, false}};
    activate();
    auto* grid = control<QTableView>(Names::shiftGrids[0]);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.month);
        choose(c.month, "2026");
        QApplication::processEvents();
        QFont bold = grid->font();
        bold.setBold(true);
        for (int day = 1; day <= 31; ++day) {
            SCOPED_TRACE(day);
            const int column = day;
            const QString text = cell(1, 0, column, Qt::DisplayRole).toString();
            // What Qt itself needs to lay the value out without eliding it, and the grid line.
            const int needed = grid->sizeHintForIndex(grid->model()->index(0, column)).width();
            EXPECT_GE(grid->columnWidth(column), needed + 1);
            EXPECT_GT(grid->columnWidth(column), QFontMetrics(bold).horizontalAdvance(text));
        }
        if (c.fitsTheWindow) {
            EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0) << "a month shows unscrolled";
        }
    }
}

TEST_F(TimesheetWindowTest, RefreshAndRebuildKeepTheTabAndTheWorker) {
    timesheetRow(501, 2, 12, 2026, "1=1");
    timesheetRow(502, 2, 12, 2026, "1=1");
    position(502, "2026-12-01", 2, 8);
    position(503, "2026-12-01", 4, 3);
    position(502, "2026-12-02", 1, 5);
    activate();
    choose(12, "2026");
    control<QTabWidget>(Names::shiftTabs)->setCurrentIndex(1);
    dm.timesheet(2).moveTo(1);
    ASSERT_EQ(dm.timesheet(2).asInt("w_id"), 502);

    testdb::exec("update accounts_dep.h_tabel set w_id = 505 where w_id = 501");
    testdb::exec("insert into cmn_contractor.person(id, s_code, s_caption) values "
                 "(900005, '505', 'Яковлев Я.Я.')");
    click(Names::refresh);
    EXPECT_EQ(names(2), QStringList({"Борисов Б.Б.", "Яковлев Я.Я."}));
    EXPECT_EQ(dm.timesheet(2).asInt("w_id"), 502);
    EXPECT_EQ(control<QTableView>(Names::shiftGrids[1])->currentIndex().row(), 0);

    click(Names::rebuild);
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('\n').toStdString();
    EXPECT_EQ(control<QTabWidget>(Names::shiftTabs)->currentIndex(), 1);
    EXPECT_EQ(names(2), QStringList({"Борисов Б.Б."}));
    EXPECT_EQ(dm.timesheet(2).asInt("d1"), 8);
    EXPECT_EQ(names(1), QStringList({"Борисов Б.Б."}));
    EXPECT_EQ(testdb::exec("select d1 from accounts_dep.h_tabel where smena = 4").toInt(), 3);
    EXPECT_TRUE(control<QWidget>(Names::progress)->isHidden());
    EXPECT_EQ(control<QProgressBar>(Names::progress)->maximum(), 31);
    EXPECT_EQ(control<QProgressBar>(Names::progress)->value(), 31);
    testdb::exec("delete from cmn_contractor.person where id = 900005");
}

TEST_F(TimesheetWindowTest, ARefusedRebuildIsReportedAndTheOldMonthShown) {
    timesheetRow(501, 1, 12, 2026, "1=8");
    position(502, "2026-12-03", 1, 30000);
    position(502, "2026-12-03", 1, 30000);
    activate();
    choose(12, "2026");
    click(Names::rebuild);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].text.contains("smallint"));
    EXPECT_EQ(names(1), QStringList({"Абрамов А.А."}));
    EXPECT_TRUE(control<QWidget>(Names::progress)->isHidden());
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.h_tabel").toInt(), 1);
}

TEST_F(TimesheetWindowTest, EnterPressesNothingAndEscCloses) {
    xlsx::ThrowAwayHome home;
    activate();
    choose(12, "2026");
    auto* months = control<QComboBox>(Names::month);
    months->setFocus();
    QTest::keyClick(months, Qt::Key_Return);
    QTest::keyClick(control<QTableView>(Names::shiftGrids[0]), Qt::Key_Enter);
    EXPECT_EQ(control<QPushButton>(Names::spreadsheet)->text(), "Excel");
    EXPECT_TRUE(QDir(home.documents).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(window->isVisible());
    QTest::keyClick(months, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(TimesheetWindowTest, ExportSumsTheShiftsPerWorkerOverAll31Days) {
    // February 2024 has 29 days; 501 works in shifts 1 and 4; the namesakes stay two rows.
    timesheetRow(501, 1, 2, 2024, "1=8,29=2");
    timesheetRow(501, 4, 2, 2024, "1=3");
    timesheetRow(502, 2, 2, 2024, "10=9");
    timesheetRow(504, 3, 2, 2024, "11=7");
    timesheetRow(599, 1, 2, 2024, "12=5"); // a code of nobody
    xlsx::ThrowAwayHome home;
    activate();
    choose(2, "2024");
    // Each row's caption is painted at once, and no other event runs before the export ends:
    // a second export, a rebuild or a close cannot start half-way.
    struct PaintSpy : QObject {
        QStringList painted;
        bool otherEventRan = false;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                painted << static_cast<QPushButton*>(o)->text() +
                               (otherEventRan ? QStringLiteral(" after events") : QString());
            return false;
        }
    } spy;
    QPushButton* button2 = control<QPushButton>(Names::spreadsheet);
    button2->installEventFilter(&spy);
    QTimer::singleShot(0, [&spy] { spy.otherEventRan = true; });
    button2->click();
    button2->removeEventFilter(&spy);
    for (const char* caption : {"Excel (1 из 3)", "Excel (2 из 3)", "Excel (3 из 3)"})
        EXPECT_TRUE(spy.painted.contains(QString::fromUtf8(caption)))
            << qPrintable(spy.painted.join('|'));
    EXPECT_EQ(control<QPushButton>(Names::spreadsheet)->text(), "Excel (3 из 3)");
    EXPECT_FALSE(window->printLayout().monthRows.isOpen());
    ASSERT_EQ(home.opened.size(), 1);
    const xlsx::Xlsx sheet(home.opened[0]);
    EXPECT_EQ(sheet.at(1, 1), "s:Февраль 2024 @ b");
    EXPECT_EQ(sheet.at(1, 2), "s:Фамилия И.О. @ b");
    EXPECT_EQ(sheet.at(2, 2), "n:1 b");
    EXPECT_EQ(sheet.at(32, 2), "n:31 b");
    EXPECT_EQ(sheet.at(33, 2), "s:Итого @ b");
    struct Row {
        QString name;
        int day;
        QString hours;
        QString total;
    };
    const Row rows[] = {{"Абрамов А.А.", 1, "n:11", "n:13"},
                        {"Борисов Б.Б.", 10, "n:9", "n:9"},
                        {"Борисов Б.Б.", 11, "n:7", "n:7"}};
    for (int r = 0; r < 3; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(sheet.at(1, r + 3), "s:" + rows[r].name + " @");
        EXPECT_EQ(sheet.at(rows[r].day + 1, r + 3), rows[r].hours);
        EXPECT_EQ(sheet.at(31, r + 3), "n:0");
        EXPECT_EQ(sheet.at(32, r + 3), "n:0");
        EXPECT_EQ(sheet.at(33, r + 3), rows[r].total);
    }
    EXPECT_EQ(sheet.at(30, 3), "n:2");
    EXPECT_EQ(sheet.at(1, 6), "");

    // Activation puts the caption back; an empty month writes the heading only.
    window->hide();
    activate();
    EXPECT_EQ(control<QPushButton>(Names::spreadsheet)->text(), "Excel");
    choose(3, "2024");
    click(Names::spreadsheet);
    EXPECT_EQ(control<QPushButton>(Names::spreadsheet)->text(), "Excel (0 из 0)");
    ASSERT_EQ(home.opened.size(), 2);
    const xlsx::Xlsx empty(home.opened[1]);
    EXPECT_EQ(empty.at(1, 1), "s:Март 2024 @ b");
    EXPECT_EQ(empty.at(1, 3), "");
    EXPECT_TRUE(messages.messages.empty());

    // No workbook can be made: the wrapper says so, the query is closed, nothing is written.
    QDir(home.documents).removeRecursively();
    QFile blocker(home.documents);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    window->hide();
    activate();
    click(Names::spreadsheet);
    EXPECT_EQ(messages.texts(), QStringList({"Ошибка открытия файла Microsoft Excel."}));
    EXPECT_EQ(control<QPushButton>(Names::spreadsheet)->text(), "Excel");
    EXPECT_FALSE(window->printLayout().monthRows.isOpen());
    EXPECT_EQ(home.opened.size(), 2);
}

TEST_F(TimesheetWindowTest, PrintedPagesRepeatTheHeadingAndSumTheShifts) {
    timesheetRow(501, 1, 2, 2024, "1=8");
    timesheetRow(501, 2, 2, 2024, "1=3,2=4");
    timesheetRow(502, 1, 2, 2024, "3=5");
    timesheetRow(504, 1, 2, 2024, "3=6");
    timesheet::TimesheetPrint& print = window->printLayout();
    print.openMonth(2, 2024);
    output::PreparedReport pages = print.prepare("Февраль", "2024");
    ASSERT_EQ(pages.pages.size(), 1u);
    EXPECT_EQ(pages.name, "TForm15");
    EXPECT_EQ(pages.layout.orientation(), QPageLayout::Landscape);
    const QStringList texts = pages.texts(0);
    EXPECT_TRUE(texts.contains("Февраль 2024 г."));
    EXPECT_EQ(texts.count("Абрамов А.А."), 1);
    EXPECT_EQ(texts.count("Борисов Б.Б."), 2);
    EXPECT_EQ(texts.count("15"), 2) << "day title 15 and Абрамов's total";

    // Forty workers fill more than one page: heading and number on each.
    for (int w = 0; w < 40; ++w)
        timesheetRow(700 + w, 1, 3, 2024, "1=1");
    testdb::exec("insert into cmn_contractor.person(id, s_code, s_caption) select 910000 + g, "
                 "(700 + g)::text, 'Работник ' || lpad(g::text, 2, '0') from "
                 "generate_series(0, 39) g");
    print.openMonth(3, 2024);
    pages = print.prepare("Март", "2024");
    ASSERT_GE(pages.pages.size(), 2u);
    for (int p = 0; p < int(pages.pages.size()); ++p) {
        SCOPED_TRACE(p);
        const QStringList onPage = pages.texts(p);
        EXPECT_TRUE(onPage.contains("Март 2024 г."));
        EXPECT_TRUE(onPage.contains("Итого"));
        EXPECT_EQ(onPage.last(), QString::number(p + 1)) << "the page number, bottom right";
        EXPECT_EQ(pages.pages[size_t(p)].bands.front().name, "heading");
    }

    print.openMonth(4, 2024);
    pages = print.prepare("Апрель", "2024");
    ASSERT_EQ(pages.pages.size(), 1u);
    for (const output::PlacedBand& band : pages.pages[0].bands)
        EXPECT_NE(band.name, "detail");
    print.monthRows.close();
    testdb::exec("delete from cmn_contractor.person where id >= 910000");
}

TEST_F(TimesheetWindowTest, PrintShowsTheWholePagePreviewWithTheQueryClosed) {
    timesheetRow(501, 1, 12, 2026, "1=8");
    activate();
    choose(12, "2026");
    QString previewName;
    bool queryOpen = true;
    whenModalOpens([&](QWidget* modal) {
        previewName = modal->objectName();
        queryOpen = window->printLayout().monthRows.isOpen();
        modal->close();
    });
    click(Names::print);
    EXPECT_EQ(previewName, "TForm15");
    EXPECT_FALSE(queryOpen);
    EXPECT_TRUE(messages.messages.empty());
}

} // namespace

namespace {

// Another workstation's roll-up or rebuild shows without any action, on the worker the grid
// stood on; another month's reads nothing.
TEST_F(TimesheetWindowTest, AnotherWorkstationsHoursShowWithoutAnyAction) {
    timesheetRow(501, 2, 12, 2026, "1=1");
    timesheetRow(502, 2, 12, 2026, "1=1");
    activate();
    choose(12, "2026");
    dm.timesheet(2).moveTo(1);
    data::Connection other;
    testdb::openAs(other, "operator4", "operator4");
    struct Case {
        const char* sql;
        bool followed;
        QStringList names;
    };
    const Case cases[] = {
        {"update accounts_dep.h_tabel set d5 = 7 where w_id = 502",
         true,
         {"Абрамов А.А.", "Борисов Б.Б."}},
        {"insert into accounts_dep.h_tabel(w_id, smena, month, year, d3) values (500, 2, 12, "
         "2026, 4), (503, 2, 12, 2026, 2)",
         true,
         {"Абрамов А.А.", "Борисов Б.Б.", "Васильев В.В."}},
        {"insert into accounts_dep.h_tabel(w_id, smena, month, year, d3) values (504, 2, 11, "
         "2026, 4)",
         false,
         {"Абрамов А.А.", "Борисов Б.Б.", "Васильев В.В."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        QSignalSpy followed(window.get(), &TimesheetWindow::followedServer);
        data::Command cmd(other);
        cmd.setSql(c.sql);
        cmd.execute();
        if (c.followed)
            ASSERT_TRUE(followed.wait(5000));
        else
            EXPECT_FALSE(followed.wait(400));
        EXPECT_EQ(names(2), c.names);
        EXPECT_EQ(dm.timesheet(2).asInt("w_id"), 502);
    }
    EXPECT_EQ(dm.timesheet(2).asInt("d5"), 7);
    EXPECT_EQ(names(1), QStringList());
}

// A window opened over the timesheet may rely on its rows: the re-run waits until it closes,
// also while a box of another window is open over it. A box of another window alone (the
// version gate's error box, over the login) holds nothing back.
TEST_F(TimesheetWindowTest, OnlyAWindowOpenedOverTheTimesheetHoldsTheReRun) {
    timesheetRow(501, 1, 12, 2026, "5=1");
    activate();
    choose(12, "2026");
    data::Connection other;
    testdb::openAs(other, "operator4", "operator4");
    QWidget elsewhere; // another window of the program
    const auto openModal = [](QWidget* parent, const std::function<void()>& inside) {
        QDialog dialog(parent);
        whenModalOpens([&](QWidget* modal) {
            inside();
            modal->close();
        });
        dialog.exec();
    };
    int hours = 1;
    struct Case {
        const char* what;
        std::function<void(const std::function<void()>& look)> open;
        bool held;
    };
    const Case cases[] = {
        {"a dialog over the timesheet",
         [&](const std::function<void()>& look) { openModal(window.get(), look); }, true},
        {"a box of another window",
         [&](const std::function<void()>& look) { openModal(&elsewhere, look); }, false},
        {"a box of another window over a dialog of the timesheet",
         [&](const std::function<void()>& look) {
             openModal(window.get(), [&] { openModal(&elsewhere, look); });
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QSignalSpy followed(window.get(), &TimesheetWindow::followedServer);
        int shownWhileOpen = -1;
        c.open([&] {
            data::Command cmd(other);
            cmd.setSql(QString("update accounts_dep.h_tabel set d5 = %1").arg(++hours));
            cmd.execute();
            QTest::qWait(1500); // a re-run comes within a second
            shownWhileOpen = dm.timesheet(1).asInt("d5");
        });
        EXPECT_EQ(shownWhileOpen, c.held ? hours - 1 : hours);
        if (c.held) {
            ASSERT_TRUE(followed.wait(5000));
        }
        EXPECT_EQ(dm.timesheet(1).asInt("d5"), hours);
    }
}

} // namespace

// The closer closes and reopens the shown month from the keyboard, each after a question that
// names it; a closed month is marked and not rebuilt; a login without the right gets neither.
TEST_F(TimesheetWindowTest, TheCloserClosesAndReopensTheShownMonth) {
    timesheetRow(501, 1, 11, 2026, "3=8");
    activate();
    choose(11, "2026");
    auto* closeButton = control<QPushButton>(Names::closeMonth);
    auto* reopenButton = control<QPushButton>(Names::reopenMonth);
    ASSERT_TRUE(closeButton->isEnabled());
    EXPECT_FALSE(reopenButton->isEnabled());

    messages.answers = {ui::Messages::Answer::Yes};
    closeButton->setFocus();
    QTest::keyClick(closeButton, Qt::Key_Space);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text.left(26), "Закрыть месяц Ноябрь 2026?");
    const QString today = QDate::currentDate().toString("dd.MM.yyyy");
    EXPECT_EQ(control<QLabel>(Names::closedMark)->text(), "Месяц закрыт " + today + ", master");
    EXPECT_FALSE(closeButton->isEnabled());
    EXPECT_TRUE(reopenButton->isEnabled());
    EXPECT_FALSE(control<QWidget>(Names::rebuild)->isEnabled());
    window->runGuarded([this] { window->rebuild(); });
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[1].text, "Месяц 11.2026 закрыт: перестроить табель нельзя");
    EXPECT_EQ(testdb::exec("select d3 from accounts_dep.h_tabel").toInt(), 8);

    choose(12, "2026");
    EXPECT_EQ(control<QLabel>(Names::closedMark)->text(), "");
    EXPECT_TRUE(control<QWidget>(Names::rebuild)->isEnabled());
    choose(11, "2026");
    messages.answers = {ui::Messages::Answer::No, ui::Messages::Answer::Yes};
    reopenButton->setFocus();
    QTest::keyClick(reopenButton, Qt::Key_Space);
    EXPECT_TRUE(reopenButton->isEnabled()) << "answered No";
    QTest::keyClick(reopenButton, Qt::Key_Space);
    EXPECT_TRUE(messages.messages.back().text.startsWith("Открыть месяц Ноябрь 2026?"));
    EXPECT_EQ(control<QLabel>(Names::closedMark)->text(), "");
    EXPECT_TRUE(closeButton->isEnabled());

    testdb::logIn(dm, "operator4");
    window->selectMonth();
    EXPECT_FALSE(closeButton->isEnabled());
    EXPECT_FALSE(reopenButton->isEnabled());
    EXPECT_EQ(testdb::exec("select string_agg(login || ' ' || kind, ', ' order by id) from "
                           "accounts_dep.smena_log where kind in ('close', 'reopen')")
                  .toString(),
              "master close, master reopen");
}
