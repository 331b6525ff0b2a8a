// Rights on the server: each login, connected with any client, may do what the program's
// role table gives it and nothing more; the build stamp cannot be pushed into the future.
#include "PreparedModule.h"
#include "TestDatabase.h"
#include "data/Command.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "state/DataModule.h"

#include <QDate>
#include <QFile>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <ostream>

namespace {

const char* const denied = "permission denied";
const char* const tooLate = "позже завтрашней даты сервера";

// Positions 7001..7006 of one date and shift and 7007 of the next day, none accepted; 7002
// has a material row.
const char* const plant = R"(
insert into cmn_contractor.person(id, s_code, s_caption, b_employee) values (10, '101', 'Антонов А.А.', true);
insert into accounts_dep.izdel(id, marka, nom, massa) values (100, 'СТ-1', 'Стулья', 0.5);
insert into accounts_dep.vid_oper(id, vid) values (1, 'Сборка');
insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (1, 1, 0, 100, 10);
insert into accounts_dep.norm(o_id, norma, price, prize) values (1, 5, 11, 5);
insert into mnf_doc.doc(id, s_number, d_date, b_closed) values (1, '15', '2026-12-01', false);
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, ok, id_doc)
select id, '2026-12-10', 1, 101, 100, 1, 10, 6, 0, 4, 'no', 1 from generate_series(7001, 7006) id;
insert into accounts_dep.smena(id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, ok)
values (7007, '2026-12-11', 2, 101, 100, 1, 10, 6, 0, 4, 'no');
insert into accounts_dep.smena_gds_use(id_smena, id_gds_use, f_qty_use) values (7002, 200, 1);
insert into accounts_dep.h_tabel(w_id, smena, month, year, d10) values (101, 1, 12, 2026, 4);
update accounts_dep.ver set d = 0, t = 0;
)";

QString passwordOf(const QString& login) {
    if (login == "tab")
        return "qzx";
    if (login == "sys")
        return "wuvakem";
    return login; // the demo logins
}

class RightsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testdb::exec(QString::fromUtf8(plant)); }

    // Runs a statement as the login, with the journal's and the timesheet's parameters at
    // hand; returns the rows it returned or touched.
    int run(const QString& login, const QString& sql) {
        auto& connection = connections[login];
        if (!connection) {
            connection = std::make_unique<data::Connection>();
            testdb::openAs(*connection, login, passwordOf(login));
        }
        data::Command cmd(*connection);
        cmd.setSql(sql);
        cmd.setParam("data", QDate(2026, 12, 10).startOfDay());
        cmd.setParam("ok", "ta");
        cmd.setParam("mnth", 12);
        cmd.setParam("yea", 2026);
        cmd.setParam("smena", 1);
        return cmd.execute();
    }

    static QString state(int position) {
        return testdb::exec(
                   QString("select ok || '/' || prize from accounts_dep.smena where id = %1")
                       .arg(position))
            .toString();
    }

    std::map<QString, std::unique_ptr<data::Connection>> connections;
};

