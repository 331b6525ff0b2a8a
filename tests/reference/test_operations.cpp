// The operations and their prices: the price in force, the picker of a position, the list
// with its dialog and deletion, and the price-list export read back from its file.
#include "ModalDriver.h"
#include "TestDatabase.h"
#include "WindowTest.h"
#include "Xlsx.h"
#include "reference/Norms.h"
#include "reference/OperationTypes.h"
#include "reference/Operations.h"
#include "reference/Pickers.h"
#include "ui/DataGrid.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

using namespace reference;
using DialogNames = OperationDialog::Names;
using ListNames = OperationsList::Names;
using ProductsNames = ProductsList::Names;
using TypesNames = OperationTypesList::Names;

const QString required = QString::fromUtf8("Все поля должны быть заполнены!");
const QString duplicate = QString::fromUtf8("Операция с такими параметрами уже заведена!");
const QString inUse = QString::fromUtf8("Операция используется в журнале, удаление невозможно!");
const QString typeGone =
    QString::fromUtf8("Вид операции удалён из справочника: выберите вид операции снова.");

TEST(PriceInForce, DayOffDoublesThenShiftsThreeAndFourRaise) {
    struct Case {
        double lowest;
        bool dayOff;
        int shift;
        double base, final;
    };
    const Case cases[] = {
        {10, true, 3, 10, 24},
        {10, false, 4, 10, 15},
        {10, false, 1, 10, 10},
        {10, false, 2, 10, 10},
        {10, true, 4, 10, 30},
        {10, true, 1, 10, 20},
        {12.34567, false, 1, 12.3457, 12.3457},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lowest << " " << c.dayOff << " " << c.shift);
        const PriceInForce p = priceInForce(c.lowest, c.dayOff, c.shift);
        EXPECT_DOUBLE_EQ(p.basePrice, c.base);
        EXPECT_DOUBLE_EQ(p.finalPrice, c.final);
    }
}

// Products 10001 (a chair), 10007 and 10008 (newer chairs that replaced it), 10020 (a
// table); types Покраска, Сборка. Operation 1 is used by a journal position.
class OperationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testdb::truncate("accounts_dep.oper, accounts_dep.vid_oper, accounts_dep.izdel, "
                         "accounts_dep.smena restart identity cascade");
        testdb::exec(QString::fromUtf8(R"(
insert into accounts_dep.izdel(id, marka, nom, massa) values
  (10001, E'\tСТУЛ-1', 'Стулья', 1), (10007, 'СТУЛ-7', 'Стулья', 1),
  (10008, 'СТУЛ-8', 'Стулья', 1), (10020, E'Д''АРТ-20\t', 'Столы', 2);
insert into accounts_dep.vid_oper(vid) values ('Покраска'), ('Сборка');
insert into accounts_dep.oper(vid, naimen, i_id, cena_new) values
  (2, 0, 10001, 10), (2, 0, 10007, 12.34567), (1, 1, 10008, 5), (2, 1, 10020, 7),
  (1, 2, 10020, 3);
update accounts_dep.oper set i_id_old = 10001 where i_id in (10007, 10008);
insert into accounts_dep.norm(o_id, norma, price, prize) values (1, 10, 8.5, 5);
insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo) values
  ('2026-12-09', 1, 501, 10001, 1, 10, 1);
)"));
        testdb::logIn(dm, "master");
    }

    template <class T> T* in(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    ui::DataGrid* grid() { return in<ui::DataGrid>(&list, ListNames::grid); }
    QStringList shown(int column = 0) {
        QStringList out;
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            out << grid()->model()->index(r, column).data().toString();
        return out;
    }
    void withList(const std::function<void()>& action) {
        whenModalOpens([&](QWidget*) {
            action();
            list.close();
        });
        list.showList();
    }
    // In the open operation dialog: takes the products picker's row, or the first type whose
    // name starts with the prefix, as a user does.
    void pickProduct(int row) {
        whenModalOpens(
            [&](QWidget*) { doubleClick(in<ui::DataGrid>(&products, ProductsNames::grid), row); });
        QTest::mouseClick(in<QPushButton>(&dialog, DialogNames::pickProduct), Qt::LeftButton);
    }
    void pickType(const char* prefix) {
        whenModalOpens([&](QWidget*) {
            auto* box = in<QLineEdit>(&types, TypesNames::search);
            typeText(box, QString::fromUtf8(prefix));
            QTest::keyClick(box, Qt::Key_Return);
        });
        QTest::mouseClick(in<QPushButton>(&dialog, DialogNames::pickType), Qt::LeftButton);
    }
    void selectRow(int row) {
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                          grid()->visualRect(grid()->model()->index(row, 0)).center());
    }

    ui::MessageRecorder messages;
    state::DataModule dm;
    ProductsList products{dm};
    OperationTypeDialog typeDialog{dm};
    OperationTypesList types{dm, typeDialog};
    OperationDialog dialog{dm, products, types};
    NormsWindow norms{dm};
    OperationsList list{dm, dialog, norms};
};

