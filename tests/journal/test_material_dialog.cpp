// The material consumption dialog: the norm it proposes, the checks before a row is written,
// with another workstation recording and taking stock meanwhile, and the rules on their own.
#include "ModalDriver.h"
#include "PreparedModule.h"
#include "TestDatabase.h"
#include "WindowTest.h"
#include "data/Error.h"
#include "journal/MaterialDialog.h"
#include "state/DataModule.h"
#include "ui/LookupBox.h"
#include "ui/Messages.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <barrier>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

namespace {

using Names = journal::MaterialDialog::Names;

const QString aboveNorm = QString::fromUtf8(
    "Расход ТМЦ не может быть больше остатка по партии! Расходовать весь остаток по партии?");
const QString aboveStock = QString::fromUtf8(
    "Расход ТМЦ не может быть больше партии! Расходовать весь остаток по партии?");
const QString zero = QString::fromUtf8("Расход ТМЦ не может быть 0!");
const QString empty = QString::fromUtf8("Все поля должны быть заполнены!");

// A chair (800001) takes 1.5 m2 of plywood, 0.25 kg of glue and 0.2 kg of paint a piece; a
// stool (800002) has a plywood norm of 0 and no paint norm. Plywood: 100 free. Glue: 2 on
// hand, 1 of it reserved for requisition 40, for which position 9001 is made.
void seedPlant() {
    testdb::exec(QString::fromUtf8(R"(
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, s_msm_ident) values
  (800001, 'Стул', 'шт'), (800002, 'Табурет', 'шт'),
  (600001, 'Фанера', 'м2'), (600002, 'Клей', 'кг'), (600010, 'Краска синяя', 'кг');
insert into cmn_gds_and_srv.gds_attr(id, f_color_qty) values (800001, 0.2);
insert into mnf_operation.operation(id, id_gds_to, id_gds_from, f_qty_from) values
  (1, 800001, 600001, 1.5), (2, 800001, 600002, 0.25), (3, 800002, 600001, 0);
insert into mnf_doc.doc(id, s_number, d_date) values (40, '40', '2026-12-01');
insert into whs_stock.stock(id, s_caption) values (1, 'Склад');
insert into whs_stock.consignment(id, id_gds, id_stock, s_number, d_date) values
  (1, 600001, 1, '1', '2026-12-01'), (2, 600002, 1, '2', '2026-12-01'),
  (3, 600010, 1, '3', '2026-12-01');
insert into whs_stock.balance(id_consignment, f_qty) values (1, 0), (2, 0), (3, 0);
insert into whs_stock.reserve(id, id_consignment, id_doc, f_qty) values (1, 2, 40, 1);
insert into accounts_dep.vid_oper(id, vid) values (1, 'Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values
  (701, 1, 0, 800001, 10), (702, 1, 0, 800002, 10);
)"));
}

void seedPositions() {
    testdb::truncate("accounts_dep.smena restart identity cascade");
    testdb::exec(R"(
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, color, id_doc) values
  (9001, '2026-12-09', 1, 501, 800001, 701, 10, 4, 600010, 40),
  (9002, '2026-12-09', 1, 501, 800002, 702, 10, 4, 600010, 0);
update whs_stock.balance set f_qty = case id_consignment when 1 then 100 when 2 then 2 else 50 end;
)");
}

// "position:goods:quantity" of every consumption row, "-" without any.
QString stored() {
    return testdb::exec("select coalesce(string_agg(id_smena || ':' || id_gds_use || ':' || "
                        "f_qty_use, ' ' order by id), '-') from accounts_dep.smena_gds_use")
        .toString();
}

class MaterialDialogTest : public WindowTest<journal::MaterialDialog> {
protected:
    static void SetUpTestSuite() { seedPlant(); }
    void SetUp() override {
        seedPositions();
        WindowTest::SetUp();
    }

    ui::LookupBox* box() { return control<ui::LookupBox>(Names::goods); }
    QLineEdit* edit7() { return control<QLineEdit>(Names::quantity); }
    QString label(const char* name) { return control<QLabel>(name)->text(); }