TEST_F(RightsTest, EachLoginMayDoWhatItsGroupGivesAndNothingMore) {
    testdb::PreparedModule dm;
    const QString journal = dm.journal(1).sql(), timesheet = dm.timesheet(1).sql();
    const QString countPositions = "select count(*) from accounts_dep.smena where id = %1";
    const QString countTimesheet = "select count(*) from accounts_dep.h_tabel";
    const QString day = "to_char(current_date + %1, 'YYYYMMDD')::int";
    const QString stampIs = "select (d = " + day + " and t = %2)::text from accounts_dep.ver";

    struct Case {
        const char* login;
        QString sql;
        const char* refusal; // part of the server's text; nullptr when allowed
        int rows;            // returned or touched when allowed
        QString after;       // asked as the superuser afterwards
        QString expected;
    };
    const Case cases[] = {
        // operators read the journal and accept, and write nothing themselves
        {"operator1", journal, nullptr, 6, {}, {}},
        {"operator1",
         "select count(id) as id_cnt from accounts_dep.smena_gds_use sgu "
         "where sgu.id_smena = 7002",
         nullptr,
         1,
         {},
         {}},
        {"operator1", "select accounts_dep.smena__accept_row_hwo(7002)", nullptr, 1, {}, {}},
        {"operator1",
         "update accounts_dep.smena set ok = 'ok', prize = 99 where id = 7001",
         denied,
         0,
         {},
         {}},
        {"operator1", "delete from accounts_dep.smena where id = 7001", denied, 0,
         countPositions.arg(7001), "1"},
        {"operator1",
         "insert into accounts_dep.h_tabel(w_id, smena, month, year, d11) values (102, 1, 12, "
         "2026, 8)",
         denied, 0, countTimesheet, "1"},
        {"operator1", "select accounts_dep.divide_between_person(7001)", denied, 0, {}, {}},
        {"operator2", "delete from accounts_dep.smena where id = 7001", denied, 0,
         countPositions.arg(7001), "1"},
        {"operator3", "select accounts_dep.smena__accept_row_hwo(7003)", nullptr, 1, {}, {}},
        // the economist reads the journal, the timesheet and the reports
        {"econom", journal, nullptr, 6, {}, {}},
        {"econom", timesheet, nullptr, 1, {}, {}},
        {"econom",
         "select doc.s_number, sum(smena.kol_vo) from accounts_dep.smena, mnf_doc.doc doc where "
         "doc.id = smena.id_doc and smena.data >= :data group by doc.s_number",
         nullptr,
         1,
         {},
         {}},
        {"econom", "select accounts_dep.smena__accept_row_hwo(7001)", denied, 0, {}, {}},
        {"econom", "update accounts_dep.smena set kol_vo = 0 where id = 7001", denied, 0, {}, {}},
        {"econom", "delete from accounts_dep.h_tabel", denied, 0, countTimesheet, "1"},
        // full users
        {"master", "select accounts_dep.smena__accept_row_hwo(7004)", nullptr, 1, {}, {}},
        {"master", "delete from accounts_dep.smena where id = 7005", nullptr, 1,
         countPositions.arg(7005), "0"},
        {"master",
         "insert into accounts_dep.h_tabel(w_id, smena, month, year, d11) values (102, 1, 12, "
         "2026, 8)",
         nullptr, 1, countTimesheet, "2"},
        {"operator4",
         "update accounts_dep.smena set kol_vo = 7 where id = 7006",
         nullptr,
         1,
         {},
         {}},
        {"sys", "delete from accounts_dep.h_tabel where w_id = 102", nullptr, 1, countTimesheet,
         "1"},
        // every login runs the version gate; nobody stores a stamp past the server's tomorrow
        {"operator1", "update accounts_dep.ver set d = " + day.arg(0) + ", t = 7200", nullptr, 1,
         stampIs.arg(0).arg(7200), "true"},
        {"econom", "update accounts_dep.ver set t = 7201", nullptr, 1, {}, {}},
        // the gate inserts only into an empty table: the right is checked all the same
        {"econom",
         "insert into accounts_dep.ver(d, t) select 0, 0 where false",
         nullptr,
         0,
         {},
         {}},
        {"tab", "update accounts_dep.ver set d = " + day.arg(0) + ", t = 3600", nullptr, 1,
         stampIs.arg(0).arg(3600), "true"},
        {"tab", "update accounts_dep.ver set d = " + day.arg(1) + ", t = 0", nullptr, 1,
         stampIs.arg(1).arg(0), "true"},
        {"tab", "update accounts_dep.ver set d = " + day.arg(2), tooLate, 0, stampIs.arg(1).arg(0),
         "true"},
        {"tab", "update accounts_dep.ver set d = 99991231", tooLate, 0, stampIs.arg(1).arg(0),
         "true"},
        {"tab", "update accounts_dep.ver set t = 86400", "вне суток", 0, stampIs.arg(1).arg(0),
         "true"},
        {"master", "insert into accounts_dep.ver(d, t) values (99991231, 0)", tooLate, 0,
         "select count(*) from accounts_dep.ver", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1: %2").arg(c.login, c.sql.left(90)).toStdString());
        try {
            const int rows = run(c.login, c.sql);
            if (c.refusal)
                ADD_FAILURE() << "allowed, " << rows << " rows";
            else
                EXPECT_EQ(rows, c.rows);
        } catch (const data::DbError& e) {
            if (!c.refusal)
                ADD_FAILURE() << "refused: " << e.text().toStdString();
            else
                EXPECT_TRUE(e.text().contains(QString::fromUtf8(c.refusal)))
                    << e.text().toStdString();
        }
        if (!c.after.isEmpty()) {
            EXPECT_EQ(testdb::exec(c.after).toString(), c.expected);
        }
    }

    // Accepting through the routine sets the state and the bonus of the norm step reached;
    // what was refused left the positions as they were.
    EXPECT_EQ(state(7002), "ok/5");
    EXPECT_EQ(state(7003), "ok/5");
    EXPECT_EQ(state(7004), "ok/5");
    EXPECT_EQ(state(7001), "no/0");
}

// A session may set any time zone; the limit stays the server's own tomorrow.
TEST_F(RightsTest, TheBuildStampLimitIsTheServersTomorrowWhateverTheSessionsTimeZone) {
    const QString tomorrow =
        testdb::exec("select to_char(current_date + 1, 'YYYYMMDD')").toString();
    const QString dayAfter =
        testdb::exec("select to_char(current_date + 2, 'YYYYMMDD')").toString();
    for (const char* zone : {"Etc/GMT-14", "Etc/GMT+12"}) {
        SCOPED_TRACE(zone);
        const QString stamp = QString("do $$ begin set local timezone = '%1'; update "
                                      "accounts_dep.ver set d = %2, t = 0; end $$")
                                  .arg(zone);
        try {
            run("tab", stamp.arg(dayAfter));
            ADD_FAILURE() << "a stamp past the server's tomorrow was stored";
        } catch (const data::DbError& e) {
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(tooLate))) << e.text().toStdString();
        }
        EXPECT_NO_THROW(run("tab", stamp.arg(tomorrow)));
        EXPECT_EQ(testdb::exec("select d from accounts_dep.ver").toString(), tomorrow);
        testdb::exec("update accounts_dep.ver set d = 0, t = 0");
    }
}

