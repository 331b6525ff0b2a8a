// The result set and command against the real server: parameters, conversions, errors,
// navigation, re-running in place, editing and a server that goes away.
#include "TestDatabase.h"
#include "data/Command.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/ResultSet.h"
#include "data/SqlText.h"
#include "data/Transaction.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

const QString lost =
    QString::fromUtf8("Связь с сервером БД потеряна, действие не выполнено. Повторите его.\n");

class ResultSetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testdb::exec("create table if not exists public.rows_under_test("
                     " id serial primary key, name text, qty double precision);"
                     "grant all on public.rows_under_test to tabel_user;"
                     "grant usage on sequence public.rows_under_test_id_seq to tabel_user;"
                     "create table if not exists public.ranges_under_test("
                     " id serial primary key, brak smallint, n integer, ref t_id, note text);"
                     "grant all on public.ranges_under_test to tabel_user;"
                     "grant usage on sequence public.ranges_under_test_id_seq to tabel_user;");
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
             " /* nested /* */ :in_comment */ :txt::text as txt -- :comment\n");
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

// A pasted search text may carry a surrogate without its pair; the workstation's filter and
// the server compare the same text, given as a literal or as a parameter.
TEST_F(ResultSetTest, ALoneSurrogateIsTheSameTextOnTheWorkstationAndOnTheServer) {
    testdb::exec(QString::fromUtf8("insert into public.rows_under_test(name, qty) values "
                                   "(U&'\\0418\\0432\\FFFD\\0430', 1), ('Ив?а', 2), ('Ива', 3)"));
    const QString typed = QString::fromUtf8("Ив") + QChar(0xD800);
    data::ResultSet literal(connection, "literal");
    literal.setSql("select name from public.rows_under_test where name like " +
                   sqltext::likePrefix(typed));
    literal.open();
    data::ResultSet parameter(connection, "parameter");
    parameter.setSql(
        "select name from public.rows_under_test where name = cast(:typed as text) || 'а'");
    parameter.setParam("typed", typed);
    parameter.open();
    data::ResultSet workstation(connection, "workstation");
    workstation.setSql("select name from public.rows_under_test");
    workstation.open();
    workstation.setFilter(sqltext::filterLikePrefix("name", typed));
    workstation.setFiltered(true);
    const QString replaced = QString::fromUtf8("Ив") + QChar(QChar::ReplacementCharacter) + "а";
    for (data::ResultSet* q : {&literal, &parameter, &workstation}) {
        SCOPED_TRACE(q->objectName().toStdString());
        ASSERT_EQ(q->rowCount(), 1);
        EXPECT_EQ(q->asString("name"), replaced);
    }
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

TEST_F(ResultSetTest, NavigationLocateAndReRun) {
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

TEST_F(ResultSetTest, ALostSessionIsReopenedQuietlyForAReadButNotInsideATransaction) {
    data::ResultSet q(connection, "q");
    q.setSql("select pg_backend_pid() + :zero::int as pid"); // prepared in the old session
    q.setParam("zero", 0);
    q.open();
    const int first = q.asInt("pid");
    q.close();
    testdb::exec(QString("select pg_terminate_backend(%1, 5000)").arg(first));
    q.open();
    const int second = q.asInt("pid");
    EXPECT_NE(second, first) << "read again on a fresh session";
    q.close();

    {
        data::Transaction transaction(connection);
        testdb::exec(QString("select pg_terminate_backend(%1, 5000)").arg(second));
        try {
            q.open();
            ADD_FAILURE() << "a read of a transaction that died was run again";
        } catch (const data::DbError& e) {
            EXPECT_TRUE(e.text().startsWith(lost)) << e.text().toStdString();
            EXPECT_GT(e.text().size(), lost.size()) << "libpq's own text on the second line";
        }
    }
    q.open();
    EXPECT_NE(q.asInt("pid"), second);
}

TEST_F(ResultSetTest, ReopenTakesTheNewRowsOrKeepsTheShownOnesWhenTheStatementFails) {
    data::ResultSet q(connection, "q");
    q.setSql("select id, name from public.rows_under_test where id > :min order by id");
    q.setParam("min", 0);
    q.setFilter("id <> 2");
    q.setFiltered(true);
    q.open();
    q.setSort("name DESC");
    q.moveTo(1);
    testdb::exec("insert into public.rows_under_test(name, qty) values ('epsilon', 5)");
    QSignalSpy resets(&q, &data::ResultSet::reset);
    q.reopen();
    EXPECT_EQ(resets.count(), 2) << "as close() and open()";
    EXPECT_EQ(q.sort(), "");
    EXPECT_EQ(q.filter(), "id <> 2");
    EXPECT_EQ(q.rowCount(), 4);
    EXPECT_EQ(q.recNo(), 0);
    EXPECT_EQ(q.asString("name"), "alpha");

    q.setSort("name DESC");
    q.moveTo(2);
    q.setParam("min", "no number");
    EXPECT_THROW(q.reopen(), data::DbError);
    EXPECT_TRUE(q.isOpen());
    EXPECT_EQ(q.rowCount(), 4);
    EXPECT_EQ(q.sort(), "name DESC");
    EXPECT_EQ(q.recNo(), 2);
    EXPECT_EQ(q.asString("name"), "delta");
}

TEST_F(ResultSetTest, QuotedTextStaysTextOnADatabaseThatTakesBackslashesAsEscapes) {
    const QString db = testdb::databaseName();
    testdb::exec(QString("alter database \"%1\" set standard_conforming_strings = off").arg(db));
    struct Reset {
        QString db;
        ~Reset() {
            testdb::exec(
                QString("alter database \"%1\" reset standard_conforming_strings").arg(db));
        }
    } reset{db};
    data::Connection session;
    testdb::openAs(session, "master", "master");
    data::ResultSet q(session, "q");
    q.setSql("select current_setting('standard_conforming_strings') as scs, count(*) as cnt "
             "from public.rows_under_test where name = " +
             sqltext::quoted("\\' or 1=1 --"));
    q.open();
    EXPECT_EQ(q.asString("scs"), "on");
    EXPECT_EQ(q.asInt("cnt"), 0) << "the typed text changed the statement";
}

TEST_F(ResultSetTest, ANulCharacterIsRefusedWhereLibpqWouldCutTheTextThere) {
    const QString nul = QString::fromUtf8("\0anything", 9);
    data::Command c(connection, "c");
    c.setSql("insert into public.rows_under_test(name) values (:name)");
    c.setParam("name", "a" + nul);
    EXPECT_THROW(c.execute(), data::ConversionError);
    EXPECT_EQ(testdb::exec("select count(*) from public.rows_under_test where name = 'a'").toInt(),
              0);
    const QStringList login = {testdb::socketFolder(), testdb::databaseName(), "master", "master"};
    for (int i = 0; i < login.size(); ++i) {
        SCOPED_TRACE(i);
        QStringList typed = login;
        typed[i] += nul;
        data::Connection other;
        EXPECT_THROW(other.open(typed[0], typed[1], typed[2], typed[3]), data::ConversionError);
        EXPECT_FALSE(other.isOpen());
    }
}

TEST_F(ResultSetTest, TextKeepsALeadingByteOrderMarkSoTheFilterAgreesWithTheServer) {
    testdb::exec("insert into public.rows_under_test(name) values (E'\\uFEFFalpha')");
    data::ResultSet q(connection, "q");
    q.setSql("select name, (name like 'alpha%')::int as server, 1 as U&\"\\FEFFmark\" "
             "from public.rows_under_test where name like '%alpha' order by id");
    q.open();
    EXPECT_EQ(q.fieldName(2), QString(QChar(0xFEFF)) + "mark");
    q.last();
    EXPECT_EQ(q.asString("name"), QString(QChar(0xFEFF)) + "alpha");
    q.setFilter("name like 'alpha%'");
    q.setFiltered(true);
    ASSERT_EQ(q.rowCount(), 1);
    EXPECT_EQ(q.asInt("server"), 1);
}

TEST_F(ResultSetTest, IntegersOutOfTheirColumnsRangeOrWithAFractionAreRefusedNamingTheField) {
    data::ResultSet cells(connection, "cells");
    cells.setSql("select 2.5::numeric as frac, 12345678901234567890::numeric as big, 3.00::numeric "
                 "as three");
    cells.open();
    EXPECT_THROW(cells.asInt("frac"), data::ConversionError) << "not rounded to 3";
    EXPECT_EQ(cells.asInt("three"), 3);
    try {
        cells.asInt64("big");
        ADD_FAILURE() << "accepted";
    } catch (const data::ConversionError& e) {
        EXPECT_TRUE(e.text().startsWith(
            QString::fromUtf8("Значение 12345678901234567890 поля big вне допустимого диапазона")))
            << e.text().toStdString();
    }

    struct Case {
        const char* field;
        QVariant value;
        const char* refusal; // nullptr: stored
    };
    const Case cases[] = {
        {"brak", 40000, "Значение 40000 поля brak вне допустимого диапазона (от -32768 до 32767)"},
        {"brak", 2.5, "«2.5» не является целым числом (поле brak)"},
        {"brak", QString(" 7 "), nullptr},
        {"n", qint64(3000000000LL),
         "Значение 3000000000 поля n вне допустимого диапазона (от -2147483648 до 2147483647)"},
        {"ref", 2.5, "«2.5» не является целым числом (поле ref)"},
        {"ref", qint64(1000000000000000LL),
         "Значение 1000000000000000 поля ref вне допустимого диапазона (от -999999999999999 до "
         "999999999999999)"},
        {"ref", QString("999999999999999"), nullptr},
        {"note", QString::fromUtf8("a\0b", 3),
         "Текст (поле note) содержит нулевой символ (код 0), его нельзя передать в БД"},
    };
    data::ResultSet t(connection, "t");
    t.setSql("select * from public.ranges_under_test");
    t.setUpdateTable("public.ranges_under_test");
    t.open();
    int stored = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.value.toString().toStdString());
        t.append();
        t.setValue(c.field, c.value);
        try {
            t.post();
            EXPECT_EQ(c.refusal, nullptr) << "sent";
            ++stored;
        } catch (const data::Error& e) {
            EXPECT_EQ(e.text(), QString::fromUtf8(c.refusal ? c.refusal : ""));
            t.cancel();
        }
    }
    EXPECT_EQ(testdb::exec("select count(*) from public.ranges_under_test").toInt(), stored);
    EXPECT_EQ(testdb::exec("select string_agg(coalesce(brak::text, ref::text), ',' order by id) "
                           "from public.ranges_under_test")
                  .toString(),
              "7,999999999999999");
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

// A parameterised statement is kept prepared for the session, unless it asks to be planned
// for its values each time (period reports): then the server keeps nothing of it.
TEST_F(ResultSetTest, FreshPlansLeaveNoPreparedStatementBehind) {
    const auto kept = [&] {
        data::ResultSet count(connection, "count");
        count.setSql("select count(*) as n from pg_prepared_statements where statement like "
                     "'%generate_series(1, $1)%'");
        count.open();
        return count.asInt("n");
    };
    for (bool fresh : {true, false}) {
        SCOPED_TRACE(fresh);
        data::ResultSet q(connection, "q");
        q.setSql("select g from generate_series(1, :n) g");
        q.setFreshPlans(fresh);
        for (int n : {3, 5}) {
            q.setParam("n", n);
            q.close();
            q.open();
            EXPECT_EQ(q.rowCount(), n);
        }
        EXPECT_EQ(kept(), fresh ? 0 : 1);
    }
    // The same for a command (the month rebuild's statements).
    for (bool fresh : {true, false}) {
        SCOPED_TRACE(fresh);
        data::Command c(connection, "c");
        c.setSql("select max(g) from generate_series(1, :n) g");
        c.setFreshPlans(fresh);
        for (int n : {3, 5}) {
            c.setParam("n", n);
            EXPECT_EQ(c.executeScalar().toInt(), n);
        }
        EXPECT_EQ(kept(), fresh ? 1 : 2);
    }
}

// A read asks for its settings (a report's memory, no JIT) in a transaction of its own: its
// statement runs with them, the next statement on the connection has the session's settings
// again, also after a read that failed; inside a caller's transaction the read leaves them.
TEST_F(ResultSetTest, ServerSettingsHoldForTheReadAlone) {
    const auto setting = [&] {
        data::Command show(connection);
        show.setSql("select current_setting('work_mem')");
        return show.executeScalar().toString();
    };
    const QString before = setting();
    ASSERT_NE(before, "7MB");
    data::ResultSet q(connection, "q");
    q.setSql("select current_setting('work_mem') as m, current_setting('jit') as j, :n::int as n");
    q.setParam("n", 1);
    q.setWorkMemory("7MB");
    q.setServerSetting("jit", "off");
    q.open();
    EXPECT_EQ(q.asString("m"), "7MB");
    EXPECT_EQ(q.asString("j"), "off");
    EXPECT_EQ(setting(), before);
    {
        data::Command show(connection);
        show.setSql("select current_setting('jit')");
        EXPECT_EQ(show.executeScalar().toString(), "on");
    }
    EXPECT_FALSE(connection.inTransaction());

    data::ResultSet failing(connection, "failing");
    failing.setSql("select 1 / (:n::int - 1) as x");
    failing.setParam("n", 1);
    failing.setWorkMemory("7MB");
    EXPECT_THROW(failing.open(), data::DbError);
    EXPECT_FALSE(connection.inTransaction());
    EXPECT_EQ(setting(), before);

    data::Transaction outer(connection);
    q.close();
    q.open();
    EXPECT_EQ(q.asString("m"), before);
    EXPECT_EQ(setting(), before);
}