    // As a user does: Home, then Down until the item shows; each step is a choice.
    void choose(const char* caption) {
        box()->setFocus();
        QTest::keyClick(box(), Qt::Key_Home);
        while (box()->text() != QString::fromUtf8(caption) &&
               box()->currentIndex() < box()->count() - 1)
            QTest::keyClick(box(), Qt::Key_Down);
        ASSERT_EQ(box()->text(), QString::fromUtf8(caption));
    }
    void type(const QString& text) {
        edit7()->setFocus();
        edit7()->selectAll();
        typeText(edit7(), text);
    }
    void paste(const QString& text) {
        edit7()->setFocus();
        edit7()->selectAll();
        QApplication::clipboard()->setText(text);
        QTest::keyClick(edit7(), Qt::Key_V, Qt::ControlModifier);
    }

    // Opens the dialog for a position, acts in it, and closes it with "Отмена" when the action
    // left it open.
    bool add(int position, const std::function<void()>& act, bool* stayedOpen = nullptr) {
        whenModalOpens([&](QWidget* modal) {
            QApplication::setActiveWindow(modal); // focus moves as a user sees it
            act();
            if (stayedOpen)
                *stayedOpen = modal->isVisible();
            if (modal->isVisible())
                click(Names::cancel);
        });
        return window->addFor(position);
    }
};

TEST_F(MaterialDialogTest, ShowsRemaindersOnlyOnceChosenAndProposesTheRestOfTheNorm) {
    EXPECT_EQ(window->objectName(), "TForm24");
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Материал"));
    EXPECT_EQ(window->size(), QSize(399, 141));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ(box()->width(), 209);
    EXPECT_EQ(edit7()->width(), 55);
    EXPECT_TRUE(control<QLabel>(Names::freeStock)->font().bold());
    EXPECT_TRUE(control<QPushButton>(Names::save)->isDefault());
    EXPECT_EQ(control<QPushButton>(Names::save)->text(), QString::fromUtf8("Запись"));
    EXPECT_EQ(control<QPushButton>(Names::cancel)->text(), QString::fromUtf8("Отмена"));

    testdb::exec("insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) "
                 "values (9001, 600001, 1.25)");
    QStringList items;
    QString before, chosen, typed, tip, normShown;
    const bool written = add(9001, [&] {
        for (int i = 0; i < box()->count(); ++i)
            items << box()->itemText(i);
        before =
            label(Names::freeStock) + "|" + label(Names::reservedStock) + "|" + edit7()->text();
        choose("Фанера");
        chosen =
            label(Names::freeStock) + "|" + label(Names::reservedStock) + "|" + edit7()->text();
        tip = edit7()->toolTip();
        normShown = label(Names::norm);
        type("1.5x-");
        typed = edit7()->text();
        QTest::keyClick(edit7(), Qt::Key_Escape);
    });
    EXPECT_FALSE(written);
    EXPECT_EQ(items, QStringList({QString::fromUtf8("Клей"), QString::fromUtf8("Фанера"),
                                  QString::fromUtf8("Краска синяя")}))
        << "materials, then the paint";
    EXPECT_EQ(before, "||0");
    EXPECT_EQ(chosen, QString::fromUtf8("Свободно: 98,75 м2|В резерве по заявке: 0 м2|4,75"))
        << "norm 4 x 1.5 less the 1.25 recorded";
    EXPECT_EQ(tip, QString::fromUtf8("Норма: 6, уже записано: 1,25"));
    EXPECT_EQ(normShown, tip) << "the norm is on screen, not only in the tooltip";
    EXPECT_EQ(typed, "1,5") << "a point becomes a comma, other keys are dropped";
    EXPECT_EQ(stored(), "9001:600001:1.25") << "Esc wrote nothing";
    EXPECT_TRUE(box()->key().isNull());
    EXPECT_EQ(box()->currentIndex(), -1);
    EXPECT_EQ(edit7()->text(), "0");
    EXPECT_EQ(label(Names::freeStock), "") << "the remainders are closed with the dialog";
    EXPECT_EQ(label(Names::norm), "");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(MaterialDialogTest, RecordsOnlyWhatTheNormAndTheStockAllowAsTheServerHoldsThemAtRecording) {
    const QString glueRow9003 = QString::fromUtf8(
        "insert into accounts_dep.smena(id, data, smena, i_id, kol_vo, id_doc) values "
        "(9003, '2026-12-09', 2, 800001, 4, 40); insert into accounts_dep.smena_gds_use("
        "id_smena, id_gds_use, f_qty_use) values (9003, 600002, 1)");
    const auto used = [](const char* qty) {
        return QString("insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) "
                       "values (9001, 600001, %1)")
            .arg(qty);
    };
    const auto told = [](auto... texts) { return QStringList{QString(texts)...}; };
    const auto notANumber = [](const char* typed) {
        return QString::fromUtf8("«%1» не является числом (поле Расход)")
            .arg(QString::fromUtf8(typed));
    };
    struct Case {
        const char* name;
        int position;         // 9001: a chair for requisition 40; 9002: a stool
        const char* quantity; // the position's quantity as stored
        const char* goods;    // nullptr: none chosen
        const char* proposal; // in Edit7 after the choice
        const char* input;    // pasted into Edit7; nullptr: the proposal kept
        QString meanwhile;    // another workstation, between the choice and "Запись"
        const char* answers;  // y or n for each question in turn
        QStringList said;
        const char* stored; // the rows afterwards
    };
    const Case cases[] = {
        {"within norm and stock", 9001, "4", "Фанера", "6", nullptr, "", "", told(),
         "9001:600001:6"},
        {"a fraction with a point", 9001, "4", "Фанера", "6", "2.5", "", "", told(),
         "9001:600001:2.5"},
        {"the paint norm of the product", 9001, "4.5", "Краска синяя", "0,9", nullptr, "", "",
         told(), "9001:600010:0.9"},
        {"above the norm, capped", 9001, "4", "Фанера", "6", "10", "", "y", told(aboveNorm),
         "9001:600001:6"},
        {"above the norm, No", 9001, "4", "Фанера", "6", "10", "", "n", told(aboveNorm), "-"},
        {"above norm and stock, capped twice", 9001, "12", "Клей", "3", "5", "", "yy",
         told(aboveNorm, aboveStock), "9001:600002:2"},
        {"above the stock, No", 9001, "12", "Клей", "3", nullptr, "", "n", told(aboveStock), "-"},
        {"no paint norm: capped to nothing", 9002, "4", "Краска синяя", "0", "1", "", "y",
         told(aboveNorm, zero), "-"},
        {"a norm of 0", 9002, "4", "Фанера", "0", nullptr, "", "", told(zero), "-"},
        {"no goods item chosen", 9001, "4", nullptr, "0", "1", "", "", told(empty), "-"},
        {"pasted text that is no number", 9001, "4", "Фанера", "6", "1,2,3", "", "",
         told(notANumber("1,2,3")), "-"},
        {"a pasted negative number", 9001, "4", "Фанера", "6", "-5", "", "", told(notANumber("-5")),
         "-"},
        {"a position without a quantity", 9001, "null", "Клей", "0", nullptr, "", "", told(zero),
         "-"},
        {"the quantity lowered elsewhere meanwhile", 9001, "10", "Фанера", "15", nullptr,
         "update accounts_dep.smena set kol_vo = 1 where id = 9001", "y", told(aboveNorm),
         "9001:600001:1.5"},
        {"stock taken elsewhere meanwhile", 9001, "4", "Фанера", "6", nullptr,
         "update whs_stock.balance set f_qty = 3.5 where id_consignment = 1", "y", told(aboveStock),
         "9001:600001:3.5"},
        {"recorded elsewhere meanwhile", 9001, "4", "Фанера", "6", nullptr, used("5"), "y",
         told(aboveNorm), "9001:600001:5 9001:600001:1"},
        {"the norm used up elsewhere meanwhile", 9001, "4", "Фанера", "6", nullptr, used("6"), "y",
         told(aboveNorm, zero), "9001:600001:6"},
        {"the reservation used elsewhere meanwhile", 9001, "8", "Клей", "2", nullptr, glueRow9003,
         "y", told(aboveStock), "9003:600002:1 9001:600002:1"},
        {"the position accepted elsewhere meanwhile", 9001, "4", "Фанера", "6", nullptr,
         "update accounts_dep.smena set ok = 'ok' where id = 9001", "",
         told("Позиция уже принята, изменить её нельзя!"), "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        seedPositions();
        messages.clear();
        messages.answers.clear();
        for (const char* a = c.answers; *a; ++a)
            messages.answers.push_back(*a == 'y' ? ui::Messages::Answer::Yes
                                                 : ui::Messages::Answer::No);
        QString proposal, before;
        bool stayedOpen = false;
        testdb::exec(QString("update accounts_dep.smena set kol_vo = %1 where id = %2")
                         .arg(c.quantity)
                         .arg(c.position));
        const bool written = add(
            c.position,
            [&] {
                if (c.goods)
                    choose(c.goods);
                proposal = edit7()->text();
                if (c.input)
                    paste(QString::fromUtf8(c.input));
                edit7()->setFocus(); // out of the goods box, which would propose anew
                if (!c.meanwhile.isEmpty())
                    testdb::exec(c.meanwhile);
                before = stored();
                click(Names::save);
            },
            &stayedOpen);
        EXPECT_EQ(proposal, QString::fromUtf8(c.proposal));
        EXPECT_EQ(messages.texts(), c.said);
        EXPECT_EQ(stored(), c.stored);
        EXPECT_EQ(written, !stayedOpen) << "it closes exactly when it wrote";
        EXPECT_EQ(written, stored() != before);
    }
}

TEST_F(MaterialDialogTest, LeavingTheBoxProposesTheNormAgainAndQuestionsAreWarnings) {
    testdb::exec("update whs_stock.balance set f_qty = 1 where id_consignment = 1");
    messages.answers = {ui::Messages::Answer::No};
    QString afterLeaving;
    add(9001, [&] {
        choose("Фанера");
        type("7");
        box()->setFocus();
        edit7()->setFocus();
        afterLeaving = edit7()->text();
        click(Names::save);
    });
    EXPECT_EQ(afterLeaving, "6") << "entering and leaving the box replaced the typed quantity";
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, aboveStock);
    EXPECT_EQ(messages.messages[0].caption, QString::fromUtf8("Запрос"));
    EXPECT_EQ(messages.messages[0].icon, ui::Messages::Icon::Warning);
    EXPECT_EQ(messages.messages[0].buttons, ui::Messages::Buttons::YesNo);
}

TEST_F(MaterialDialogTest, EnterOnAFocusedCancelRecordsNothing) {
    bool stayedOpen = true;
    const bool written = add(
        9001,
        [&] {
            choose("Фанера");
            control<QPushButton>(Names::cancel)->setFocus();
            QTest::keyClick(control<QPushButton>(Names::cancel), Qt::Key_Return);
        },
        &stayedOpen);
    EXPECT_FALSE(written);
    EXPECT_FALSE(stayedOpen);
    EXPECT_EQ(stored(), "-");
}

TEST(MaterialRules, TheChecksCapInTheirOrderAndRefuseWhatIsLeftAtZero) {
    struct Case {
        const char* name;
        double typed, used, norm, avail;
        std::vector<bool> answers;
        int asked;
        std::optional<double> written; // nullopt: stopped; -1: "не может быть 0"
    };
    const Case cases[] = {
        {"within both", 2, 1, 6, 10, {}, 0, 2},
        {"exactly the rest of the norm", 5, 1, 6, 10, {}, 0, 5},
        {"a rounding crumb above the norm is no excess",
         0.30000000000000004,
         0,
         0.3,
         1,
         {},
         0,
         0.30000000000000004},
        {"above the norm", 7, 1, 6, 10, {true}, 1, 5},
        {"above the stock", 5, 0, 6, 2.5, {true}, 1, 2.5},
        {"above both", 9, 0, 6, 2, {true, true}, 2, 2},
        {"No to the first", 9, 0, 6, 2, {false}, 1, std::nullopt},
        {"No to the second", 9, 0, 6, 2, {true, false}, 2, std::nullopt},
        {"0 typed beyond the norm does nothing", 0, 8, 6, 10, {}, 0, std::nullopt},
        {"0 typed within", 0, 0, 6, 10, {}, 0, -1},
        {"norm used up, capped to nothing", 1, 6, 6, 10, {true}, 1, -1},
        {"nothing left in stock, capped to nothing", 1, 0, 6, 0, {true}, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        size_t asked = 0;
        const auto ask = [&](const QString&) {
            return asked < c.answers.size() ? bool(c.answers[asked++]) : (++asked, false);
        };
        std::optional<double> result;
        bool refusedAtZero = false;
        try {
            result = journal::material::checkedQuantity(c.typed, c.used, c.norm, c.avail, ask);
        } catch (const data::Error& e) {
            refusedAtZero = e.text() == zero;
        }
        EXPECT_EQ(int(asked), c.asked);
        if (c.written == -1.0) {
            EXPECT_TRUE(refusedAtZero);
        } else {
            EXPECT_FALSE(refusedAtZero);
            EXPECT_EQ(result, c.written);
        }
    }
}

// Another workstation records while the user answers the question: the capped quantity is
// checked again under the locks, and the refusal says it was taken meanwhile, with the figures
// the server holds now.
TEST_F(MaterialDialogTest, WhatAnotherWorkstationRecordedWhileTheUserAnsweredIsNotRecordedAgain) {
    journal::MaterialStore store(dm);
    int asked = 0;
    const journal::MaterialStore::Result r =
        store.record(9001, 600001, false, 10, [&](const QString& question) {
            ++asked;
            EXPECT_EQ(question, aboveNorm);
            // No lock is held while the user answers (or this insert would wait for it).
            EXPECT_FALSE(dm.connection.inTransaction());
            if (!dm.connection.inTransaction())
                testdb::exec(
                    "insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) "
                    "values (9001, 600001, 5)");
            return true;
        });
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(r.outcome, journal::MaterialStore::Outcome::TakenMeanwhile);
    EXPECT_EQ(r.figures.normQty, 6);
    EXPECT_EQ(r.figures.usedQty, 5);
    EXPECT_EQ(stored(), "9001:600001:5") << "the 6 asked for would pass the norm now";
}

// Eight workstations click "Запись" together, round after round, each answering Yes to every
// question: what they record together never passes the norm of the position nor the stock.
TEST_F(MaterialDialogTest, WorkstationsRecordingTogetherStayWithinTheNormAndTheStock) {
    struct Case {
        const char* name;
        const char* setUp; // after the positions are seeded
        int positions;     // station k records on position 9100 + k % positions
        int goods;         // glue: 0.25 a piece, 2 on hand
        double each;       // what every station types
        double expected;   // what all of them recorded together
    };
    const Case cases[] = {
        {"eight times 2 on one position of norm 10",
         "insert into accounts_dep.smena(id, data, smena, i_id, kol_vo) values (9100, "
         "'2026-12-09', 1, 800001, 40); update whs_stock.balance set f_qty = 1000 where "
         "id_consignment = 2",
         1, 600002, 2, 10},
        {"eight times 3 on eight positions with 10 in stock",
         "insert into accounts_dep.smena(id, data, smena, i_id, kol_vo) select 9100 + k, "
         "'2026-12-09', 1, 800001, 400 from generate_series(0, 7) k; update whs_stock.balance "
         "set f_qty = 11 where id_consignment = 2", // 1 of it reserved elsewhere
         8, 600002, 3, 10},
    };
    constexpr int stations = 8, rounds = 50;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::barrier meet(stations);
        std::vector<QStringList> errors(stations);
        QStringList wrongRounds;
        std::vector<std::thread> threads;
        for (int k = 0; k < stations; ++k)
            threads.emplace_back([&, k] {
                testdb::PreparedModule own;
                testdb::openAs(own.connection, "master", "master");
                journal::MaterialStore store(own);
                for (int round = 0; round < rounds; ++round) {
                    if (k == 0) {
                        seedPositions();
                        testdb::exec(c.setUp);
                    }
                    meet.arrive_and_wait();
                    try {
                        store.record(9100 + k % c.positions, c.goods, false, c.each,
                                     [](const QString&) { return true; });
                    } catch (const data::Error& e) {
                        if (e.text() != zero) // capped to nothing: the norm or stock is used up
                            errors[size_t(k)] << e.text();
                    }
                    meet.arrive_and_wait();
                    if (k == 0) {
                        const double total = testdb::exec("select coalesce(sum(f_qty_use), 0) from "
                                                          "accounts_dep.smena_gds_use")
                                                 .toDouble();
                        if (std::abs(total - c.expected) > 1e-9)
                            wrongRounds << QString("round %1: %2").arg(round).arg(total);
                    }
                    meet.arrive_and_wait();
                }
            });
        for (std::thread& t : threads)
            t.join();
        for (int k = 0; k < stations; ++k)
            EXPECT_EQ(errors[size_t(k)].join("; ").toStdString(), "") << "station " << k;
        EXPECT_EQ(wrongRounds.join(", ").toStdString(), "");
    }
}

} // namespace
