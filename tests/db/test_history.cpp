// The server keeps the history of every position, whoever changes it with whatever client,
// and nobody changes or deletes that history.
#include "TestDatabase.h"
#include "data/Command.h"
#include "data/Connection.h"
#include "data/Error.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <barrier>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

// Positions 8001 and 8002 of one date and shift; 8001 has worker 102 as a brigade member.
const char* const plant = R"(
insert into cmn_contractor.person(id, s_code, s_caption, b_employee)
values (10, '101', 'Антонов А.А.', true), (11, '102', 'Борисов Б.Б.', true);
insert into accounts_dep.izdel(id, marka, nom, massa) values (100, 'СТ-1', 'Стулья', 0.5);
insert into accounts_dep.vid_oper(id, vid) values (1, 'Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (1, 1, 0, 100, 10);
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, ok)
select id, '2026-12-10', 1, 101, 100, 1, 10, 6, 0, 4, 'no' from generate_series(8001, 8002) id;
insert into accounts_dep.person_temp(id_smena, id_person) values (8001, 11);
select setval('accounts_dep.smena_id_seq', 9000);
)";

QString passwordOf(const QString& login) {
    if (login == "tab")
        return "qzx";
    if (login == "sys")
        return "wuvakem";
    return login; // the demo logins
}

// Runs the statement in psql as the login; the error text, empty when it succeeded.
QString psql(const QString& login, const QString& sql) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PGHOST", testdb::socketFolder());
    env.insert("PGDATABASE", testdb::databaseName());
    env.insert("PGUSER", login);
    env.insert("PGPASSWORD", passwordOf(login));
    p.setProcessEnvironment(env);
    p.start(testdb::psqlProgram(), {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-c", sql});
    if (!p.waitForFinished(30000))
        return "psql did not finish";
    return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardError()).trimmed();
}

// "kind login old new" of the position's latest log row.
QString lastEntry(int position) {
    return testdb::exec(QString("select concat_ws(' ', kind, login, old::text, new::text) from "
                                "accounts_dep.smena_log where id_smena = %1 order by id desc "
                                "limit 1")
                            .arg(position))
        .toString();
}

class HistoryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testdb::exec(QString::fromUtf8(plant)); }

    data::Connection& as(const QString& login) {
        auto& connection = connections[login];
        if (!connection) {
            connection = std::make_unique<data::Connection>();
            testdb::openAs(*connection, login, passwordOf(login));
        }
        return *connection;
    }
    int run(const QString& login, const QString& sql) {
        data::Command cmd(as(login));
        cmd.setSql(sql);
        return cmd.execute();
    }

    std::map<QString, std::unique_ptr<data::Connection>> connections;
};

TEST_F(HistoryTest, EveryKindOfChangeIsLoggedWithTheSessionsLogin) {
    struct Case {
        const char* login;
        const char* sql;
        bool inPsql;
        int position;
        const char* entry;
    };
    const Case cases[] = {
        {"master",
         "insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo) "
         "values ('2026-12-10', 1, 101, 100, 1, 10, 3)",
         false, 9001, "insert master "},
        {"master", "update accounts_dep.smena set kol_vo = 8 where id = 8001", false, 8001,
         R"(update master {"kol_vo": 6} {"kol_vo": 8})"},
        // written as it was: nothing to keep
        {"master", "update accounts_dep.smena set kol_vo = 8 where id = 8001", false, 8001,
         R"(update master {"kol_vo": 6} {"kol_vo": 8})"},
        {"operator4", "update accounts_dep.smena set time = 7, brak = 1 where id = 8002", true,
         8002, R"(update operator4 {"brak": 0, "time": 4} {"brak": 1, "time": 7})"},
        {"master", "select accounts_dep.divide_between_person(8001)", false, 8001,
         R"(divide master {"kol_vo": 8} {"kol_vo": 4})"},
        {"master", "", false, 9002, "divide master "}, // the member's copy
        // the routine runs as tabel_accept; the log names who asked
        {"operator1", "select accounts_dep.smena__accept_row_hwo(8001)", false, 8001,
         R"(accept operator1 {"ok": "no"} {"ok": "ok"})"},
        {"operator2", "select accounts_dep.smena__accept_row_hwo(8002)", true, 8002,
         R"(accept operator2 {"ok": "no"} {"ok": "ok"})"},
        {"master", "delete from accounts_dep.smena where id = 9001", false, 9001, "delete master "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        if (c.inPsql)
            ASSERT_EQ(psql(c.login, c.sql), "");
        else if (*c.sql)
            run(c.login, c.sql);
        const QString entry = lastEntry(c.position);
        EXPECT_TRUE(entry.startsWith(QString::fromUtf8(c.entry))) << entry.toStdString();
    }
    // a new position keeps its whole row after, a deleted one its whole row before
    EXPECT_EQ(testdb::exec("select string_agg(concat_ws(',', kind, old->>'kol_vo', "
                           "new->>'kol_vo', data, smena, w_id), ';' order by id) from "
                           "accounts_dep.smena_log where id_smena = 9001")
                  .toString(),
              "insert,3,2026-12-10,1,101;delete,3,2026-12-10,1,101");
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena_log where id_smena = 8001 "
                           "and kind = 'update'")
                  .toInt(),
              1);
}

