// The pieces every window stands on: the grid model, the action guard, the busy cursor.
#include "TestDatabase.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/ResultSet.h"
#include "ui/ActionGuard.h"
#include "ui/BusyCursor.h"
#include "ui/Messages.h"
#include "ui/ResultSetModel.h"

#include <QApplication>
#include <QColor>
#include <QTableView>
#include <gtest/gtest.h>

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

} // namespace