TEST_F(RightsTest, RunningTheRolesAgainMovesAnOldFullOperatorIntoItsGroup) {
    // A cluster made before the groups: operator1 was a full user.
    testdb::exec("grant tabel_user to operator1");
    EXPECT_EQ(run("operator1", "update accounts_dep.smena set kol_vo = 6 where id = 7007"), 1);

    QString script;
    for (const char* name : {"helpers.sql", "roles.sql", "demo_logins.sql"}) {
        QFile file(QStringLiteral(TABEL_DB_DIR "/") + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        script += QString::fromUtf8(file.readAll());
    }
    testdb::exec(script);
    testdb::exec(script); // and once more: nothing changes

    EXPECT_EQ(testdb::exec("select string_agg(g.rolname, ',' order by g.rolname) "
                           "from pg_auth_members m join pg_roles g on g.oid = m.roleid "
                           "where m.member = 'operator1'::regrole")
                  .toString(),
              "tabel_operator");
    EXPECT_THROW(run("operator1", "update accounts_dep.smena set kol_vo = 6 where id = 7007"),
                 data::DbError);
    EXPECT_EQ(run("operator1", "select accounts_dep.smena__accept_row_hwo(7007)"), 1);
    EXPECT_EQ(state(7007), "ok/5");
}

} // namespace
