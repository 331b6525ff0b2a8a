// The shared data module's statements against a small plant of its own.
#include "PreparedModule.h"
#include "TestDatabase.h"
#include "data/Defaults.h"
#include "data/Error.h"
#include "reference/ReferenceStatements.h"
#include "state/DataModule.h"
#include "ui/ActionGuard.h"
#include "ui/Messages.h"

#include <gtest/gtest.h>

namespace {

const QDate day(2026, 12, 9);

class DataModuleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testdb::exec(QString::fromUtf8(R"(
insert into hrms_staffpos.staffpos(id, s_caption) values (900101, 'Слесарь');
insert into cmn_contractor.person(id, s_code, s_caption, b_employee) values
  (900001, '501', 'Абрамов А.А.', true),
  (900002, '502', 'Борисов Б.Б.', true),
  (900003, '503', 'Васильев В.В.', false);
insert into hrms_movement.movement(id, id_employee, id_staffpos, d_begin, d_end) values
  (900201, 900001, 900101, '2020-01-01', null),
  (900202, 900002, 900101, '2019-01-01', '2020-12-31');
insert into cmn_gds_and_srv.gds_and_srv(id, s_caption) values (800501, 'RAL 3020 красная');
insert into accounts_dep.izdel(id, marka, nom, massa) values
  (800001, E'\tМарка-А\t', 'Стулья', 0.1234567),
  (800002, 'Марка-Б', 'Столы', 2);
insert into accounts_dep.vid_oper(id, vid) values (901, 'Сборка'), (902, 'Покраска');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values
  (701, 901, 0, 800001, 10.5), (702, 902, 1, 800002, 3), (703, 901, 1, 800001, 4);
-- Rows a plant already holds: an operation whose type is gone, a position whose operation
-- is gone. The keys check only new writes, so these go in past them (and past the trigger
-- that gives 704 its first step).
set session_replication_role = replica;
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (704, 999, 0, 800002, 5);
insert into accounts_dep.norm(o_id, norma, price, prize) values (704, 0, 5, 0);
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, color, ok) values
  (5005, '2026-12-09', 1, 501, 800001, 799, 1, 1, 0, 1, 0, 'no');
set session_replication_role = origin;
insert into accounts_dep.norm(o_id, norma, price, prize) values (701, 100, 9.75, 5);
delete from accounts_dep.norm where o_id = 703;
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, color, ok) values
  (5001, '2026-12-09', 1, 501, 800001, 701, 10.123, 3.5, 1, 8, 0, 'no'),
  (5002, '2026-12-09', 1, 501, 800001, 701, 10.123, 1, 0, 1, 0, 'да'),
  (5003, '2026-12-09', 1, 999, 800001, 701, 1, 1, 0, 1, 0, 'no'),
  (5004, '2026-12-09', 1, 501, 800099, 701, 1, 1, 0, 1, 0, 'no'),
  (5006, '2026-12-09', 1, 501, 800002, 704, 1, 1, 0, 1, 0, 'no'),
  (5007, '2026-12-09', 1, 501, 800001, 701, 1, 1, 0, 1, 0, 'ta'),
  (5008, '2026-12-09', 1, 501, 800001, 701, 1, 1, 0, 1, 0, null),
  (5009, '2026-12-08', 1, 501, 800001, 701, 1, 1, 0, 1, 0, 'no'),
  (6002, '2026-12-09', 2, 502, 800002, 702, 2, 1, 0, 4, 800501, 'ok'),
  (6001, '2026-12-09', 2, 502, 800002, 702, 2, 1, 0, 4, 800501, 'no'),
  (6003, '2026-12-09', 4, 501, 800002, 702, 2, 1, 0, 2, 0, 'no');
insert into accounts_dep.h_tabel(w_id, smena, month, year, d1, d9, d31) values
  (501, 1, 12, 2026, 3, 9, 1), (502, 1, 12, 2026, 0, 4, 0), (501, 2, 12, 2026, 5, 0, 0),
  (501, 1, 11, 2026, 8, 0, 0);
)"));
    }

    void SetUp() override {
        testdb::openAs(module.connection, "master", "master");
        for (int shift = 1; shift <= 4; ++shift) {
            module.journal(shift).setParam("data", day.startOfDay());
            module.journal(shift).setParam("ok", "ta");
        }
    }

    static QList<int> ids(data::ResultSet& rs, const QString& field = "id") {
        QList<int> out;
        for (rs.first(); !rs.eof(); rs.next())
            out << rs.asInt(field);
        return out;
    }

    ui::MessageRecorder messages;
    testdb::PreparedModule module;
};

