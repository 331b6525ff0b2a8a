// The operation types: the list from the menu, its dialog's adds and renames with their
// refusals, deleting (also a type in use, and one meeting a save elsewhere), and the picker.
#include "DeleteMeetsSave.h"
#include "ModalDriver.h"
#include "TestDatabase.h"
#include "WindowTest.h"
#include "data/Error.h"
#include "reference/OperationTypes.h"
#include "reference/Operations.h"
#include "ui/DataGrid.h"

#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <iostream>

namespace {

using reference::OperationTypeDialog;
using reference::OperationTypesList;
using DialogNames = OperationTypeDialog::Names;
using ListNames = OperationTypesList::Names;

const QString required = QString::fromUtf8("Все поля должны быть заполнены!");
const QString duplicate = QString::fromUtf8("Такая операция уже заведена!");
const QString inUse =
    QString::fromUtf8("Вид операции используется в операциях, удаление невозможно!");
const QString typeGone =
    QString::fromUtf8("Вид операции удалён из справочника: выберите вид операции снова.");

QString storedTypes() {
    return testdb::exec("select string_agg(vid, '|' order by vid collate \"C\") from "
                        "accounts_dep.vid_oper")
        .toString();
}

class OperationTypesTest : public ::testing::Test {
protected:
    void SetUp() override {
        testdb::truncate("accounts_dep.vid_oper, accounts_dep.oper restart identity cascade");
        testdb::exec(QString::fromUtf8(R"(
insert into accounts_dep.vid_oper(id, vid) values (1, 'Покраска'), (2, 'Сборка'), (3, 'Упаковка');
select setval('accounts_dep.vid_oper_id_seq', 3);
insert into accounts_dep.oper(vid, naimen, i_id, cena_new) values (2, 0, 1, 10);
)"));
        testdb::logIn(dm, "master");
    }

    template <class T> T* in(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    // Runs the list from the menu; the action acts on it while it is shown, then it closes.
    void withList(const std::function<void()>& action) {
        whenModalOpens([&](QWidget*) {
            action();
            list.close();
        });
        list.showList();
    }
    // Acts on the edit dialog once an action of the list has opened it.
    void inDialog(const QString& typed, const std::function<void()>& after = {}) {
        whenModalOpens([this, typed, after](QWidget*) {
            auto* box = in<QLineEdit>(&dialog, DialogNames::name);
            box->selectAll();
            typeText(box, typed);
            QTest::keyClick(box, Qt::Key_Return);
            if (after)
                after();
            if (dialog.isVisible())
                QTest::keyClick(&dialog, Qt::Key_Escape);
        });
    }
    QStringList shown() {
        QStringList out;
        auto* grid = in<ui::DataGrid>(&list, ListNames::grid);
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            out << grid->model()->index(r, 0).data().toString();
        return out;
    }

    ui::MessageRecorder messages;
    state::DataModule dm;
    OperationTypeDialog dialog{dm};
    OperationTypesList list{dm, dialog};
};

TEST_F(OperationTypesTest, AddingRefusesBlankAndExistingNamesAndStoresTheRestAsTyped) {
    struct Case {
        QString typed;
        QString message; // empty: saved
        QString stored;  // what the table holds afterwards
    };
    const QString base = QString::fromUtf8("Покраска|Сборка|Упаковка");
    const QString longName = QString(51, QChar(0x0416)); // "Ж" x 51
    const Case cases[] = {
        {"", required, base},
        {"   ", required, base},
        {QString::fromUtf8("сборка"), duplicate, base},
        {QString::fromUtf8("  СБОРКА  "), duplicate, base},
        {QString::fromUtf8("  Д'Артаньян 50%_ "), "",
         QString::fromUtf8("Д'Артаньян 50%_|Покраска|Сборка|Упаковка")},
        {longName, "", QString(50, QChar(0x0416)) + "|" + base},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        SetUp();
        messages.clear();
        QString title;
        withList([&] {
            inDialog(c.typed, [&] { title = dialog.windowTitle(); });
            QTest::mouseClick(in<QPushButton>(&list, ListNames::add), Qt::LeftButton);
        });
        EXPECT_EQ(title, QString::fromUtf8("Заведение нового вида операций"));
        EXPECT_EQ(messages.texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_EQ(storedTypes(), c.stored);
    }
}

TEST_F(OperationTypesTest, RenamingExcludesItselfAndTheSavedRowStaysCurrent) {
    struct Case {
        int row; // in the list's order: Покраска, Сборка, Упаковка
        QString typed;
        QString message;
        QString stored;
    };
    const Case cases[] = {
        {1, QString::fromUtf8("СБОРКА"), "", QString::fromUtf8("Покраска|СБОРКА|Упаковка")},
        {1, QString::fromUtf8("упаковка"), duplicate,
         QString::fromUtf8("Покраска|Сборка|Упаковка")},
        {0, QString::fromUtf8("Шлифовка"), "", QString::fromUtf8("Сборка|Упаковка|Шлифовка")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        SetUp();
        messages.clear();
        QString title, current;
        withList([&] {
            auto* grid = in<ui::DataGrid>(&list, ListNames::grid);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(c.row, 0)).center());
            inDialog(c.typed, [&] { title = dialog.windowTitle(); });
            doubleClick(grid, c.row);
            current = dm.operationTypes.asString("vid");
        });
        EXPECT_EQ(title, QString::fromUtf8("Изменение данных вида операции"));
        EXPECT_EQ(messages.texts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_EQ(storedTypes(), c.stored);
        if (c.message.isEmpty()) {
            EXPECT_EQ(current, c.typed) << "the saved row is current";
        }
    }
}

TEST_F(OperationTypesTest, ANameAddedMeanwhileElsewhereIsToldAsADuplicate) {
    // Another workstation stores the same name just before this one writes.
    testdb::exec(R"(
create function public.first_elsewhere() returns trigger language plpgsql as $$
begin
  if pg_trigger_depth() = 1 then
    insert into accounts_dep.vid_oper(vid) values (upper(new.vid));
  end if;
  return new;
end $$;
create trigger first_elsewhere before insert on accounts_dep.vid_oper for each row
  execute function public.first_elsewhere();)");
    withList([&] {
        inDialog(QString::fromUtf8("Шлифовка"));
        QTest::mouseClick(in<QPushButton>(&list, ListNames::add), Qt::LeftButton);
    });
    testdb::exec("drop trigger first_elsewhere on accounts_dep.vid_oper; drop function "
                 "public.first_elsewhere()");
    EXPECT_EQ(messages.texts(), QStringList{duplicate});
    EXPECT_EQ(storedTypes(), QString::fromUtf8("Покраска|Сборка|Упаковка"));
    EXPECT_EQ(dm.operationTypes.state(), data::ResultSet::State::Browse);
}

TEST_F(OperationTypesTest, DeletingAsksAndKeepsATypeInUse) {
    struct Case {
        int row;
        ui::Messages::Answer answer;
        QStringList messages; // after the question
        QString stored;
        QString currentAfter;
    };
    const Case cases[] = {
        {0,
         ui::Messages::Answer::No,
         {},
         QString::fromUtf8("Покраска|Сборка|Упаковка"),
         QString::fromUtf8("Покраска")},
        {0,
         ui::Messages::Answer::Yes,
         {},
         QString::fromUtf8("Сборка|Упаковка"),
         QString::fromUtf8("Сборка")},
        {1,
         ui::Messages::Answer::Yes,
         {inUse},
         QString::fromUtf8("Покраска|Сборка|Упаковка"),
         QString::fromUtf8("Сборка")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        SetUp();
        messages.clear();
        messages.answers = {c.answer};
        QString current;
        withList([&] {
            auto* grid = in<ui::DataGrid>(&list, ListNames::grid);
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(grid->model()->index(c.row, 0)).center());
            QTest::mouseClick(in<QPushButton>(&list, ListNames::remove), Qt::LeftButton);
            current = dm.operationTypes.asString("vid");
        });
        ASSERT_FALSE(messages.messages.empty());
        EXPECT_EQ(messages.messages[0].text, QString::fromUtf8("Удалить вид операции?"));
        EXPECT_EQ(messages.messages[0].caption, QString::fromUtf8("Удаление"));
        EXPECT_EQ(messages.texts().mid(1), c.messages);
        EXPECT_EQ(storedTypes(), c.stored);
        EXPECT_EQ(current, c.currentAfter);
    }
}

TEST_F(OperationTypesTest, AnEmptyListChangesAndDeletesNothing) {
    testdb::truncate("accounts_dep.vid_oper, accounts_dep.oper cascade");
    messages.answers = {ui::Messages::Answer::Yes};
    withList([&] {
        QTest::mouseClick(in<QPushButton>(&list, ListNames::change), Qt::LeftButton);
        QTest::mouseClick(in<QPushButton>(&list, ListNames::remove), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join('|').toStdString();
}

TEST_F(OperationTypesTest, ThePickerHasItsBoxAndTheListAfterItHasNone) {
    bool pickerLooked = false;
    whenModalOpens([&](QWidget*) {
        auto* box = in<QLineEdit>(&list, ListNames::search);
        EXPECT_TRUE(box->isVisible());
        EXPECT_FALSE(in<QPushButton>(&list, ListNames::add)->isVisible());
        EXPECT_FALSE(in<QPushButton>(&list, ListNames::remove)->isVisible());
        EXPECT_EQ(in<QPushButton>(&list, ListNames::change)->text(), QString::fromUtf8("Выбрать"));
        typeText(box, QString::fromUtf8("у"));
        QTest::keyClick(box, Qt::Key_Return);
        pickerLooked = true;
    });
    const auto taken = list.pick();
    ASSERT_TRUE(pickerLooked);
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(taken->vid, QString::fromUtf8("Упаковка"));
    EXPECT_EQ(taken->id, 3);

    withList([&] {
        EXPECT_FALSE(in<QLineEdit>(&list, ListNames::search)->isVisible())
            << "no search box in the list";
        EXPECT_TRUE(in<QPushButton>(&list, ListNames::add)->isVisible());
        EXPECT_EQ(in<QPushButton>(&list, ListNames::change)->text(), QString::fromUtf8("Изменить"));
        EXPECT_EQ(shown().size(), 3) << "the picker's search does not filter the list";
    });
    EXPECT_FALSE(dm.operationTypes.isOpen());
}

// Another workstation's delete of a type, or save of an operation with it, is under way: this
// one waits for it, then goes by what it committed or rolled back.
TEST_F(OperationTypesTest, ASaveOrDeleteWaitsForTheOtherSideAndGoesByItsEnd) {
    struct Case {
        const char* elsewhere; // %1: the type
        const char* end;
        bool deleting; // this side deletes the type, else saves an operation with it
        bool done;
    };
    const Case cases[] = {
        {"delete from accounts_dep.vid_oper where id=%1", "commit", false, false},
        {"delete from accounts_dep.vid_oper where id=%1", "rollback", false, true},
        {"insert into accounts_dep.oper(vid, naimen, i_id) values (%1, 0, 3)", "commit", true,
         false},
        {"insert into accounts_dep.oper(vid, naimen, i_id) values (%1, 0, 3)", "rollback", true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1 %2").arg(c.elsewhere, c.end).toStdString());
        const int type = testdb::exec(QString::fromUtf8("insert into accounts_dep.vid_oper(vid) "
                                                        "values ('Шлифовка') returning id"))
                             .toInt();
        const testdb::Waited w =
            testdb::actWhileHeldElsewhere(QString(c.elsewhere).arg(type), c.end, [&] {
                if (c.deleting)
                    return reference::removeOperationType(dm.connection, type);
                reference::saveOperation(dm, std::nullopt, {type, 0, 2, 5});
                return true;
            });
        EXPECT_EQ(w.waiting, 1) << "the two really met";
        EXPECT_EQ(w.done, c.done);
        if (c.deleting || c.done)
            EXPECT_EQ(w.error, "");
        else
            EXPECT_TRUE(w.error.startsWith(typeGone + "\n")) << w.error.toStdString();
        testdb::exec(QString("delete from accounts_dep.oper where vid=%1; delete from "
                             "accounts_dep.vid_oper where id=%1")
                         .arg(type));
    }
}

// Each round one workstation deletes a type of its own while another saves an operation with
// it: a new one in even rounds, the standing operation 1 moved onto it in odd ones.
TEST_F(OperationTypesTest, ATypeDeletedWhileAnOperationIsSavedWithItLeavesNoOperationWithoutIt) {
    constexpr int rounds = 40;
    const int first =
        testdb::exec(QString("insert into accounts_dep.vid_oper(vid) select 'Вид ' || n from "
                             "generate_series(1, %1) n; select min(id) from accounts_dep.vid_oper "
                             "where vid like 'Вид %'")
                         .arg(rounds))
            .toInt();
    const std::vector<testdb::DeleteSaveRound> outcomes = testdb::deleteMeetsSave(
        rounds,
        [&](state::DataModule& own, int r) {
            return reference::removeOperationType(own.connection, first + r);
        },
        [&](state::DataModule& own, int r) {
            const std::optional<int> id = r % 2 == 0 ? std::nullopt : std::optional<int>(1);
            reference::saveOperation(own, id, {first + r, 0, 2, 5});
        });
    const QStringList wrong = testdb::wrongRounds(outcomes, typeGone, "oper_vid_fkey");
    int removedFirst = 0;
    for (const testdb::DeleteSaveRound& o : outcomes)
        removedFirst += o.removed;
    EXPECT_TRUE(wrong.isEmpty()) << wrong.size() << " of " << rounds << " rounds wrong:\n"
                                 << wrong.join('\n').toStdString();
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.oper o where not exists (select 1 "
                           "from accounts_dep.vid_oper v where v.id = o.vid)")
                  .toInt(),
              0)
        << "operations without their type";
    std::cout << "[ rounds   ] type deleted first " << removedFirst << ", operation saved first "
              << rounds - removedFirst << std::endl;
}

} // namespace
