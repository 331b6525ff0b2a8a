// The position dialog on the demo plant: a position entered by goods end to end, and what each
// opener lets the user touch.
#include "ModalDriver.h"
#include "PreparedModule.h"
#include "TestDatabase.h"
#include "WindowTest.h"
#include "journal/BrigadePanel.h"
#include "journal/JournalWindow.h"
#include "journal/MaterialDialog.h"
#include "journal/MaterialsPanel.h"
#include "journal/PositionDialog.h"
#include "reference/Norms.h"
#include "reference/OperationTypes.h"
#include "reference/Operations.h"
#include "reference/Pickers.h"
#include "ui/DataGrid.h"
#include "ui/LookupBox.h"

#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

namespace {

const QDate wednesday(2026, 12, 9);

using Names = journal::PositionDialog::Names;
using MaterialsPanelNames = journal::MaterialsPanel::Names;
using BrigadeNames = journal::BrigadePanel::Names;
using MaterialDialogNames = journal::MaterialDialog::Names;
using ListNames = reference::ReferenceList::Names;

class PositionDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QFile demo(TABEL_SOURCE_DIR "/db/demo.sql");
        ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
        testdb::exec(QString::fromUtf8(demo.readAll()));
    }
    void SetUp() override {
        testdb::logIn(dm, "master");
        journal.setToday([] { return wednesday; });
        journal.show();
        QApplication::setActiveWindow(&journal);
        QApplication::processEvents();
    }
    template <class T> T* in(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    // A choice in a lookup box as the keyboard makes it.
    static void choose(ui::LookupBox* box) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QApplication::processEvents();
    }

    // Chooses goods, line, worker and operation by the keyboard and saves one piece.
    void enterByGoods() {
        choose(in<ui::LookupBox>(&dialog, Names::document));
        choose(in<ui::LookupBox>(&dialog, Names::line));
        for (const char* button : {Names::pickWorker, Names::pickOperation}) {
            whenModalOpens([&](QWidget* picker) {
                QTest::keyClick(picker->findChild<QLineEdit*>(ListNames::search), Qt::Key_Return);
            });
            QTest::mouseClick(in<QPushButton>(&dialog, button), Qt::LeftButton);
        }
        in<QLineEdit>(&dialog, Names::quantity)->setText("1");
        QTest::mouseClick(in<QPushButton>(&dialog, Names::save), Qt::LeftButton);
    }
    // Picks the first worker of the list as a brigade member.
    void addFirstMember() {
        whenModalOpens([&](QWidget* picker) {
            QTest::keyClick(picker->findChild<QLineEdit*>(ListNames::search), Qt::Key_Return);
        });
        QTest::mouseClick(in<QPushButton>(&dialog, BrigadeNames::add), Qt::LeftButton);
    }

    ui::MessageRecorder messages;
    testdb::PreparedModule dm;
    journal::JournalWindow journal{dm};
    reference::ProductsList products{dm};
    reference::WorkersList workers{dm};
    reference::OperationTypeDialog typeDialog{dm};
    reference::OperationTypesList types{dm, typeDialog};
    reference::OperationDialog operationDialog{dm, products, types};
    reference::NormsWindow norms{dm};
    reference::OperationsList operations{dm, operationDialog, norms};
    journal::MaterialDialog materials{dm};
    journal::PositionDialog dialog{dm, workers, operations, materials};
};

TEST_F(PositionDialogTest, APositionEnteredByGoodsIsSavedWithItsDayCellAndLocksItsFields) {
    const int before = testdb::exec("select count(*) from accounts_dep.smena").toInt();
    QString goods, line, worker, operation;
    bool locked = false, panels = false;
    whenModalOpens([&](QWidget*) {
        auto* doc = in<ui::LookupBox>(&dialog, Names::document);
        auto* item = in<ui::LookupBox>(&dialog, Names::line);
        EXPECT_EQ(in<QLabel>(&dialog, Names::documentLabel)->text(),
                  QString::fromUtf8("Продукция"));
        EXPECT_EQ(doc->text(), "") << "nothing chosen at the start";
        choose(doc);
        goods = doc->key().toString();
        choose(item);
        line = item->key().toString();
        EXPECT_FALSE(in<QLineEdit>(&dialog, Names::quantity)->text().isEmpty())
            << "the quantity the line still requires";
        whenModalOpens([&](QWidget* picker) {
            QTest::keyClick(picker->findChild<QLineEdit*>(ListNames::search), Qt::Key_Return);
        });
        QTest::mouseClick(in<QPushButton>(&dialog, Names::pickWorker), Qt::LeftButton);
        worker = in<QLineEdit>(&dialog, Names::worker)->text();
        whenModalOpens([&](QWidget* picker) {
            QTest::keyClick(picker->findChild<QLineEdit*>(ListNames::search), Qt::Key_Return);
        });
        QTest::mouseClick(in<QPushButton>(&dialog, Names::pickOperation), Qt::LeftButton);
        operation = in<QLineEdit>(&dialog, Names::operation)->text();
        auto* quantity = in<QLineEdit>(&dialog, Names::quantity);
        quantity->setText("1");
        auto* hours = in<QLineEdit>(&dialog, Names::hours);
        hours->setText("3");
        QTest::mouseClick(in<QPushButton>(&dialog, Names::save), Qt::LeftButton);
        locked = !in<QGroupBox>(&dialog, Names::fields)->isEnabled();
        panels = in<QPushButton>(&dialog, MaterialsPanelNames::add)->isEnabled() &&
                 in<QPushButton>(&dialog, BrigadeNames::add)->isEnabled() &&
                 in<QLabel>(&dialog, BrigadeNames::title)->isEnabled();
        QTest::mouseClick(in<QPushButton>(&dialog, Names::exit), Qt::LeftButton);
    });
    dialog.addNew();
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
    ASSERT_FALSE(goods.isEmpty());
    ASSERT_FALSE(worker.isEmpty());
    ASSERT_FALSE(operation.isEmpty());
    EXPECT_TRUE(locked) << "a saved new position's fields are locked";
    EXPECT_TRUE(panels) << "materials and brigade open up, the brigade's title with them";
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena").toInt(), before + 1);
    const int id = dialog.positionId();
    EXPECT_EQ(testdb::exec(QString("select id_gds_use || '/' || id_doc_item || '/' || kol_vo || "
                                   "'/' || time || '/' || ok from accounts_dep.smena where id=%1")
                               .arg(id))
                  .toString(),
              goods + "/" + line + "/1/3/no");
    EXPECT_GE(testdb::exec(QString("select h.d9 from accounts_dep.h_tabel h join "
                                   "accounts_dep.smena s on s.w_id = h.w_id and s.smena = h.smena "
                                   "where s.id=%1 and h.month=12 and h.year=2026")
                               .arg(id))
                  .toInt(),
              3)
        << "the day cell holds the new hours";
}