TEST_F(HistoryTest, NobodyChangesOrDeletesTheLogAndTheGroupsReadIt) {
    testdb::exec("update accounts_dep.smena set cena = 11 where id = 8002");
    const QString statements[] = {
        "update accounts_dep.smena_log set login = 'x'",
        "delete from accounts_dep.smena_log",
        "truncate accounts_dep.smena_log",
        "insert into accounts_dep.smena_log(at, login, kind, id_smena) values (now(), 'x', "
        "'insert', 1)",
    };
    struct Case {
        const char* login;
        bool reads;
    };
    const Case logins[] = {{"master", true},    {"operator4", true}, {"sys", true},
                           {"operator1", true}, {"econom", true},    {"tab", false},
                           {"postgres", false}};
    const int before = testdb::exec("select count(*) from accounts_dep.smena_log").toInt();
    ASSERT_GT(before, 0);
    for (const Case& c : logins) {
        SCOPED_TRACE(c.login);
        for (const QString& sql : statements) {
            SCOPED_TRACE(sql.toStdString());
            if (QString(c.login) == "postgres") {
                // the owner, a superuser, is refused by the triggers (forging rows aside)
                if (!sql.startsWith("insert")) {
                    EXPECT_THROW(testdb::exec(sql), data::DbError);
                }
            } else {
                EXPECT_THROW(run(c.login, sql), data::DbError);
            }
        }
        if (QString(c.login) == "postgres")
            continue;
        data::Command read(as(c.login));
        read.setSql("select count(*) from accounts_dep.smena_log");
        if (c.reads)
            EXPECT_NO_THROW(read.execute());
        else
            EXPECT_THROW(read.execute(), data::DbError);
    }
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena_log").toInt(), before);
    EXPECT_NE(psql("master", "delete from accounts_dep.smena_log"), "");
}

// Only the brigade's division itself is logged as one: a statement that merely names the
// routine, in a comment or a block of its own, is what it is.
TEST_F(HistoryTest, ADivisionIsLoggedOnlyWhenTheDivisionWroteTheRow) {
    testdb::exec("insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, "
                 "brak, time) select id, '2026-12-12', 1, 101, 100, 1, 10, 6, 0, 4 from "
                 "generate_series(8200, 8201) id; insert into accounts_dep.person_temp(id_smena, "
                 "id_person) values (8201, 11)");
    const char* const named = "/* function accounts_dep.divide_between_person( */";
    struct Case {
        const char* login;
        QString sql;
        int position;
        const char* entry; // the position's latest log row, as lastEntry gives it
    };
    const Case cases[] = {
        {"master",
         QString("do $$ begin update accounts_dep.smena set kol_vo = 9 where id = 8200 %1; "
                 "end $$")
             .arg(named),
         8200, R"(update master {"kol_vo": 6} {"kol_vo": 9})"},
        {"operator4",
         QString("do $$ begin insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, "
                 "cena, kol_vo, id_smena_from) values (8202, '2026-12-12', 1, 102, 100, 1, 10, "
                 "3, 8200) %1; end $$")
             .arg(named),
         8202, "insert operator4 "},
        // a real division and a change of the same position in one block: each as it is
        {"sys",
         "do $$ begin perform accounts_dep.divide_between_person(8201); update "
         "accounts_dep.smena set time = 5 where id = 8201; end $$",
         8201, R"(update sys {"time": 4} {"time": 5})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql.toStdString());
        ASSERT_EQ(psql(c.login, c.sql), "");
        const QString entry = lastEntry(c.position);
        EXPECT_TRUE(entry.startsWith(QString::fromUtf8(c.entry))) << entry.toStdString();
    }
    EXPECT_EQ(testdb::exec("select string_agg(kind || ' ' || login, ', ' order by id) from "
                           "accounts_dep.smena_log where id_smena = 8201 or id_smena = (select "
                           "id from accounts_dep.smena where id_smena_from = 8201)")
                  .toString(),
              "insert postgres, divide sys, divide sys, update sys")
        << "the position, its member's copy, the change";
    // nobody takes on the division's role
    EXPECT_NE(psql("master", "set role tabel_divide"), "");
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.smena_log where kind = 'divide' "
                           "and id_smena in (8200, 8202)")
                  .toInt(),
              0);
}

