// The result set and command against the real server: parameters, conversions, errors,
// navigation, re-running in place, editing and a server that goes away.
#include "TestDatabase.h"
#include "data/Command.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/ResultSet.h"

#include <gtest/gtest.h>

namespace {

class ResultSetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testdb::exec("create table if not exists public.rows_under_test("
                     " id serial primary key, name text, qty double precision);"
                     "grant all on public.rows_under_test to tabel_user;"
                     "grant usage on sequence public.rows_under_test_id_seq to tabel_user;");
    }
    void SetUp() override {
        testdb::exec("truncate public.rows_under_test restart identity;"
                     "insert into public.rows_under_test(name, qty) values"
                     " ('alpha', 1), ('beta', 2.5), ('gamma', 3), ('delta', 4)");
        testdb::openAs(connection, "master", "master");
    }
    data::Connection connection;
};

TEST_F(ResultSetTest, ParametersAreNamedCaseInsensitivelyAndQuotesAndCastsStayText) {
    data::ResultSet q(connection, "q");
    q.setSql("select :Alpha::int + :ALPHA::int as s, ':not_a_param' as t, $$:nor_this$$ as u,"
             " :txt::text as txt -- :comment\n");
    q.setParam("alpha", 2);
    q.setParam("TXT", QString::fromUtf8("O'Neil; drop table x"));
    q.open();
    EXPECT_EQ(q.asInt("S"), 4);
    EXPECT_EQ(q.asString("t"), ":not_a_param");
    EXPECT_EQ(q.asString("u"), ":nor_this");
    EXPECT_EQ(q.asString("txt"), QString::fromUtf8("O'Neil; drop table x"));

    data::ResultSet missing(connection, "missing");
    missing.setSql("select :nobody as x");
    EXPECT_THROW(missing.open(), data::DbError);
}

TEST_F(ResultSetTest, ValuesConvertAndIdentifiersBeyondThirtyTwoBitsAreRefused) {
    data::ResultSet q(connection, "q");
    q.setSql("select true as b, false as c, 2147483647::numeric(15,0) as big_ok,"
             " 3000000000::numeric(15,0) as id_doc, 12.5::float8 as f, '1,5'::text as typed,"
             " to_date('29.02.2024', 'DD.MM.YYYY') as d, '05.03.2026'::date as dmy,"
             " null::int as nothing, 4::bigint as cnt");
    q.open();
    EXPECT_EQ(q.asInt("b"), 1);
    EXPECT_EQ(q.asInt("c"), 0);
    EXPECT_EQ(q.asInt("big_ok"), 2147483647);
    try {
        q.asInt("id_doc");
        ADD_FAILURE() << "wrapped instead of refused";
    } catch (const data::ConversionError& e) {
        EXPECT_TRUE(e.text().contains("3000000000")) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains("id_doc"));
    }
    EXPECT_EQ(q.asInt64("id_doc"), 3000000000LL);
    EXPECT_DOUBLE_EQ(q.asDouble("f"), 12.5);
    EXPECT_DOUBLE_EQ(q.asDouble("typed"), 1.5);
    EXPECT_EQ(q.asDate("d"), QDate(2024, 2, 29));
    EXPECT_EQ(q.asDate("dmy"), QDate(2026, 3, 5)) << "the session reads dates day first";
    EXPECT_TRUE(q.isNull("nothing"));
    EXPECT_EQ(q.asInt("nothing"), 0);
    EXPECT_EQ(q.asInt64("cnt"), 4);
    EXPECT_THROW(q.value("no_such_field"), data::ConversionError);
}

TEST_F(ResultSetTest, ARejectedStatementCarriesTheServersText) {
    data::ResultSet q(connection, "q");
    q.setSql("select * from public.no_such_table");
    try {
        q.open();
        ADD_FAILURE() << "no error";
    } catch (const data::DbError& e) {
        EXPECT_TRUE(e.text().contains("no_such_table")) << e.text().toStdString();
    }
    EXPECT_FALSE(q.isOpen());
    data::Command c(connection, "c");
    c.setSql("insert into accounts_dep.h_tabel(w_id, smena, month, year) values (1, 1, 13, 2026)");
    EXPECT_THROW(c.execute(), data::DbError);
}

TEST_F(ResultSetTest, NavigationLocateAndReRunKeepingPlace) {
    data::ResultSet q(connection, "q");
    q.setSql("select id, name from public.rows_under_test order by id");
    q.open();
    EXPECT_EQ(q.rowCount(), 4);
    EXPECT_EQ(q.recNo(), 0);
    q.prior();
    EXPECT_TRUE(q.bof());
    q.last();
    q.next();
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.asString("name"), "delta");
    q.moveTo(99);
    EXPECT_EQ(q.recNo(), 3);
    EXPECT_TRUE(q.locate("name", "beta"));
    EXPECT_EQ(q.asInt("id"), 2);
    EXPECT_FALSE(q.locate("name", "omega"));
    EXPECT_EQ(q.asInt("id"), 2);

    q.setSort("name DESC");
    q.moveTo(2);
    EXPECT_EQ(q.asString("name"), "beta");
    testdb::exec("insert into public.rows_under_test(name, qty) values ('epsilon', 5)");
    q.reopenKeepingPlace();
    EXPECT_EQ(q.sort(), "name DESC");
    EXPECT_EQ(q.rowCount(), 5);
    EXPECT_EQ(q.recNo(), 2);
    EXPECT_EQ(q.asString("name"), "delta") << "the same row number of the new snapshot";

    q.close();
    q.open();
    EXPECT_EQ(q.sort(), "");
    EXPECT_EQ(q.recNo(), 0);
    EXPECT_EQ(q.asString("name"), "alpha");
}