// The journal under the dialog is read once, when the dialog has closed, and shows the new
// position; staying on the date, as the user may choose, the new position is the current row.
TEST_F(PositionDialogTest, AnAddedPositionIsReadIntoTheJournalOnceOnReturn) {
    QObject::connect(&dialog, &journal::PositionDialog::positionAdded, &journal,
                     &journal::JournalWindow::noteAdded);
    journal.setStayOnDate(true);
    int reads = 0;
    dm.connection.setObserver([&reads](const QByteArray& sql,
                                       const std::vector<std::optional<QByteArray>>&,
                                       data::Connection::Plan) {
        reads += sql.startsWith("select smena.id, smena.data,"); // shift 1's
    });
    whenModalOpens([&](QWidget*) {
        enterByGoods();
        QTest::mouseClick(in<QPushButton>(&dialog, Names::exit), Qt::LeftButton);
    });
    journal.runDialog([&] { return dialog.addNew(); }, journal::JournalWindow::Return::Always);
    dm.connection.setObserver({});
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
    ASSERT_GT(dialog.positionId(), 0);
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(journal.currentJournalQuery().asInt("id"), dialog.positionId());
}

TEST_F(PositionDialogTest, EachOpenerLetsTouchWhatItsModeAllows) {
    struct Case {
        const char* name;
        bool (journal::PositionDialog::*opener)();
        bool fields, save, materials, brigade, modeSwitchShown, modeSwitchUsable;
        QString caption;
    };
    const Case cases[] = {
        {"add", &journal::PositionDialog::addNew, true, true, false, false, true, true,
         QString::fromUtf8("Заведение новой позиции")},
        {"change", &journal::PositionDialog::changeCurrent, true, true, true, false, false, false,
         QString::fromUtf8("Изменение данных о позиции")},
        {"view", &journal::PositionDialog::viewCurrent, false, false, false, false, true, false,
         QString::fromUtf8("Просмотр данных о позиции")},
    };
    data::ResultSet& rows = journal.currentJournalQuery();
    ASSERT_FALSE(rows.isEmpty());
    for (int r = 0; r < rows.rowCount(); ++r) {
        rows.moveTo(r);
        if (rows.asString("ok") == "no")
            break;
    }
    const QString lowestPrice =
        testdb::exec(QString("select replace(trim_scale(round(min(price)::numeric, 4))::text, "
                             "'.', ',') from accounts_dep.norm where o_id = %1")
                         .arg(rows.asInt("o_id")))
            .toString();
    ASSERT_FALSE(lowestPrice.isEmpty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool seen = false;
        whenModalOpens([&](QWidget*) {
            seen = true;
            EXPECT_EQ(dialog.windowTitle(), c.caption);
            EXPECT_EQ(in<QGroupBox>(&dialog, Names::fields)->isEnabled(), c.fields);
            EXPECT_EQ(in<QPushButton>(&dialog, Names::save)->isEnabled(), c.save);
            EXPECT_EQ(in<QPushButton>(&dialog, MaterialsPanelNames::add)->isEnabled(), c.materials);
            EXPECT_EQ(in<QPushButton>(&dialog, BrigadeNames::add)->isEnabled(), c.brigade);
            EXPECT_EQ(in<QLabel>(&dialog, BrigadeNames::title)->isEnabled(), c.brigade);
            auto* modeSwitch = in<QGroupBox>(&dialog, Names::entry);
            EXPECT_EQ(modeSwitch->isVisible(), c.modeSwitchShown);
            if (c.modeSwitchShown) {
                EXPECT_EQ(modeSwitch->isEnabled(), c.modeSwitchUsable);
            }
            if (c.opener != &journal::PositionDialog::addNew) {
                EXPECT_EQ(in<QLabel>(&dialog, Names::documentLabel)->text(),
                          QString::fromUtf8("Заявка"))
                    << "the box shows the position's requisition";
                EXPECT_EQ(in<QLineEdit>(&dialog, Names::basePrice)->text(), lowestPrice)
                    << "the operation's lowest step, as the picker would take it";
            }
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        (dialog.*c.opener)();
        EXPECT_TRUE(seen);
    }
}

TEST_F(PositionDialogTest, ByRequisitionTheLineLimitsTheQuantityAlsoWhenChanged) {
    const QString tooMuch =
        QString::fromUtf8("Количество изделий не может быть больше требуемого!");
    QString required, line;
    whenModalOpens([&](QWidget*) {
        QTest::mouseClick(in<QWidget>(&dialog, Names::byRequisition), Qt::LeftButton);
        EXPECT_EQ(in<QLabel>(&dialog, Names::documentLabel)->text(), QString::fromUtf8("Заявка"));
        choose(in<ui::LookupBox>(&dialog, Names::document));
        choose(in<ui::LookupBox>(&dialog, Names::line));
        line = in<ui::LookupBox>(&dialog, Names::line)->key().toString();
        required = in<QLineEdit>(&dialog, Names::quantity)->text();
        for (const char* button : {Names::pickWorker, Names::pickOperation}) {
            whenModalOpens([&](QWidget* picker) {
                QTest::keyClick(picker->findChild<QLineEdit*>(ListNames::search), Qt::Key_Return);
            });
            QTest::mouseClick(in<QPushButton>(&dialog, button), Qt::LeftButton);
        }
        auto* quantity = in<QLineEdit>(&dialog, Names::quantity);
        const double limit = QString(required).replace(',', '.').toDouble();
        quantity->setText(QString::number(limit + 0.01, 'f', 2).replace('.', ','));
        QTest::mouseClick(in<QPushButton>(&dialog, Names::save), Qt::LeftButton);
        EXPECT_EQ(dialog.positionId(), 0) << "refused";
        quantity->setText(required);
        QTest::mouseClick(in<QPushButton>(&dialog, Names::save), Qt::LeftButton);
        QTest::mouseClick(in<QPushButton>(&dialog, Names::exit), Qt::LeftButton);
    });
    dialog.addNew();
    ASSERT_FALSE(line.isEmpty());
    const int id = dialog.positionId();
    ASSERT_GT(id, 0);
    EXPECT_EQ(messages.texts(), QStringList{tooMuch});
    EXPECT_EQ(testdb::exec(QString("select id_doc_item || '/' || id_gds_use || '/' || color from "
                                   "accounts_dep.smena where id=%1")
                               .arg(id))
                  .toString(),
              line + "/0/0")
        << "by requisition no goods item and no colour";

    // Changed later, it may take what the line still requires besides its own quantity.
    testdb::exec(QString("update accounts_dep.smena set data = '2026-12-09', smena = 1 where "
                         "id=%1")
                     .arg(id));
    dm.session.selectedShift = 1;
    journal.returnFromDialog();
    ASSERT_TRUE(journal.currentJournalQuery().locate("id", id));
    messages.clear();
    whenModalOpens([&](QWidget*) {
        auto* quantity = in<QLineEdit>(&dialog, Names::quantity);
        const double limit = QString(required).replace(',', '.').toDouble();
        quantity->setText(QString::number(limit + 1, 'f', 2).replace('.', ','));
        QTest::mouseClick(in<QPushButton>(&dialog, Names::save), Qt::LeftButton);
        quantity->setText(required);
        QTest::mouseClick(in<QPushButton>(&dialog, Names::save), Qt::LeftButton);
        QTest::mouseClick(in<QPushButton>(&dialog, Names::exit), Qt::LeftButton);
    });
    dialog.changeCurrent();
    EXPECT_EQ(messages.texts(), QStringList{tooMuch});
}

// A quantity typed in the change dialog and not saved does not reach the material norm: the
// position still holds its stored quantity, and materials are recorded against that.
TEST_F(PositionDialogTest, TheMaterialNormFollowsTheStoredQuantityNotAnUnsavedOne) {
    const int id = testdb::exec("select min(s.id) from accounts_dep.smena s where s.data = "
                                "'2026-12-09' and s.smena = 1 and s.ok = 'no' and exists (select "
                                "1 from mnf_operation.operation o where o.id_gds_to = s.i_id)")
                       .toInt();
    ASSERT_GT(id, 0) << "the demo plant has such a position";
    testdb::exec(QString("update accounts_dep.smena set kol_vo = 1 where id = %1; delete from "
                         "accounts_dep.smena_gds_use where id_smena = %1")
                     .arg(id));
    const QString expected =
        testdb::exec(QString("select trim_scale(round(o.f_qty_from, 3))::text from "
                             "accounts_dep.get_gds_from_by_smena(%1) g join "
                             "accounts_dep.smena s on s.id = %1 join mnf_operation.operation o "
                             "on o.id_gds_to = s.i_id and o.id_gds_from = g.id order by "
                             "g.b_is_color, g.s_caption limit 1")
                         .arg(id))
            .toString()
            .replace('.', ',');
    dm.session.selectedShift = 1;
    journal.returnFromDialog();
    ASSERT_TRUE(journal.currentJournalQuery().locate("id", id));
    QString proposed;
    whenModalOpens([&](QWidget*) {
        in<QLineEdit>(&dialog, Names::quantity)->setText("1000");
        whenModalOpens([&](QWidget* material) {
            QApplication::setActiveWindow(material);
            choose(in<ui::LookupBox>(material, MaterialDialogNames::goods));
            proposed = in<QLineEdit>(material, MaterialDialogNames::quantity)->text();
            QTest::keyClick(material, Qt::Key_Escape);
        });
        QTest::mouseClick(in<QPushButton>(&dialog, MaterialsPanelNames::add), Qt::LeftButton);
        QTest::mouseClick(in<QPushButton>(&dialog, Names::exit), Qt::LeftButton);
    });
    dialog.changeCurrent();
    EXPECT_EQ(proposed, expected) << "the norm of one piece, not of 1000";
    EXPECT_EQ(testdb::exec(QString("select kol_vo from accounts_dep.smena where id = %1").arg(id))
                  .toInt(),
              1);
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
}

TEST_F(PositionDialogTest, BoxesTakeOnlyTheirKeysAndEmptyOnesBecomeZero) {
    struct Case {
        const char* box;
        const char* typed;
        QString shown;
    };
    const Case cases[] = {
        {Names::quantity, "1.5x-", "1,5"},
        {Names::quantity, "12,5", "12,5"},
        {Names::rejects, "1a2,3", "123"},
        {Names::hours, "99999", "9999"},
    };
    whenModalOpens([&](QWidget*) {
        QApplication::setActiveWindow(&dialog); // focus moves as on a desktop
        for (const Case& c : cases) {
            SCOPED_TRACE(c.box);
            auto* edit = in<QLineEdit>(&dialog, c.box);
            edit->clear();
            edit->setFocus();
            QTest::keyClicks(edit, c.typed);
            EXPECT_EQ(edit->text(), c.shown);
        }
        for (const char* name : {Names::rejects, Names::hours}) {
            auto* edit = in<QLineEdit>(&dialog, name);
            edit->clear();
            edit->setFocus();
            in<QLineEdit>(&dialog, Names::quantity)->setFocus(); // leaving it
            EXPECT_EQ(edit->text(), "0") << name;
        }
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    dialog.addNew();
}

// A wheel step over the dialog moves the focused lookup box as an arrow key would, and the
// choice steps run: the goods item's lines arrive and the line proposes its quantity.
TEST_F(PositionDialogTest, TheWheelMovesTheFocusedLookupBoxAndRunsItsChoice) {
    whenModalOpens([&](QWidget*) {
        QApplication::setActiveWindow(&dialog);
        auto* doc = in<ui::LookupBox>(&dialog, Names::document);
        auto* item = in<ui::LookupBox>(&dialog, Names::line);
        const auto wheel = [&](int delta) {
            const QPointF at(10, 10);
            QWheelEvent e(at, dialog.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&dialog, &e);
            QApplication::processEvents();
        };
        doc->setFocus();
        wheel(-120);
        const QVariant first = doc->key();
        EXPECT_FALSE(doc->text().isEmpty()) << "a step down chooses the first goods item";
        ASSERT_GT(item->count(), 0) << "its lines are offered";
        wheel(-120);
        EXPECT_NE(doc->key(), first) << "the next step moves on";
        wheel(120);
        EXPECT_EQ(doc->key(), first) << "a step up comes back";
        item->setFocus();
        wheel(-120);
        EXPECT_FALSE(item->text().isEmpty());
        EXPECT_FALSE(in<QLineEdit>(&dialog, Names::quantity)->text().isEmpty())
            << "the chosen line proposes what it still requires";
        EXPECT_EQ(doc->key(), first) << "only the focused box moves";
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    dialog.addNew();
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
}

// Enter in the date box is "Запись", as in every other box of the dialog.
TEST_F(PositionDialogTest, EnterInTheDateSaves) {
    whenModalOpens([&](QWidget*) {
        QApplication::setActiveWindow(&dialog);
        choose(in<ui::LookupBox>(&dialog, Names::document));
        choose(in<ui::LookupBox>(&dialog, Names::line));
        for (const char* button : {Names::pickWorker, Names::pickOperation}) {
            whenModalOpens([&](QWidget* picker) {
                QTest::keyClick(picker->findChild<QLineEdit*>(ListNames::search), Qt::Key_Return);
            });
            QTest::mouseClick(in<QPushButton>(&dialog, button), Qt::LeftButton);
        }
        in<QLineEdit>(&dialog, Names::quantity)->setText("1");
        auto* date = in<QWidget>(&dialog, Names::date);
        date->setFocus();
        QTest::keyClick(date, Qt::Key_Return);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    dialog.addNew();
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
    EXPECT_GT(dialog.positionId(), 0) << "saved";
}

// Tab goes as the controls stand on the screen, one stop each: the date picker's parts and a
// grid's cells are none of their own, and the mode switch is reached at its checked choice.
TEST_F(PositionDialogTest, TabFollowsTheScreenThroughEveryControl) {
    using journal::PositionDialog;
    struct Case {
        const char* name;
        bool (PositionDialog::*opener)();
        const char* start;
        QStringList stops;
    };
    const Case cases[] = {
        {"add",
         &PositionDialog::addNew,
         Names::document,
         {Names::document, Names::line, Names::pickWorker, Names::pickOperation, Names::quantity,
          Names::hours, Names::date, Names::rejects, Names::byGoods, Names::save, Names::exit,
          Names::document}},
        {"change",
         &PositionDialog::changeCurrent,
         Names::quantity,
         {Names::quantity, Names::hours, Names::date, Names::rejects, Names::save,
          MaterialsPanelNames::grid, MaterialsPanelNames::add, MaterialsPanelNames::remove,
          Names::exit, Names::quantity}},
    };
    data::ResultSet& rows = journal.currentJournalQuery();
    for (int r = 0; r < rows.rowCount(); ++r) {
        rows.moveTo(r);
        if (rows.asString("ok") == "no")
            break;
    }
    const QString lowestPrice =
        testdb::exec(QString("select replace(trim_scale(round(min(price)::numeric, 4))::text, "
                             "'.', ',') from accounts_dep.norm where o_id = %1")
                         .arg(rows.asInt("o_id")))
            .toString();
    ASSERT_FALSE(lowestPrice.isEmpty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList stops;
        whenModalOpens([&](QWidget*) {
            QApplication::setActiveWindow(&dialog);
            in<QWidget>(&dialog, c.start)->setFocus();
            stops = tabStops(&dialog, int(c.stops.size()));
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        (dialog.*c.opener)();
        EXPECT_EQ(stops, c.stops);
    }
}

// The mode switch is one Tab stop both ways, its checked choice; the arrows move within it and
// switch the mode as a click does.
TEST_F(PositionDialogTest, TheModeSwitchIsOneTabStopAndArrowsMoveWithinIt) {
    QStringList focused;
    QString requisitionLabel;
    whenModalOpens([&](QWidget*) {
        QApplication::setActiveWindow(&dialog);
        auto name = [] { return QApplication::focusWidget()->objectName(); };
        auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
            focused << name();
        };
        in<QWidget>(&dialog, Names::rejects)->setFocus();
        press(Qt::Key_Tab);
        press(Qt::Key_Left);
        EXPECT_TRUE(in<QRadioButton>(&dialog, Names::byRequisition)->isChecked());
        requisitionLabel = in<QLabel>(&dialog, Names::documentLabel)->text();
        press(Qt::Key_Tab);
        press(Qt::Key_Backtab);
        press(Qt::Key_Backtab);
        press(Qt::Key_Tab);
        press(Qt::Key_Right);
        EXPECT_TRUE(in<QRadioButton>(&dialog, Names::byGoods)->isChecked());
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    dialog.addNew();
    EXPECT_EQ(focused,
              QStringList({Names::byGoods, Names::byRequisition, Names::save, Names::byRequisition,
                           Names::rejects, Names::byRequisition, Names::byGoods}));
    EXPECT_NE(requisitionLabel, QString::fromUtf8("Продукция")) << "the mode switched";
}

// A wheel step over a widget as the window system delivers it: to the widget under the mouse,
// which the wheel may give the focus, and on to its parents while nobody takes it.
void turnWheelOver(QWidget* widget, QPoint angle) {
    const QPointF at = widget->rect().center();
    QWheelEvent e(at, widget->mapToGlobal(at), QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&e);
    QApplication::instance()->notify(widget, &e);
    QApplication::processEvents();
}

// Only the focused box turns: a wheel over another box turns the focused one, a sideways
// wheel none, and over boxes while the focus is elsewhere nothing moves or is cleared.
TEST_F(PositionDialogTest, TheWheelOverABoxWithoutTheFocusTurnsOnlyTheFocusedOne) {
    QVariant goods, goodsAfter, line, lineAfter;
    QString lineAfterSideways = "?", worker, workerAfter;
    whenModalOpens([&](QWidget*) {
        QApplication::setActiveWindow(&dialog);
        auto* doc = in<ui::LookupBox>(&dialog, Names::document);
        auto* item = in<ui::LookupBox>(&dialog, Names::line);
        choose(doc);
        goods = doc->key();
        item->setFocus();
        turnWheelOver(doc, {-120, 0});
        lineAfterSideways = item->text();
        turnWheelOver(doc, {0, -120});
        line = item->key();
        whenModalOpens([&](QWidget* picker) {
            QTest::keyClick(picker->findChild<QLineEdit*>(ListNames::search), Qt::Key_Return);
        });
        QTest::mouseClick(in<QPushButton>(&dialog, Names::pickWorker), Qt::LeftButton);
        worker = in<QLineEdit>(&dialog, Names::worker)->text();
        in<QLineEdit>(&dialog, Names::quantity)->setFocus();
        turnWheelOver(doc, {0, -120});
        turnWheelOver(item, {0, 120});
        goodsAfter = doc->key();
        lineAfter = item->key();
        workerAfter = in<QLineEdit>(&dialog, Names::worker)->text();
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    dialog.addNew();
    EXPECT_EQ(lineAfterSideways, "") << "a sideways wheel chose nothing";
    EXPECT_FALSE(line.isNull()) << "the wheel over the product turned the focused line";
    EXPECT_EQ(goodsAfter, goods);
    EXPECT_EQ(lineAfter, line);
    ASSERT_FALSE(worker.isEmpty());
    EXPECT_EQ(workerAfter, worker) << "no choice cleared the worker";
}

// Enter on a focused button is that button's: "..." opens its picker, and "Выход" leaves
// without saving what the boxes hold.
TEST_F(PositionDialogTest, EnterOnAFocusedButtonPressesThatButton) {
    const int before = testdb::exec("select count(*) from accounts_dep.smena").toInt();
    QString picker;
    bool closed = false;
    whenModalOpens([&](QWidget*) {
        QApplication::setActiveWindow(&dialog);
        choose(in<ui::LookupBox>(&dialog, Names::document));
        choose(in<ui::LookupBox>(&dialog, Names::line));
        for (const char* button : {Names::pickWorker, Names::pickOperation}) {
            whenModalOpens([&](QWidget* list) {
                picker += list->objectName() + " ";
                QTest::keyClick(list->findChild<QLineEdit*>(ListNames::search), Qt::Key_Return);
            });
            auto* pick = in<QPushButton>(&dialog, button);
            pick->setFocus();
            QTest::keyClick(pick, Qt::Key_Return);
        }
        in<QLineEdit>(&dialog, Names::quantity)->setText("1");
        auto* exit = in<QPushButton>(&dialog, Names::exit);
        exit->setFocus();
        QTest::keyClick(exit, Qt::Key_Return);
        closed = !dialog.isVisible();
        if (!closed)
            QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    dialog.addNew();
    EXPECT_EQ(picker, "TForm5 TForm4 ");
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
    EXPECT_TRUE(closed);
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena").toInt(), before)
        << "nothing saved";
}

TEST_F(PositionDialogTest, APickClosedWithoutAChoiceAddsNoMemberAndAMaterialGoesAtOnce) {
    int members = -1, materialsLeft = -1;
    whenModalOpens([&](QWidget*) {
        enterByGoods();
        whenModalOpens([&](QWidget* picker) { QTest::keyClick(picker, Qt::Key_Escape); });
        QTest::mouseClick(in<QPushButton>(&dialog, BrigadeNames::add), Qt::LeftButton);
        members = testdb::exec(QString("select count(*) from accounts_dep.person_temp where "
                                       "id_smena=%1")
                                   .arg(dialog.positionId()))
                      .toInt();
        testdb::exec(QString("insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, "
                             "f_qty_use) values (%1, 1, 1), (%1, 2, 1)")
                         .arg(dialog.positionId()));
        whenModalOpens([&](QWidget* material) { QTest::keyClick(material, Qt::Key_Escape); });
        // Nothing chosen.
        QTest::mouseClick(in<QPushButton>(&dialog, MaterialsPanelNames::add), Qt::LeftButton);
        QTest::mouseClick(in<QPushButton>(&dialog, MaterialsPanelNames::remove), Qt::LeftButton);
        materialsLeft = testdb::exec(QString("select count(*) from accounts_dep.smena_gds_use "
                                             "where id_smena=%1")
                                         .arg(dialog.positionId()))
                            .toInt();
        QTest::mouseClick(in<QPushButton>(&dialog, Names::exit), Qt::LeftButton);
    });
    dialog.addNew();
    EXPECT_EQ(members, 0);
    EXPECT_EQ(materialsLeft, 1) << "deleted without a question";
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
}

TEST_F(PositionDialogTest, MaterialsOfAPositionAcceptedElsewhereStay) {
    int left = -1;
    whenModalOpens([&](QWidget*) {
        enterByGoods();
        testdb::exec(QString("insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, "
                             "f_qty_use) values (%1, 1, 1); update accounts_dep.smena set ok = "
                             "'ok' where id = %1")
                         .arg(dialog.positionId()));
        whenModalOpens([&](QWidget* material) { QTest::keyClick(material, Qt::Key_Escape); });
        // Re-reads them.
        QTest::mouseClick(in<QPushButton>(&dialog, MaterialsPanelNames::add), Qt::LeftButton);
        QTest::mouseClick(in<QPushButton>(&dialog, MaterialsPanelNames::remove), Qt::LeftButton);
        left = testdb::exec(QString("select count(*) from accounts_dep.smena_gds_use where "
                                    "id_smena=%1")
                                .arg(dialog.positionId()))
                   .toInt();
        QTest::mouseClick(in<QPushButton>(&dialog, Names::exit), Qt::LeftButton);
    });
    dialog.addNew();
    EXPECT_EQ(left, 1);
    EXPECT_EQ(messages.texts(),
              QStringList{QString::fromUtf8("Позиция уже принята, изменить её нельзя!")});
}

// "Изменить" as the program wires it: on an accepted position the dialog does not open, and
// the user is told why.
TEST_F(PositionDialogTest, ChangingAnAcceptedPositionSaysWhyAndOpensNothing) {
    QObject::connect(&journal, &journal::JournalWindow::changeRequested, &dialog, [this] {
        journal.runGuarded([this] {
            journal.runDialog([this] { return dialog.changeCurrent(); },
                              journal::JournalWindow::Return::Always);
        });
    });
    data::ResultSet& rows = journal.currentJournalQuery();
    int accepted = -1;
    for (int r = 0; r < rows.rowCount() && accepted < 0; ++r)
        if (rows.valueAt(r, rows.fieldIndex("ok")).toString() == "ok")
            accepted = r;
    ASSERT_GE(accepted, 0) << "the demo's Wednesday has an accepted position";
    rows.moveTo(accepted);
    bool opened = false;
    QTimer watch; // a modal that should not open at all: no whenModalOpens left waiting
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = true;
            modal->close();
        }
    });
    watch.start(5);
    QTest::mouseClick(in<QPushButton>(&journal, journal::JournalWindow::Names::change),
                      Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_FALSE(opened);
    EXPECT_EQ(messages.texts(),
              QStringList{QString::fromUtf8("Позиция принята: изменять и удалять её нельзя")});
}

TEST_F(PositionDialogTest, TheBrigadeIsRecordedAndARefusedDivisionCanBeRetried) {
    QString workerBefore, workerAfter;
    int members = 0;
    bool stayedOpen = false;
    whenModalOpens([&](QWidget*) {
        enterByGoods();
        workerBefore = in<QLineEdit>(&dialog, Names::worker)->text();
        addFirstMember();
        addFirstMember(); // the same person twice is two members
        workerAfter = in<QLineEdit>(&dialog, Names::worker)->text();
        members = testdb::exec(QString("select count(*) from accounts_dep.person_temp where "
                                       "id_smena=%1")
                                   .arg(dialog.positionId()))
                      .toInt();
        testdb::exec(R"(
create function public.refuse_division() returns trigger language plpgsql as $$
begin raise exception 'деление недоступно'; end $$;
create trigger refuse_division before delete on accounts_dep.person_temp for each row
  execute function public.refuse_division();)");
        QTest::mouseClick(in<QPushButton>(&dialog, BrigadeNames::divide), Qt::LeftButton);
        stayedOpen = dialog.isVisible();
        testdb::exec("drop trigger refuse_division on accounts_dep.person_temp; drop function "
                     "public.refuse_division()");
        QTest::mouseClick(in<QPushButton>(&dialog, BrigadeNames::divide), Qt::LeftButton);
    });
    dialog.addNew();
    EXPECT_EQ(members, 2);
    EXPECT_EQ(workerAfter, workerBefore) << "a member does not replace the position's worker";
    EXPECT_TRUE(stayedOpen) << "a refused division keeps the dialog and its members";
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(
        messages.texts()[0].startsWith(QString::fromUtf8("Невозможно сохранить данные в БД!\n")))
        << messages.texts()[0].toStdString();
    EXPECT_TRUE(messages.texts()[0].contains(QString::fromUtf8("деление недоступно")))
        << "the server's reason on the second line";
    EXPECT_EQ(testdb::exec(QString("select count(*) from accounts_dep.person_temp where "
                                   "id_smena=%1")
                               .arg(dialog.positionId()))
                  .toInt(),
              0)
        << "the second try divided";
    EXPECT_FALSE(dialog.isVisible());
}

// Members added and not divided are not left behind unasked, whichever way the dialog is left;
// a position without members is left at once.
TEST_F(PositionDialogTest, LeavingABrigadeNotYetDividedAsksFirst) {
    const QString question = QString::fromUtf8("Бригада не разделена. Выйти без разделения?");
    bool keptOnNo = false;
    whenModalOpens([&](QWidget*) {
        enterByGoods();
        addFirstMember();
        messages.answers = {ui::Messages::Answer::No};
        QTest::keyClick(&dialog, Qt::Key_Escape);
        keptOnNo = dialog.isVisible();
        messages.answers = {ui::Messages::Answer::Yes};
        QTest::mouseClick(in<QPushButton>(&dialog, Names::exit), Qt::LeftButton);
    });
    dialog.addNew();
    EXPECT_TRUE(keptOnNo);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(messages.texts(), (QStringList{question, question}));
    EXPECT_EQ(messages.messages[0].icon, ui::Messages::Icon::Question);
    EXPECT_EQ(messages.messages[0].buttons, ui::Messages::Buttons::YesNo);

    messages.clear();
    whenModalOpens([&](QWidget*) {
        enterByGoods();
        QTest::mouseClick(in<QPushButton>(&dialog, Names::exit), Qt::LeftButton);
    });
    dialog.addNew();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
}

// One position holds at most a day's 24 hours; a worker's day over all his positions may pass
// them only when the user says so, counted from what the server holds at the save.
TEST_F(PositionDialogTest, HoursBeyondADayAreRefusedInOnePositionAndAskedAboutOverAll) {
    const auto count = [] {
        return testdb::exec("select count(*) from accounts_dep.smena").toInt();
    };
    // Adds a position by goods with the hours typed; returns the new position's id, or 0.
    const auto add = [&](const QString& hours) {
        int id = 0;
        whenModalOpens([&](QWidget*) {
            choose(in<ui::LookupBox>(&dialog, Names::document));
            choose(in<ui::LookupBox>(&dialog, Names::line));
            for (const char* button : {Names::pickWorker, Names::pickOperation}) {
                whenModalOpens([&](QWidget* picker) {
                    QTest::keyClick(picker->findChild<QLineEdit*>(ListNames::search),
                                    Qt::Key_Return);
                });
                QTest::mouseClick(in<QPushButton>(&dialog, button), Qt::LeftButton);
            }
            in<QLineEdit>(&dialog, Names::quantity)->setText("1");
            auto* hoursEdit = in<QLineEdit>(&dialog, Names::hours);
            hoursEdit->setFocus();
            hoursEdit->selectAll();
            typeText(hoursEdit, hours);
            QTest::mouseClick(in<QPushButton>(&dialog, Names::save), Qt::LeftButton);
            id = dialog.positionId();
            QTest::mouseClick(in<QPushButton>(&dialog, Names::exit), Qt::LeftButton);
        });
        dialog.addNew();
        return id;
    };

    const int before = count();
    EXPECT_EQ(add("25"), 0);
    EXPECT_EQ(messages.texts(),
              QStringList{QString::fromUtf8(
                  "Значение 25 поля Время вне допустимого диапазона (от 0 до 24)")});
    EXPECT_EQ(count(), before);

    messages.clear();
    const int first = add("0");
    ASSERT_GT(first, 0) << messages.texts().join('|').toStdString();
    const QString worker =
        testdb::exec(QString("select w_id from accounts_dep.smena where id = %1").arg(first))
            .toString();
    const QString day =
        testdb::exec(QString("select data from accounts_dep.smena where id = %1").arg(first))
            .toString();
    const auto dayHours = [&] {
        return testdb::exec(QString("select sum(time) from accounts_dep.smena where w_id = %1 and "
                                    "data = '%2'")
                                .arg(worker, day))
            .toInt();
    };
    // Another workstation books the worker's day up to 20 hours after the dialog was opened.
    testdb::exec(QString("update accounts_dep.smena set time = 20 - (select coalesce(sum(time), 0) "
                         "from accounts_dep.smena where w_id = %1 and data = '%2' and id <> %3) "
                         "where id = %3")
                     .arg(worker, day)
                     .arg(first));
    ASSERT_EQ(dayHours(), 20);
    const QString asked = QString::fromUtf8("У работника за %1 будет 25 ч по всем позициям: больше "
                                            "24 ч в сутки. Сохранить позицию?")
                              .arg(QDate::fromString(day, Qt::ISODate).toString("dd.MM.yyyy"));

    messages.clear();
    messages.answers = {ui::Messages::Answer::No};
    EXPECT_EQ(add("5"), 0) << "not saved on No";
    EXPECT_EQ(messages.texts(), QStringList{asked});
    EXPECT_EQ(dayHours(), 20);

    messages.clear();
    EXPECT_GT(add("4"), 0) << "24 hours are a day, not more";
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
    EXPECT_EQ(dayHours(), 24);

    messages.answers = {ui::Messages::Answer::Yes};
    EXPECT_GT(add("1"), 0) << "saved on Yes";
    EXPECT_EQ(messages.texts(), QStringList{asked});
    EXPECT_EQ(dayHours(), 25);
}

// An operation picked for a position and then deleted in the operations list is refused at the
// save: nothing is written and the dialog stays open for another operation.
TEST_F(PositionDialogTest, AnOperationDeletedAfterItWasPickedIsRefusedAtTheSave) {
    const int before = testdb::exec("select count(*) from accounts_dep.smena").toInt();
    // The row of the grid whose hidden id column holds the operation.
    auto rowOf = [](QWidget* list, int operation) {
        auto* grid = list->findChild<ui::DataGrid*>(ListNames::grid);
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            if (grid->model()->index(r, 5).data().toInt() == operation)
                return r;
        return -1;
    };
    int operation = 0, pickedRow = -1, listedRow = -1;
    bool stayedOpen = false;
    messages.answers = {ui::Messages::Answer::Yes};
    whenModalOpens([&](QWidget*) {
        auto* doc = in<ui::LookupBox>(&dialog, Names::document);
        choose(doc);
        choose(in<ui::LookupBox>(&dialog, Names::line));
        // An operation of the chosen goods that no position uses yet.
        operation = testdb::exec(QString::fromUtf8("insert into accounts_dep.vid_oper(vid) values "
                                                   "('Проверка'); insert into accounts_dep.oper("
                                                   "vid, naimen, i_id, cena_new) select max(id), "
                                                   "0, %1, 5 from accounts_dep.vid_oper returning "
                                                   "id")
                                     .arg(doc->key().toInt()))
                        .toInt();
        whenModalOpens([&](QWidget* picker) {
            QTest::keyClick(picker->findChild<QLineEdit*>(ListNames::search), Qt::Key_Return);
        });
        QTest::mouseClick(in<QPushButton>(&dialog, Names::pickWorker), Qt::LeftButton);
        whenModalOpens([&](QWidget* picker) {
            pickedRow = rowOf(picker, operation);
            doubleClick(picker->findChild<ui::DataGrid*>(ListNames::grid), pickedRow);
        });
        QTest::mouseClick(in<QPushButton>(&dialog, Names::pickOperation), Qt::LeftButton);
        whenModalOpens([&](QWidget* list) {
            listedRow = rowOf(list, operation);
            auto* grid = list->findChild<ui::DataGrid*>(ListNames::grid);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(listedRow, 0)).center());
            QTest::mouseClick(list->findChild<QPushButton*>(ListNames::remove), Qt::LeftButton);
            list->close();
        });
        operations.showList();
        in<QLineEdit>(&dialog, Names::quantity)->setText("1");
        QTest::mouseClick(in<QPushButton>(&dialog, Names::save), Qt::LeftButton);
        stayedOpen = dialog.isVisible() && dialog.positionId() == 0;
        QTest::mouseClick(in<QPushButton>(&dialog, Names::exit), Qt::LeftButton);
    });
    dialog.addNew();
    ASSERT_GE(pickedRow, 0);
    ASSERT_GE(listedRow, 0);
    EXPECT_EQ(
        testdb::exec(QString("select count(*) from accounts_dep.oper where id=%1").arg(operation))
            .toInt(),
        0)
        << "the operation was deleted";
    ASSERT_EQ(messages.texts().size(), 2) << messages.texts().join('|').toStdString();
    EXPECT_EQ(messages.texts()[0], QString::fromUtf8("Удалить операцию?"));
    EXPECT_TRUE(messages.texts()[1].startsWith(
        QString::fromUtf8("Операция удалена из справочника: выберите операцию снова.\n")))
        << messages.texts()[1].toStdString();
    EXPECT_TRUE(messages.texts()[1].contains("smena_o_id_fkey"));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena").toInt(), before)
        << "nothing saved";
}

} // namespace