TEST_F(DataModuleTest, JournalListsOnlyWholePositionsOfItsShiftAndDate) {
    data::ResultSet& s1 = module.journal(1);
    s1.open();
    QList<int> listed = ids(s1);
    std::sort(listed.begin(), listed.end());
    // Missing worker, product, operation or type, 'ta', an empty state and another day: absent.
    EXPECT_EQ(listed, (QList<int>{5001, 5002}));

    ASSERT_TRUE(s1.locate("id", 5001));
    EXPECT_DOUBLE_EQ(s1.asDouble("summa"), 25.31);
    EXPECT_EQ(s1.asString("fio"), QString::fromUtf8("Абрамов А.А."));
    EXPECT_EQ(s1.asString("nmn"), QString::fromUtf8("Готовая продукция"));
    EXPECT_EQ(s1.asString("s_caption_color"), "") << "no colour, no caption";
    EXPECT_EQ(s1.asInt("time"), 8);
    EXPECT_EQ(s1.asDate("data"), day);
    ASSERT_TRUE(s1.locate("id", 5002));
    EXPECT_EQ(s1.asString("ok"), QString::fromUtf8("да"));
    EXPECT_EQ(s1.fieldName(0), "id");
}

TEST_F(DataModuleTest, LaterShiftsOrderEqualPositionsByIdAndListIdAfterPrize) {
    module.journal(2).open();
    EXPECT_EQ(ids(module.journal(2)), (QList<int>{6001, 6002}));
    EXPECT_EQ(module.journal(2).fieldIndex("id"), module.journal(2).fieldIndex("prize") + 1);
    EXPECT_EQ(module.journal(2).asString("s_caption_color"), QString::fromUtf8("RAL 3020 красная"));
    EXPECT_EQ(module.journal(2).asString("nmn"), QString::fromUtf8("Заготовки"));
    module.journal(3).open();
    EXPECT_EQ(module.journal(3).rowCount(), 0);
    module.journal(4).open();
    EXPECT_EQ(ids(module.journal(4)), (QList<int>{6003}));
    module.journal(1).open();
    EXPECT_EQ(module.journal(1).fieldCount(), module.journal(4).fieldCount());
}

TEST_F(DataModuleTest, ReferenceListsReadWorkersProductsAndTypes) {
    module.workers.open();
    EXPECT_EQ(ids(module.workers), (QList<int>{501, 502})) << "employees only, by name";
    module.workers.locate("id", "501");
    EXPECT_EQ(module.workers.asString("s_staffpos_hl"), QString::fromUtf8("Слесарь"));
    EXPECT_EQ(module.workers.asInt("p_id"), 900001);
    module.workers.locate("id", "502");
    EXPECT_EQ(module.workers.asString("s_staffpos_hl"), "") << "no current movement";

    module.products.open();
    ASSERT_TRUE(module.products.locate("id", 800001));
    EXPECT_EQ(module.products.asString("MARKA"), QString::fromUtf8("Марка-А"));
    EXPECT_DOUBLE_EQ(module.products.asDouble("massa"), 0.12346);

    module.operationTypes.open();
    EXPECT_EQ(module.operationTypes.asString("VID"), QString::fromUtf8("Покраска"));
}