TEST_F(ResultSetTest, ATableResultAppendsEditsAndDeletesRows) {
    data::ResultSet t(connection, "t");
    t.setSql("select * from public.rows_under_test order by id");
    t.setUpdateTable("public.rows_under_test");
    t.open();

    t.append();
    t.setValue("name", QString::fromUtf8("Д'Артаньян"));
    t.setValue("qty", 7.25);
    t.post();
    const int newId = t.asInt("id");
    EXPECT_EQ(newId, 5) << "the database assigns the key";
    EXPECT_EQ(t.rowCount(), 5);
    EXPECT_EQ(
        testdb::exec(QString("select name from public.rows_under_test where id=%1").arg(newId))
            .toString(),
        QString::fromUtf8("Д'Артаньян"));

    ASSERT_TRUE(t.locate("name", "beta"));
    t.edit();
    t.setValue("qty", 9.5);
    EXPECT_DOUBLE_EQ(t.asDouble("qty"), 9.5) << "the edit buffer is what the row shows";
    t.post();
    EXPECT_DOUBLE_EQ(testdb::exec("select qty from public.rows_under_test where id=2").toDouble(),
                     9.5);

    ASSERT_TRUE(t.locate("name", "gamma"));
    t.remove();
    EXPECT_EQ(t.rowCount(), 4);
    EXPECT_EQ(
        testdb::exec("select count(*) from public.rows_under_test where name='gamma'").toInt(), 0);

    // Another workstation removed the row meanwhile: the edit says so instead of vanishing.
    ASSERT_TRUE(t.locate("name", "delta"));
    testdb::exec("delete from public.rows_under_test where name='delta'");
    t.edit();
    t.setValue("qty", 1.0);
    EXPECT_THROW(t.post(), data::DbError);
}

TEST_F(ResultSetTest, AKeylessSingleRowTableIsEditedInPlace) {
    testdb::exec("delete from accounts_dep.ver; insert into accounts_dep.ver values (20240101, 5)");
    data::ResultSet ver(connection, "ver");
    ver.setSql("select * from accounts_dep.ver");
    ver.setUpdateTable("accounts_dep.ver", {});
    ver.open();
    ver.edit();
    ver.setValue("d", 20261210);
    ver.setValue("t", 3600);
    ver.post();
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.ver").toInt(), 1);
    EXPECT_EQ(testdb::exec("select d::text || '/' || t from accounts_dep.ver").toString(),
              "20261210/3600");
}

TEST_F(ResultSetTest, CommandsRunAndReturnTheNewKey) {
    data::Command c(connection, "c");
    c.setSql("insert into public.rows_under_test(name, qty) values (:name, :qty) returning id");
    c.setParam("NAME", "zeta");
    c.setParam("qty", 1.5);
    EXPECT_EQ(c.executeScalar().toInt(), 5);
    c.setSql("update public.rows_under_test set qty = qty + 1 where qty < :limit");
    c.setParam("limit", 3);
    EXPECT_EQ(c.execute(), 3);
}

TEST_F(ResultSetTest, WrongPasswordIsRefusedWithoutShowingIt) {
    data::Connection other;
    try {
        testdb::openAs(other, "master", "Secret-Typo-42");
        ADD_FAILURE() << "a wrong password was accepted";
    } catch (const data::DbError& e) {
        EXPECT_TRUE(e.text().contains("password authentication failed")) << e.text().toStdString();
        EXPECT_FALSE(e.text().contains("Secret-Typo-42"));
    }
    EXPECT_FALSE(other.isOpen());
}

TEST_F(ResultSetTest, AfterTheServerDropsTheConnectionTheNextStatementSaysSoAndTheOneAfterWorks) {
    data::ResultSet q(connection, "q");
    q.setSql("select pg_backend_pid() + :zero::int as pid"); // prepared in the old session
    q.setParam("zero", 0);
    q.open();
    const int pid = q.asInt("pid");
    q.close();
    testdb::exec(QString("select pg_terminate_backend(%1, 5000)").arg(pid));

    EXPECT_THROW(q.open(), data::DbError);
    q.open();
    EXPECT_NE(q.asInt("pid"), pid) << "a fresh session on the same connection";
}

TEST_F(ResultSetTest, AStatementKeptPreparedFollowsATableThatChangedShape) {
    data::ResultSet q(connection, "q");
    q.setSql("select * from public.rows_under_test where id > :min order by id");
    q.setParam("min", 0);
    q.open();
    EXPECT_EQ(q.fieldCount(), 3);
    testdb::exec("alter table public.rows_under_test add column note text default 'n'");
    q.close();
    q.open();
    EXPECT_EQ(q.fieldCount(), 4);
    EXPECT_EQ(q.asString("note"), "n");
    testdb::exec("alter table public.rows_under_test drop column note");
}

} // namespace