TEST_F(OperationsTest, TabFollowsTheButtonRowAsItStands) {
    QStringList stops;
    withList([&] {
        QApplication::setActiveWindow(&list);
        grid()->setFocus();
        stops = tabStops(&list, 9);
    });
    EXPECT_EQ(stops, QStringList({ListNames::grid, ListNames::search, ListNames::add,
                                  ListNames::change, ListNames::remove, ListNames::spreadsheet,
                                  ListNames::withNorms, ListNames::exit, ListNames::grid}));
}

TEST_F(OperationsTest, ThePickerOffersTheRequisitionsProductAndItsNewerOnes) {
    struct Case {
        std::optional<int> product;
        const char* typed;
        QStringList marks;
    };
    const Case cases[] = {
        // In the order of the marks as stored: a leading tab sorts first.
        {10001, "", {"СТУЛ-1", "СТУЛ-7", "СТУЛ-8"}},
        {10001, "стул-7", {"СТУЛ-7"}},
        {10001, "Д'", {}},
        {std::nullopt, "Д'", {"Д'АРТ-20", "Д'АРТ-20"}},
        {std::nullopt, "", {"СТУЛ-1", "Д'АРТ-20", "Д'АРТ-20", "СТУЛ-7", "СТУЛ-8"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        QStringList seen;
        whenModalOpens([&](QWidget*) {
            typeText(in<QLineEdit>(&list, ListNames::search), QString::fromUtf8(c.typed));
            seen = shown();
            QTest::keyClick(in<QLineEdit>(&list, ListNames::search), Qt::Key_Escape);
        });
        EXPECT_FALSE(list.pick({std::nullopt, c.product, false, 1}).has_value()) << "Esc";
        EXPECT_EQ(seen, c.marks) << "marks without their tabs, in the stored order";
        EXPECT_FALSE(dm.operations.filtered());
    }
}

TEST_F(OperationsTest, DownDownEnterHandsOverTheThirdRowWithItsPriceInForce) {
    whenModalOpens([&](QWidget*) {
        auto* box = in<QLineEdit>(&list, ListNames::search);
        EXPECT_EQ(shown(2), QStringList({"8,5", "3", "7", "12,34567", "5"}))
            << "the lowest step price in its shortest form";
        QTest::keyClick(box, Qt::Key_Down);
        QTest::keyClick(box, Qt::Key_Down);
        EXPECT_EQ(grid()->currentIndex().row(), 2);
        QTest::keyClick(box, Qt::Key_Return);
    });
    const auto taken = list.pick({std::nullopt, std::nullopt, true, 3});
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(taken->operationId, 4) << "Д'АРТ-20 Сборка is the third row";
    EXPECT_EQ(taken->productId, 10020);
    EXPECT_DOUBLE_EQ(taken->basePrice, 7);
    EXPECT_DOUBLE_EQ(taken->finalPrice, 7 * 2 * 1.2);
    EXPECT_EQ(taken->description, QString::fromUtf8("Д'АРТ-20; Сборка; Заготовки"));

    int startRow = -1;
    whenModalOpens([&](QWidget*) {
        startRow = grid()->currentIndex().row();
        typeText(in<QLineEdit>(&list, ListNames::search), "zzz");
        QTest::keyClick(in<QLineEdit>(&list, ListNames::search), Qt::Key_Return);
    });
    EXPECT_FALSE(list.pick({3, std::nullopt, false, 1}).has_value()) << "an empty list";
    EXPECT_EQ(startRow, shown().indexOf(QString::fromUtf8("СТУЛ-8")))
        << "the position's operation is current at the start";
}

TEST_F(OperationsTest, TheListFiltersByTheTypedTextOnly) {
    whenModalOpens([&](QWidget*) {
        QTest::keyClick(in<QLineEdit>(&list, ListNames::search), Qt::Key_Escape);
    });
    list.pick({std::nullopt, 10001, false, 1});
    QStringList seen, buttons;
    withList([&] {
        seen = shown();
        EXPECT_TRUE(in<QLineEdit>(&list, ListNames::search)->isVisible());
        EXPECT_TRUE(in<QPushButton>(&list, ListNames::add)->isVisible());
        EXPECT_EQ(in<QPushButton>(&list, ListNames::change)->text(), QString::fromUtf8("Изменить"));
        EXPECT_TRUE(grid()->isColumnHidden(5) && grid()->isColumnHidden(6) &&
                    grid()->isColumnHidden(7));
        EXPECT_EQ(grid()->model()->headerData(1, Qt::Horizontal).toString(),
                  QString::fromUtf8("Опреция"));
    });
    EXPECT_EQ(seen.size(), 5) << "the last position's requisition does not narrow the list";
}

TEST_F(OperationsTest, TheDialogRefusesWhatItMustAndSavesTheRest) {
    struct Case {
        const char* name;
        int row;          // -1: add
        int productRow;   // row of the products picker to take, -1: none
        const char* type; // prefix to take in the types picker, nullptr: none
        int kind;
        const char* price; // typed into "min Цена"; pasted when it holds a sign
        QString message;
        QString stored; // vid/naimen/i_id/cena_new of the saved or edited operation
    };
    const Case cases[] = {
        // list rows: СТУЛ-1 Сборка, Д'АРТ-20 Покраска (kind 2), Д'АРТ-20 Сборка, СТУЛ-7, СТУЛ-8;
        // product rows: Д'АРТ-20, СТУЛ-1, СТУЛ-7, СТУЛ-8
        {"no product", -1, -1, "Сб", 0, "5", required, ""},
        {"no price", -1, 2, "Сб", 1, "", QString::fromUtf8("Поле «min Цена» не заполнено"), ""},
        {"two commas", -1, 2, "Сб", 1, "1,2.3",
         QString::fromUtf8("«1,2,3» не является числом (поле min Цена)"), ""},
        {"a negative price pasted", -1, 2, "Сб", 1, "-7,5",
         QString::fromUtf8("Значение -7,5 поля min Цена не может быть отрицательным"), ""},
        {"existing combination", -1, 1, "Сб", 0, "5", duplicate, ""},
        {"new", -1, 2, "Сб", 1, "4.25", "", "2/1/10007/4.25"},
        {"own values", 0, -1, nullptr, 0, "", "", "2/0/10001/10"},
        {"another's combination", 0, 2, "Сб", 0, "", duplicate, "2/0/10001/10"},
        {"kind 2 kept", 1, -1, nullptr, -1, "", "", "1/2/10020/3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        messages.clear();
        QString editedId;
        withList([&] {
            if (c.row >= 0) {
                selectRow(c.row);
                editedId = dm.operations.asString("id");
            }
            whenModalOpens([&](QWidget*) {
                if (c.productRow >= 0)
                    pickProduct(c.productRow);
                if (c.type)
                    pickType(c.type);
                if (c.kind >= 0)
                    in<QComboBox>(&dialog, DialogNames::kind)->setCurrentIndex(c.kind);
                auto* price = in<QLineEdit>(&dialog, DialogNames::startingPrice);
                if (price->isEnabled() && c.price[0] == '-') {
                    QApplication::clipboard()->setText(QString::fromUtf8(c.price));
                    price->setFocus();
                    QTest::keyClick(price, Qt::Key_V, Qt::ControlModifier);
                } else if (price->isEnabled()) {
                    typeText(price, QString::fromUtf8(c.price));
                }
                QTest::keyClick(&dialog, Qt::Key_Return);
                if (dialog.isVisible())
                    QTest::keyClick(&dialog, Qt::Key_Escape);
            });
            if (c.row >= 0)
                QTest::mouseClick(in<QPushButton>(&list, ListNames::change), Qt::LeftButton);
            else
                QTest::mouseClick(in<QPushButton>(&list, ListNames::add), Qt::LeftButton);
        });
        EXPECT_EQ(messages.texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        const QString where = c.row >= 0 ? "id = " + editedId : "id > 5";
        EXPECT_EQ(testdb::exec("select coalesce(max(vid || '/' || naimen || '/' || i_id || '/' || "
                               "cena_new), '') from accounts_dep.oper where " +
                               where)
                      .toString(),
                  c.stored);
    }
}

TEST_F(OperationsTest, ChangingShowsTheOperationsLowestPriceNotWhatAnEarlierAddLeft) {
    QString shownPrice;
    bool priceEnabled = true;
    withList([&] {
        whenModalOpens([&](QWidget*) {
            typeText(in<QLineEdit>(&dialog, DialogNames::startingPrice), "5");
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QTest::mouseClick(in<QPushButton>(&list, ListNames::add), Qt::LeftButton);
        selectRow(0); // СТУЛ-1 Сборка, its one step at 8.5
        whenModalOpens([&](QWidget*) {
            auto* price = in<QLineEdit>(&dialog, DialogNames::startingPrice);
            shownPrice = price->text();
            priceEnabled = price->isEnabled();
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QTest::mouseClick(in<QPushButton>(&list, ListNames::change), Qt::LeftButton);
    });
    EXPECT_EQ(shownPrice, "8,5");
    EXPECT_FALSE(priceEnabled);
}

TEST_F(OperationsTest, DeletingAsksAndKeepsAnOperationTheJournalUses) {
    struct Case {
        const char* mark; // of the row to delete
        ui::Messages::Answer answer;
        QStringList after; // messages after the question
        int left;
    };
    const Case cases[] = {
        {"СТУЛ-7", ui::Messages::Answer::No, {}, 5},
        {"СТУЛ-7", ui::Messages::Answer::Yes, {}, 4},
        {"СТУЛ-1", ui::Messages::Answer::Yes, {inUse}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mark);
        SetUp();
        messages.clear();
        messages.answers = {c.answer};
        withList([&] {
            selectRow(shown().indexOf(QString::fromUtf8(c.mark)));
            QTest::mouseClick(in<QPushButton>(&list, ListNames::remove), Qt::LeftButton);
        });
        ASSERT_FALSE(messages.messages.empty());
        EXPECT_EQ(messages.messages[0].text, QString::fromUtf8("Удалить операцию?"));
        EXPECT_EQ(messages.texts().mid(1), c.after);
        EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.oper").toInt(), c.left);
    }
}

// The count found nothing, but another workstation stored the same combination just before
// this one writes: the unique key's refusal reads as the duplicate, and the dialog stays open.
TEST_F(OperationsTest, ACombinationSavedMeanwhileElsewhereIsToldAsADuplicate) {
    testdb::exec(R"(
create function public.first_elsewhere() returns trigger language plpgsql as $$
begin
  if pg_trigger_depth() = 1 then
    insert into accounts_dep.oper(vid, naimen, i_id, cena_new)
      values (new.vid, new.naimen, new.i_id, 99);
  end if;
  return new;
end $$;
create trigger first_elsewhere before insert on accounts_dep.oper for each row
  execute function public.first_elsewhere();)");
    bool stayedOpen = false;
    withList([&] {
        whenModalOpens([&](QWidget*) {
            pickProduct(2);
            pickType("Сб");
            in<QComboBox>(&dialog, DialogNames::kind)->setCurrentIndex(1);
            typeText(in<QLineEdit>(&dialog, DialogNames::startingPrice), "4");
            QTest::keyClick(&dialog, Qt::Key_Return);
            stayedOpen = dialog.isVisible();
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QTest::mouseClick(in<QPushButton>(&list, ListNames::add), Qt::LeftButton);
    });
    testdb::exec("drop trigger first_elsewhere on accounts_dep.oper; drop function "
                 "public.first_elsewhere()");
    EXPECT_EQ(messages.texts(), QStringList{duplicate});
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.oper").toInt(), 5) << "nothing saved";
}

// A type picked in the dialog and then deleted in the types list is refused at the save, and
// the dialog stays open for another type.
TEST_F(OperationsTest, ATypeDeletedAfterItWasPickedIsRefusedAtTheSave) {
    testdb::exec(QString::fromUtf8("insert into accounts_dep.vid_oper(vid) values ('Шлифовка')"));
    messages.answers = {ui::Messages::Answer::Yes};
    bool stayedOpen = false;
    QString picked;
    withList([&] {
        whenModalOpens([&](QWidget*) {
            pickProduct(2);
            pickType("Шл");
            picked = in<QLineEdit>(&dialog, DialogNames::type)->text();
            whenModalOpens([&](QWidget*) {
                auto* typesGrid = in<ui::DataGrid>(&types, TypesNames::grid);
                QTest::mouseClick(typesGrid->viewport(), Qt::LeftButton, {},
                                  typesGrid->visualRect(typesGrid->model()->index(2, 0)).center());
                QTest::mouseClick(in<QPushButton>(&types, TypesNames::remove), Qt::LeftButton);
                types.close();
            });
            types.showList();
            typeText(in<QLineEdit>(&dialog, DialogNames::startingPrice), "4");
            QTest::keyClick(&dialog, Qt::Key_Return);
            stayedOpen = dialog.isVisible();
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QTest::mouseClick(in<QPushButton>(&list, ListNames::add), Qt::LeftButton);
    });
    EXPECT_EQ(picked, QString::fromUtf8("Шлифовка"));
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.vid_oper").toInt(), 2)
        << "the type was deleted";
    ASSERT_EQ(messages.texts().size(), 2) << messages.texts().join('|').toStdString();
    EXPECT_EQ(messages.texts()[0], QString::fromUtf8("Удалить вид операции?"));
    EXPECT_TRUE(messages.texts()[1].startsWith(typeGone + "\n"))
        << messages.texts()[1].toStdString();
    EXPECT_TRUE(messages.texts()[1].contains("oper_vid_fkey"));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.oper").toInt(), 5) << "nothing saved";
}

TEST_F(OperationsTest, TheExportHasEveryOperationWithItsLowestPrice) {
    xlsx::ThrowAwayHome home;
    testdb::exec("insert into accounts_dep.oper(vid, naimen, i_id, cena) values (1, 0, 10007, 9.5);"
                 "delete from accounts_dep.norm where o_id = 6");
    withList([&] {
        typeText(in<QLineEdit>(&list, ListNames::search), "Д"); // the export ignores the filter
        QTest::mouseClick(in<QPushButton>(&list, ListNames::spreadsheet), Qt::LeftButton);
    });
    ASSERT_EQ(home.opened.size(), 1);
    const xlsx::Xlsx file(home.opened[0]);
    QStringList rows;
    for (int r = 1; r <= 7; ++r)
        rows << QStringList{file.at(1, r), file.at(2, r), file.at(3, r), file.at(4, r)}.join('|');
    EXPECT_EQ(rows, QStringList({
                        "s:Марка|s:Операция|s:Цена (min)|s:Вид",
                        "s:СТУЛ-1 @|s:Сборка @|n:8.5|s:Готовая продукция",
                        "s:Д'АРТ-20 @|s:Покраска @|n:3|s:Заготовки",
                        "s:Д'АРТ-20 @|s:Сборка @|n:7|s:Заготовки",
                        "s:СТУЛ-7 @|s:Покраска @|n:9.5|s:Готовая продукция",
                        "s:СТУЛ-7 @|s:Сборка @|n:12.34567|s:Готовая продукция",
                        "s:СТУЛ-8 @|s:Покраска @|n:5|s:Заготовки",
                    }));
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
}

TEST_F(OperationsTest, TheExportKeepsMarksAsWrittenAndPricesAsNumbers) {
    xlsx::ThrowAwayHome home;
    testdb::exec("insert into accounts_dep.izdel(id, marka, nom, massa) values"
                 " (10030, '1,10', 'Стулья', 1), (10031, '4607001234567', 'Стулья', 1);"
                 "insert into accounts_dep.oper(vid, naimen, i_id, cena_new) values"
                 " (1, 0, 10030, 11.110000000000001), (1, 0, 10031, 0.00001)");
    withList(
        [&] { QTest::mouseClick(in<QPushButton>(&list, ListNames::spreadsheet), Qt::LeftButton); });
    ASSERT_EQ(home.opened.size(), 1);
    const xlsx::Xlsx file(home.opened[0]);
    QStringList rows;
    for (int r = 3; r <= 4; ++r) // after "\tСТУЛ-1"
        rows << QStringList{file.at(1, r), file.at(2, r), file.at(3, r)}.join('|');
    EXPECT_EQ(rows, QStringList({"s:1,10 @|s:Покраска @|n:11.11",
                                 "s:4607001234567 @|s:Покраска @|n:1E-05"}));
}

} // namespace