TEST_F(DataModuleTest, OperationsNeedANormStepAndANewOneGetsItsFirst) {
    module.operations.open();
    QList<int> listed = ids(module.operations);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (QList<int>{701, 702})) << "703 has no step, 704 no type";
    module.operations.locate("id", 701);
    EXPECT_EQ(module.operations.asInt64("norma"), 2);
    EXPECT_DOUBLE_EQ(module.operations.asDouble("cena"), 9.75) << "the lowest step price";
    module.operations.close();

    data::Command insertOperation(module.connection);
    insertOperation.setSql(reference::statements::insertOperation());
    insertOperation.setParam("oper_vid", 902);
    insertOperation.setParam("naimen", 0);
    insertOperation.setParam("i_id", 800001);
    insertOperation.setParam("cena_new", 12.5);
    insertOperation.execute();
    module.operations.open();
    const int id =
        testdb::exec("select id from accounts_dep.oper where vid=902 and i_id=800001").toInt();
    ASSERT_TRUE(module.operations.locate("id", id));
    EXPECT_EQ(module.operations.asInt64("norma"), 1);
    EXPECT_DOUBLE_EQ(module.operations.asDouble("cena"), 12.5);

    data::Command updateOperation(module.connection);
    updateOperation.setSql(reference::statements::updateOperation());
    updateOperation.setParam("oper_vid", 901);
    updateOperation.setParam("naimen", 1);
    updateOperation.setParam("i_id", 800002);
    updateOperation.setParam("id", id);
    EXPECT_EQ(updateOperation.execute(), 1);
    data::Command deleteOperation(module.connection);
    deleteOperation.setSql(reference::statements::deleteOperation());
    deleteOperation.setParam("id", id);
    EXPECT_EQ(deleteOperation.execute(), 1);
    EXPECT_EQ(testdb::exec(QString("select count(*) from accounts_dep.norm where o_id=%1").arg(id))
                  .toInt(),
              0);
}

TEST_F(DataModuleTest, TimesheetQueriesTotalTheMonthOfTheirShift) {
    data::ResultSet& t1 = module.timesheet(1);
    t1.setParam("mnth", 12);
    t1.setParam("yea", 2026);
    t1.open();
    EXPECT_EQ(ids(t1, "w_id"), (QList<int>{501, 502}));
    t1.first();
    EXPECT_EQ(t1.asInt("summ"), 13);
    EXPECT_EQ(t1.asInt("d31"), 1);
    EXPECT_EQ(t1.asString("fio"), QString::fromUtf8("Абрамов А.А."));
    data::ResultSet& t2 = module.timesheet(2);
    t2.setParam("MNTH", 12);
    t2.setParam("YEA", 2026);
    t2.open();
    EXPECT_EQ(t2.rowCount(), 1);
    EXPECT_THROW(module.timesheet(4), data::ConversionError);
}

TEST_F(DataModuleTest, TheMonthTotalPassesWhatADayCellHolds) {
    testdb::exec("insert into accounts_dep.h_tabel(w_id, smena, month, year, d1) values (502, 3, "
                 "12, 2026, 2000); update accounts_dep.h_tabel set d2=d1, d3=d1, d4=d1, d5=d1, "
                 "d6=d1, d7=d1, d8=d1, d9=d1, d10=d1, d11=d1, d12=d1, d13=d1, d14=d1, d15=d1, "
                 "d16=d1, d17=d1, d18=d1, d19=d1, d20=d1, d21=d1, d22=d1, d23=d1, d24=d1, d25=d1, "
                 "d26=d1, d27=d1, d28=d1, d29=d1, d30=d1, d31=d1 where smena = 3");
    data::ResultSet& t3 = module.timesheet(3);
    t3.setParam("mnth", 12);
    t3.setParam("yea", 2026);
    t3.open();
    ASSERT_EQ(t3.rowCount(), 1);
    EXPECT_EQ(t3.asInt("summ"), 62000);
    testdb::exec("delete from accounts_dep.h_tabel where smena = 3");
}

// What the server refuses in its own English words reaches the user with a Russian line first
// and the server's text below; texts the server already words in Russian stay as they are.
TEST_F(DataModuleTest, RefusalsOfTheServerReadInRussianWithItsTextBelow) {
    struct Case {
        const char* statement;
        const char* state;
        const char* lead; // "" when the text stays the server's
        const char* server;
    };
    const Case cases[] = {
        {"select 40000::smallint", "22003", "число вне допустимого диапазона", "smallint"},
        {"insert into accounts_dep.smena_gds_use(id_smena, id_gds_use) values (-5, 1)", "23503",
         "ссылается на удалённые данные", "foreign key"},
        {"insert into accounts_dep.vid_oper(vid) values ('сборка')", "23505",
         "такая запись уже есть", "duplicate key"},
        {"do $$ begin raise exception 'deadlock detected' using errcode = '40P01'; end $$", "40P01",
         "другое рабочее место", "deadlock detected"},
        {"select * from pg_authid", "42501", "недостаточно прав", "permission denied"},
        {"select accounts_dep.smena__accept_row_hwo(-1)", "P0001", "", "Позиция журнала № -1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        try {
            module.connection.exec(c.statement);
            ADD_FAILURE() << "not refused";
        } catch (const data::DbError& e) {
            EXPECT_EQ(e.sqlState(), c.state);
            EXPECT_TRUE(e.serverText().contains(QString::fromUtf8(c.server)))
                << e.serverText().toStdString();
            if (*c.lead) {
                const QStringList lines = e.text().split('\n');
                ASSERT_GE(lines.size(), 2) << e.text().toStdString();
                EXPECT_TRUE(lines[0].contains(QString::fromUtf8(c.lead))) << e.text().toStdString();
                EXPECT_EQ(e.text().section('\n', 1), e.serverText());
            } else {
                EXPECT_EQ(e.text(), e.serverText());
            }
        }
    }
}

