// The summary reports dialog on real widgets: its controls, the opener's period, the previews
// it opens, and the export read back from its .xlsx file.
#include "ModalDriver.h"
#include "WindowTest.h"
#include "Xlsx.h"
#include "reports/ReportsDialog.h"

#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>

namespace {

// May 2027: twelve export rows, six of either kind, on 1 to 6 May; one position on 1 June,
// which a period "по 31.05.2027" leaves out.
void seed() {
    testdb::exec(QString::fromUtf8(R"(
insert into cmn_contractor.person(id, s_code, s_caption, b_employee) values
  (960001, '601', 'Иванов И.И.', true);
insert into accounts_dep.izdel(id, marka, nom, massa) values
  (810001, 'Б-1', 'Болт', 0.5), (810002, 'Г-2', 'Гайка', 2);
insert into accounts_dep.vid_oper(id, vid) values (951, 'Сборка'), (952, 'Покраска');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values
  (751, 951, 0, 810001, 2.5), (752, 952, 1, 810002, 1.25);
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color)
  select date '2027-05-01' + c, 1, 601, 810001 + k, 751 + k, 2, 1 + c, 0, c
  from generate_series(0, 5) c, generate_series(0, 1) k;
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color)
  values ('2027-06-01', 1, 601, 810001, 751, 2, 1, 0, 99);
)"));
}

class ReportsDialogTest : public WindowTest<reports::ReportsDialog> {
protected:
    static void SetUpTestSuite() { seed(); }

    void setPeriod(QDate from, QDate to) {
        control<QDateEdit>("DTPicker1")->setDate(from);
        control<QDateEdit>("DTPicker2")->setDate(to);
    }
    QString caption() { return control<QPushButton>("Button6")->text(); }

    xlsx::ThrowAwayHome home;
};

TEST_F(ReportsDialogTest, ControlsStandInTheirOrderInAFixedWindow) {
    EXPECT_EQ(window->objectName(), "TForm18");
    EXPECT_EQ(window->windowTitle(), "Отчеты");
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(control<QGroupBox>("RadioGroup1")->title(), "Вид продукции");
    EXPECT_TRUE(control<QGroupBox>("RadioGroup1")->font().bold());
    QStringList kinds;
    for (const char* name : {"RadioGroup1_0", "RadioGroup1_1", "RadioGroup1_2"})
        kinds << control<QRadioButton>(name)->text();
    EXPECT_EQ(kinds, QStringList({"Все", "Готовая продукция", "Заготовки"}));
    EXPECT_TRUE(control<QRadioButton>("RadioGroup1_0")->isChecked());
    EXPECT_FALSE(control<QRadioButton>("RadioGroup1_0")->font().bold());
    EXPECT_EQ(control<QGroupBox>("GroupBox1")->title(), "Период отбора");
    EXPECT_EQ(control<QDateEdit>("DTPicker2")->parentWidget()->objectName(), "GroupBox1");

    activate();
    auto buttons = window->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton* a, QPushButton* b) { return a->y() < b->y(); });
    QStringList order;
    for (QPushButton* b : buttons) {
        order << b->objectName() + " " + b->text();
        EXPECT_FALSE(b->isDefault()) << qPrintable(b->objectName());
        EXPECT_EQ(b->width(), 180);
    }
    EXPECT_EQ(order, QStringList({"Button4 Отчет по рабочим", "Button2 Отчет по продукции",
                                  "Button1 Детальный отчет по рабочим",
                                  "Button3 Детальный отчет по продукции",
                                  "Button7 Детальный отчет по заявкам", "Button6 Excel (0 из 0)",
                                  "Button5 Выход"}));
}