// Workstations that change one position at once: each change is logged with the value it
// really replaced, so the log reads as one unbroken chain.
TEST_F(HistoryTest, ChangesMeetingOnAPositionFormAnUnbrokenChain) {
    testdb::exec("insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, "
                 "kol_vo) values (8100, '2026-12-11', 1, 101, 100, 1, 10, 0)");
    const int stations = 3, rounds = 20;
    std::barrier meet(stations);
    std::vector<QString> errors(stations);
    std::vector<std::thread> threads;
    for (int k = 0; k < stations; ++k) {
        threads.emplace_back([&, k] {
            const QString login = k == 0 ? "master" : k == 1 ? "operator4" : "sys";
            data::Connection own;
            testdb::openAs(own, login, passwordOf(login));
            data::Command bump(own);
            bump.setSql("update accounts_dep.smena set kol_vo = kol_vo + 1 where id = 8100");
            for (int round = 0; round < rounds; ++round) {
                meet.arrive_and_wait();
                try {
                    bump.execute();
                } catch (const data::Error& e) {
                    errors[size_t(k)] = e.text();
                }
            }
        });
    }
    for (auto& t : threads)
        t.join();
    for (const QString& e : errors)
        EXPECT_EQ(e, "");
    EXPECT_EQ(testdb::exec("select string_agg(format('%s>%s', old->>'kol_vo', new->>'kol_vo'), "
                           "' ' order by id) = (select string_agg(format('%s>%s', i, i + 1), ' ' "
                           "order by i) from generate_series(0, 59) i) from "
                           "accounts_dep.smena_log where id_smena = 8100 and kind = 'update'")
                  .toBool(),
              true);
    EXPECT_EQ(testdb::exec("select count(distinct login) from accounts_dep.smena_log where "
                           "id_smena = 8100 and kind = 'update'")
                  .toInt(),
              3);
}

// TRUNCATE passes by the row triggers: it would take the positions past their history and
// past every workstation's announcements, so the server refuses it, even to the owner.
TEST_F(HistoryTest, TheJournalAndTheTimesheetAreNeverTruncated) {
    testdb::exec("insert into accounts_dep.h_tabel(w_id, smena, month, year, d10) values (101, 1, "
                 "12, 2026, 4) on conflict do nothing");
    const QString counts = "select (select count(*) from accounts_dep.smena) || '/' || (select "
                           "count(*) from accounts_dep.h_tabel) || '/' || (select count(*) from "
                           "accounts_dep.smena_log)";
    const QString before = testdb::exec(counts).toString();
    struct Case {
        const char* sql;
        const char* refusal;
    };
    const Case cases[] = {
        {"truncate accounts_dep.smena cascade", "Журнал нельзя очистить"},
        {"truncate accounts_dep.person_temp, accounts_dep.smena_gds_use, accounts_dep.smena "
         "restart identity",
         "Журнал нельзя очистить"},
        {"truncate accounts_dep.oper cascade", "Журнал нельзя очистить"}, // reaches the journal
        {"truncate accounts_dep.h_tabel", "Табель нельзя очистить"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        try {
            testdb::exec(c.sql);
            ADD_FAILURE() << "truncated";
        } catch (const data::DbError& e) {
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(c.refusal))) << e.text().toStdString();
        }
    }
    EXPECT_EQ(testdb::exec(counts).toString(), before);
    EXPECT_NE(psql("master", "truncate accounts_dep.smena"), "") << "nor by a user";
}

} // namespace