// A refused connection carries the server's SQLSTATE, so the login can tell a wrong password
// from a missing server; its text reads as the server's message, without code or source line.
TEST_F(DataModuleTest, ARefusedConnectionKeepsTheServersCodeAndAPlainText) {
    struct Case {
        const char* user;
        const char* password;
        QString database;
        const char* state;
        const char* text;
    };
    const Case cases[] = {
        {"master", "wrong", testdb::databaseName(), "28P01", "password authentication failed"},
        {"master", "master", "no_such_database", "3D000", "does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        data::Connection connection;
        try {
            connection.open(testdb::socketFolder(), c.database, c.user, c.password);
            ADD_FAILURE() << "connected";
        } catch (const data::DbError& e) {
            EXPECT_EQ(e.sqlState(), c.state);
            EXPECT_TRUE(e.text().contains(c.text)) << e.text().toStdString();
            EXPECT_FALSE(e.text().contains(c.state)) << e.text().toStdString();
            EXPECT_FALSE(e.text().contains(".c:")) << e.text().toStdString();
        }
    }
    data::Connection unreachable;
    try {
        unreachable.open(testdb::socketFolder() + "/none", testdb::databaseName(), "master",
                         "master");
        ADD_FAILURE() << "connected";
    } catch (const data::DbError& e) {
        EXPECT_EQ(e.sqlState(), "") << "no server answered";
        EXPECT_FALSE(e.text().isEmpty());
    }
    data::Connection right;
    right.open(testdb::socketFolder(), testdb::databaseName(), "master", "master");
    try {
        right.exec("select 40000::smallint");
    } catch (const data::DbError& e) {
        EXPECT_FALSE(e.serverText().contains("22003")) << "statements keep the default wording";
    }
}

TEST_F(DataModuleTest, CountCheckReportsADuplicateOnce) {
    // The check ends the action; the guard shows its message as any action's error.
    const auto runs = [&](const char* countSql, const QVariantMap& params = {}) {
        return ui::guarded(
            [&] { module.countCheck(countSql, params, QString::fromUtf8("Уже есть")); });
    };
    EXPECT_TRUE(runs("select 0 as cnt"));
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(runs("select count(*) as cnt from accounts_dep.izdel where id=:id", {{"id", -1}}));
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_FALSE(runs("select 2 as cnt"));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].caption, QString::fromUtf8("Ошибка"));
    EXPECT_EQ(messages.messages[0].text, QString::fromUtf8("Уже есть"));
    EXPECT_EQ(messages.messages[0].icon, ui::Messages::Icon::Error);
    EXPECT_FALSE(module.countQuery.isOpen());
    EXPECT_THROW(module.countCheck("select count(*) as cnt from accounts_dep.no_such", {}, {}),
                 data::DbError);
}

TEST_F(DataModuleTest, TheStartUpAccountMayOnlyReadAndRaiseTheBuildStamp) {
    data::Connection startup;
    testdb::openAs(startup, data::defaults::startupUser(), data::defaults::startupPassword());
    startup.exec("select d, t from accounts_dep.ver");
    startup.exec("update accounts_dep.ver set t = t");
    for (const char* forbidden :
         {"select count(*) from accounts_dep.smena", "select count(*) from cmn_contractor.person",
          "delete from accounts_dep.ver",
          "insert into accounts_dep.h_tabel(w_id, smena, month, year) values (1,1,1,2026)"}) {
        SCOPED_TRACE(forbidden);
        EXPECT_THROW(startup.exec(forbidden), data::DbError);
    }
}

} // namespace