// From today, whatever the journal shows: January reaches back into December. The kind
// stays as the last use left it; Esc closes the dialog.
// One Tab stop per control, the date pickers' parts none; and with no default button Enter in
// a picker starts no report.
TEST_F(ReportsDialogTest, TabFollowsTheScreenAndEnterInAPickerStartsNothing) {
    activate();
    control<QRadioButton>("RadioGroup1_2")->setChecked(true);
    control<QWidget>("DTPicker1")->setFocus();
    EXPECT_EQ(tabStops(window.get(), 10),
              QStringList({"DTPicker1", "DTPicker2", "Button4", "Button2", "Button1", "Button3",
                           "Button7", "Button6", "Button5", "RadioGroup1_2"}));

    QStringList opened;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened << modal->objectName();
            modal->close();
        }
    });
    watch.start(5);
    for (const char* picker : {"DTPicker1", "DTPicker2"}) {
        control<QWidget>(picker)->setFocus();
        QTest::keyClick(control<QWidget>(picker), Qt::Key_Return);
        QTest::qWait(20);
    }
    EXPECT_TRUE(opened.isEmpty()) << opened.join(',').toStdString();
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ReportsDialogTest, TheOpenerTakesTheMonthBeforeToday) {
    struct Case {
        QDate today, from, to;
    };
    const Case cases[] = {
        {{2027, 1, 15}, {2026, 12, 1}, {2026, 12, 31}},
        {{2027, 3, 1}, {2027, 2, 1}, {2027, 2, 28}},
        {{2027, 3, 31}, {2027, 2, 1}, {2027, 2, 28}},
        {{2028, 3, 10}, {2028, 2, 1}, {2028, 2, 29}},
    };
    control<QRadioButton>("RadioGroup1_2")->setChecked(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.today.toString(Qt::ISODate).toStdString());
        QDate from, to;
        bool modal = false, blanks = false;
        whenModalOpens([&](QWidget* w) {
            modal = w == window.get();
            from = control<QDateEdit>("DTPicker1")->date();
            to = control<QDateEdit>("DTPicker2")->date();
            blanks = control<QRadioButton>("RadioGroup1_2")->isChecked();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        window->openFrom(c.today);
        EXPECT_TRUE(modal);
        EXPECT_EQ(from, c.from);
        EXPECT_EQ(to, c.to);
        EXPECT_TRUE(blanks);
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(window->period().kind, 1);
    }
}

TEST_F(ReportsDialogTest, EachReportButtonPreviewsItsLayoutUnderItsTitle) {
    struct Case {
        const char* button;
        const char* layout;
        const char* title;
    };
    const Case cases[] = {
        {"Button4", "TForm16", "Отчет по рабочим за период с 01.05.2027 по 31.05.2027"},
        {"Button2", "TForm17", "Отчет по продукции за период с 01.05.2027 по 31.05.2027"},
        {"Button1", "TForm20", "Детальный отчет по рабочим за период с 01.05.2027 по 31.05.2027"},
        {"Button3", "TForm21", "Детальный отчет по продукции за период с 01.05.2027 по 31.05.2027"},
        {"Button7", "TForm25", "Детальный отчет по заявкам за период с 01.05.2027 по 31.05.2027"},
    };
    activate();
    setPeriod({2027, 5, 1}, {2027, 5, 31});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        QString name, title;
        bool maximised = false;
        whenModalOpens([&](QWidget* preview) {
            name = preview->objectName();
            title = preview->windowTitle();
            maximised = preview->isMaximized();
            preview->close();
        });
        click(c.button);
        EXPECT_EQ(name, c.layout);
        EXPECT_EQ(title, c.title);
        EXPECT_TRUE(maximised);
    }
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ReportsDialogTest, TheKindChoiceBecomesTheFilter) {
    const std::pair<const char*, int> cases[] = {
        {"RadioGroup1_1", 0}, {"RadioGroup1_2", 1}, {"RadioGroup1_0", -1}};
    setPeriod({2027, 5, 1}, {2027, 5, 31});
    for (const auto& [radio, kind] : cases) {
        control<QRadioButton>(radio)->setChecked(true);
        const reports::ReportPeriod p = window->period();
        EXPECT_EQ(p.kind, kind) << radio;
        EXPECT_EQ(p.from, QDate(2027, 5, 1));
        EXPECT_EQ(p.to, QDate(2027, 5, 31));
    }
}

// The caption is painted as the rows go, before the event loop runs again; N counts the rows
// that pass the kind.
TEST_F(ReportsDialogTest, TheExportShowsItsProgressAndWritesTheFilteredRows) {
    struct Case {
        const char* radio;
        QDate to;
        QString last;
        int rows;          // below the heading
        QString firstKind; // C2
    };
    const Case cases[] = {
        {"RadioGroup1_0", {2027, 5, 31}, "Excel (12 из 12)", 12, "s:Готовая продукция"},
        {"RadioGroup1_2", {2027, 5, 31}, "Excel (6 из 6)", 6, "s:Заготовки"},
        {"RadioGroup1_0", {2027, 5, 1}, "Excel (2 из 2)", 2, "s:Готовая продукция"}, // its day
    };
    activate();
    QPushButton* button6 = control<QPushButton>("Button6");
    QStringList painted;
    struct PaintSpy : QObject {
        QStringList* painted;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                *painted << static_cast<QPushButton*>(o)->text();
            return false;
        }
    } spy;
    spy.painted = &painted;
    button6->installEventFilter(&spy);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.last.toStdString());
        control<QRadioButton>(c.radio)->setChecked(true);
        setPeriod({2027, 5, 1}, c.to);
        QApplication::processEvents();
        painted.clear();
        home.opened.clear();
        button6->click(); // runs the export; no event is processed until it returns
        EXPECT_EQ(caption(), c.last);
        EXPECT_TRUE(painted.contains(c.last)) << qPrintable(painted.join("|"));
        if (c.rows > 0) {
            EXPECT_TRUE(painted.contains(QStringLiteral("Excel (0 из %1)").arg(c.rows)));
        }
        ASSERT_EQ(home.opened.size(), 1);
        const xlsx::Xlsx x(home.opened.front());
        EXPECT_EQ(x.cells.size(), 5 * (c.rows + 1));
        EXPECT_EQ(x.at(5, 1), "s:Кол-во");
        EXPECT_EQ(x.at(3, 2), c.firstKind);
        EXPECT_EQ(x.at(1, c.rows + 2), "");
    }
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(ReportsDialogTest, AnExportWithoutASpreadsheetLeavesTheCaption) {
    activate();
    setPeriod({2027, 5, 1}, {2027, 5, 31});
    click("Button6");
    ASSERT_EQ(caption(), "Excel (12 из 12)");
    QDir(home.documents).removeRecursively();
    QFile blocker(home.documents); // no folder to write into
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    home.opened.clear();
    setPeriod({2027, 5, 1}, {2027, 5, 10});
    click("Button6");
    EXPECT_EQ(messages.texts(), QStringList{"Ошибка открытия файла Microsoft Excel."});
    EXPECT_EQ(caption(), "Excel (12 из 12)");
    EXPECT_TRUE(home.opened.isEmpty());
}

// Every report button and the export refuse a period that ends before it starts, opening
// nothing; the dialog stays for the dates to be mended.
TEST_F(ReportsDialogTest, APeriodEndingBeforeItStartsIsRefusedInTheDialog) {
    activate();
    setPeriod({2027, 5, 10}, {2027, 5, 1});
    QStringList opened;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != window.get()) {
            opened << modal->objectName();
            modal->close();
        }
    });
    watch.start(5);
    for (const char* button : {"Button4", "Button2", "Button1", "Button3", "Button7", "Button6"})
        click(button);
    QTest::qWait(20);
    EXPECT_TRUE(opened.isEmpty()) << opened.join(',').toStdString();
    EXPECT_EQ(messages.texts(),
              QStringList(6, "Конец периода (по 01.05.2027) раньше его начала (с 10.05.2027)"));
    EXPECT_TRUE(home.opened.isEmpty());
    EXPECT_EQ(caption(), "Excel (0 из 0)");
    EXPECT_TRUE(window->isVisible());
}

// A statement the server refuses ends the action with its text; the dialog stays.
TEST_F(ReportsDialogTest, ADatabaseErrorIsShownAndTheDialogStays) {
    activate();
    setPeriod({2027, 5, 1}, {2027, 5, 31});
    testdb::exec("alter table accounts_dep.vid_oper rename to vid_oper_gone");
    click("Button4");
    click("Button6");
    testdb::exec("alter table accounts_dep.vid_oper_gone rename to vid_oper");
    ASSERT_EQ(messages.messages.size(), 2u);
    for (const auto& m : messages.messages) {
        EXPECT_EQ(m.caption, "Ошибка");
        EXPECT_TRUE(m.text.contains("vid_oper")) << qPrintable(m.text);
    }
    EXPECT_EQ(caption(), "Excel (0 из 0)");
    EXPECT_TRUE(home.opened.isEmpty());
    EXPECT_TRUE(window->isVisible());
}

} // namespace
