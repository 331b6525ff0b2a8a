// A plant's database whose journal was made by any earlier version of db/ is brought up to date
// in place: it ends with the objects and rights of a fresh install, keeps every row it held
// (old positions whose operation is gone included), and a second run changes nothing. The earlier
// layouts are the dumps in tests/db/layouts, so the test needs no history of the tree.
#include "TestDatabase.h"
#include "data/Connection.h"
#include "data/Transaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <set>

namespace {

const QString source = QStringLiteral(TABEL_SOURCE_DIR);

struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

Outcome run(const QString& program, const QStringList& arguments, const QByteArray& input = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PGHOST", testdb::socketFolder());
    env.insert("PGUSER", "postgres");
    env.insert("PGPASSWORD", testdb::adminPassword());
    env.insert("PGOPTIONS", "-c client_min_messages=warning");
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    if (!input.isEmpty()) {
        p.write(input);
        p.closeWriteChannel();
    }
    if (!p.waitForFinished(120000))
        return {-1, {}, program + " did not finish"};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// Runs statements or files ("-" for the input) in the database as the superuser; the rows of
// the last, tab-separated. Files run in one transaction, as a load does.
QString psql(const QString& database, const QStringList& arguments, const QByteArray& input = {}) {
    QStringList options{"-X", "-q", "-tA", "-v", "ON_ERROR_STOP=1", "-d", database};
    if (arguments.value(0) == "-f")
        options << "-1";
    const Outcome o = run(testdb::psqlProgram(), options + arguments, input);
    if (o.code != 0)
        throw std::runtime_error(("psql in " + database + ": " + o.err).toStdString());
    return o.out.trimmed();
}
QString query(const QString& database, const QString& sql) {
    return psql(database, {"-c", sql});
}

Outcome db(const QString& action, const QString& database, const QString& script) {
    return run(script, {action, "--server", testdb::socketFolder(), "--db", database});
}
const QString currentDb = source + "/scripts/db";

QStringList sqlFiles(const QString& folder) {
    QStringList files;
    for (const QString& name : QDir(folder).entryList({"*.sql"}, QDir::Files, QDir::Name))
        files << "-f" << folder + "/" + name;
    return files;
}

// A database as scripts/pg makes one: Russian order, the ERP side of db/.
QString newDatabase(const QString& name) {
    const QString quoted = '"' + name + '"';
    query("postgres", "drop database if exists " + quoted + " with (force)");
    query("postgres", "create database " + quoted +
                          " template template0 encoding 'UTF8' lc_collate 'C.UTF-8' lc_ctype "
                          "'C.UTF-8' locale_provider icu icu_locale 'ru'");
    query("postgres", "alter database " + quoted + " set datestyle = 'iso, dmy'");
    psql(name, sqlFiles(source + "/db/erp"));
    return name;
}

// Everything of the journal a workstation relies on, one sorted line each: its tables,
// columns, keys, indexes, views, routines, triggers and sequences, and every right that the
// journal's roles and PUBLIC hold on them and on the ERP side.
const char* const objects = R"sql(
with rights(kind, name, acl) as (
    select 'schema', nspname::text, nspacl from pg_namespace
    where nspname in ('accounts_dep', 'cmn_contractor', 'hrms_movement', 'hrms_staffpos',
                      'mnf_doc', 'cmn_gds_and_srv', 'mnf_operation', 'whs_stock')
    union all
    select 'relation', c.oid::regclass::text, c.relacl from pg_class c
    join pg_namespace n on n.oid = c.relnamespace
    where n.nspname in ('accounts_dep', 'cmn_contractor', 'hrms_movement', 'hrms_staffpos',
                        'mnf_doc', 'cmn_gds_and_srv', 'mnf_operation', 'whs_stock')
      and c.relkind in ('r', 'v', 'S')
    union all
    select 'column', a.attrelid::regclass::text || '.' || a.attname, a.attacl from pg_attribute a
    where a.attrelid in (select oid from pg_class where relnamespace = to_regnamespace('accounts_dep'))
      and a.attacl is not null
    union all
    select 'routine', p.oid::regprocedure::text, p.proacl from pg_proc p
    where p.pronamespace = to_regnamespace('accounts_dep')
),
journal_roles(name) as (
    values ('public'), ('tabel_user'), ('tabel_operator'), ('tabel_reader'), ('tabel_accept'),
           ('tabel_log'), ('tabel_divide'), ('tab')
),
lines(line) as (
    select format('right %s %s: %s %s', r.kind, r.name, g.name, x.privilege_type)
    from (select * from rights where cardinality(acl) > 0) r
    cross join lateral aclexplode(r.acl) x
    cross join lateral (select case when x.grantee = 0 then 'public'
                                    else x.grantee::regrole::text end as name) g
    where g.name in (select name from journal_roles)
    union all
    select format('relation %s kind %s owner %s', c.oid::regclass, c.relkind,
                  c.relowner::regrole)
    from pg_class c where c.relnamespace = to_regnamespace('accounts_dep')
    union all
    select format('column %s.%s %s%s default %s', a.attrelid::regclass, a.attname,
                  format_type(a.atttypid, a.atttypmod),
                  case when a.attnotnull then ' not null' else '' end,
                  pg_get_expr(d.adbin, d.adrelid))
    from pg_attribute a
    join pg_class c on c.oid = a.attrelid and c.relnamespace = to_regnamespace('accounts_dep')
    left join pg_attrdef d on d.adrelid = a.attrelid and d.adnum = a.attnum
    where a.attnum > 0 and not a.attisdropped
    union all
    select format('constraint %s %s %s%s', c.conrelid::regclass, c.conname,
                  pg_get_constraintdef(c.oid), case when c.convalidated then '' else ' (not valid)' end)
    from pg_constraint c where c.connamespace = to_regnamespace('accounts_dep')
    union all
    select 'index ' || pg_get_indexdef(i.indexrelid) from pg_index i
    join pg_class c on c.oid = i.indexrelid and c.relnamespace = to_regnamespace('accounts_dep')
    union all
    select format('view %s: %s', c.oid::regclass, pg_get_viewdef(c.oid))
    from pg_class c where c.relnamespace = to_regnamespace('accounts_dep') and c.relkind = 'v'
    union all
    select format('routine %s owner %s: %s', p.oid::regprocedure, p.proowner::regrole,
                  pg_get_functiondef(p.oid))
    from pg_proc p where p.pronamespace = to_regnamespace('accounts_dep')
    union all
    select format('trigger %s %s', pg_get_triggerdef(t.oid), t.tgenabled) from pg_trigger t
    join pg_class c on c.oid = t.tgrelid and c.relnamespace = to_regnamespace('accounts_dep')
    where not t.tgisinternal
    union all
    select format('sequence %s %s start %s by %s owned by %s', s.seqrelid::regclass,
                  format_type(s.seqtypid, null), s.seqstart, s.seqincrement,
                  (select d.refobjid::regclass || '.' || a.attname from pg_depend d
                   join pg_attribute a on a.attrelid = d.refobjid and a.attnum = d.refobjsubid
                   where d.objid = s.seqrelid and d.deptype in ('a', 'i')))
    from pg_sequence s
    join pg_class c on c.oid = s.seqrelid and c.relnamespace = to_regnamespace('accounts_dep')
)
select string_agg(line, E'\n' order by line collate "C") from lines
)sql";

QString objectsOf(const QString& database) {
    return query(database, QString::fromUtf8(objects));
}

// The lines of one listing the other lacks, "-" for the first's and "+" for the second's.
QString difference(const QString& expected, const QString& actual) {
    const QStringList a = expected.split('\n'), b = actual.split('\n');
    QStringList out;
    for (const QString& line : a)
        if (!b.contains(line))
            out << "- " + line;
    for (const QString& line : b)
        if (!a.contains(line))
            out << "+ " + line;
    return out.join('\n');
}

// Each table's rows, over the columns it had before: "table count digest", a line a table.
using Rows = std::map<QString, QString>;
QString rowsOf(const QString& database, const Rows& columnsOf) {
    QStringList parts;
    for (const auto& [table, columns] : columnsOf)
        parts << QString("select '%2 ' || count(*) || ' ' || coalesce(md5(string_agg(t::text, '|' "
                         "order by t::text collate \"C\")), '') from (select %1 from %2) t")
                     .arg(columns, table);
    return query(database, parts.join(" union all ") + " order by 1");
}
Rows columnsOfEveryTable(const QString& database) {
    Rows columns;
    const QString list = query(
        database,
        "select string_agg(t || E'\\t' || c, E'\\n') from (select a.attrelid::regclass::text "
        "as t, string_agg(quote_ident(a.attname), ', ' order by a.attnum) as c from pg_attribute a "
        "join pg_class k on k.oid = a.attrelid and k.relkind = 'r' join pg_namespace n on n.oid "
        "= k.relnamespace and n.nspname not in ('pg_catalog', 'information_schema', 'pg_toast') "
        "where a.attnum > 0 and not a.attisdropped group by 1) x");
    for (const QString& line : list.split('\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split('\t');
        columns[parts[0]] = parts[1];
    }
    return columns;
}

// A plant's years in small: positions, timesheet rows, brigade members and materials, and old
// rows from before the keys: an operation whose type is gone and positions whose operation is
// gone (the keys stay out of those statements, as they were not there when they were written).
const char* const plantRows = R"sql(
insert into accounts_dep.vid_oper (id, vid) values (1, 'Раскрой'), (2, 'Сборка');
insert into accounts_dep.izdel (id, marka, nom, massa) values (100, 'ПЛ-502', 'Плёнка', 0.5);
insert into accounts_dep.oper (id, vid, naimen, i_id, cena_new, cena)
values (10, 1, 1, 100, 5.5, 5.5), (11, 2, 1, 100, 7.25, 7.25);
insert into accounts_dep.norm (o_id, norma, price, prize) values (10, 100, 6, 5);
insert into accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, ok)
select g, date '2023-01-01' + g % 700, 1 + g % 4, 101 + g % 30, 100, 10 + g % 2, 5.5, g % 40,
       g % 3, 1 + g % 8, case when g % 5 = 0 then 'ok' else 'no' end
from generate_series(1, 2000) g;
insert into accounts_dep.h_tabel (w_id, smena, month, year, d1, d2, d31)
select 100 + g, 1 + g % 4, 1 + g % 12, 2023 + g % 2, 8, 7, 11 from generate_series(1, 200) g;
insert into accounts_dep.smena_gds_use (id_smena, id_gds_use, f_qty_use) values (5, 7001, 1.25);
insert into accounts_dep.person_temp (id_smena, id_person) values (7, 11);
set session_replication_role = replica;
insert into accounts_dep.oper (id, vid, naimen, i_id, cena_new, cena)
values (12, 99, 1, 100, 1, 1);
insert into accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, kol_vo)
values (5001, '2019-03-04', 1, 101, 100, 77, 3, 10), (5002, '2019-03-05', 2, 102, 100, 78, 3, 20);
set session_replication_role = origin;
update accounts_dep.ver set d = 20250101, t = 3600;
)sql";

const QString fixtureFolder = source + "/tests/db/layouts";
const QString addFixture = "tests/db/add-layout-fixture";

// An earlier layout of db/: the journal's side of a database it made, dumped over the ERP side.
struct Layout {
    QString name; // NN_COMMIT, NN counting from the oldest
    QString file; // NN_COMMIT.sql
    QString demo; // NN_COMMIT.demo.sql.gz: with its demo plant; kept for the newest only
};

// The fixtures, newest first. They count 01, 02, ... without a gap, so one taken away is missed.
std::vector<Layout> earlierLayouts() {
    const QStringList files =
        QDir(fixtureFolder).entryList({"[0-9][0-9]_*.sql"}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        throw std::runtime_error(
            ("no earlier layouts of db/ in " + fixtureFolder + " (" + addFixture + " keeps one)")
                .toStdString());
    std::vector<Layout> layouts;
    for (int i = 0; i < files.size(); ++i) {
        const QString name = files[i].chopped(4);
        if (name.left(2).toInt() != i + 1)
            throw std::runtime_error(
                QString("the layout fixture %1_* is missing from %2 (found %3)")
                    .arg(i + 1, 2, 10, QChar('0'))
                    .arg(fixtureFolder, files[i])
                    .toStdString());
        layouts.insert(layouts.begin(), {name, fixtureFolder + "/" + files[i],
                                         fixtureFolder + "/" + name + ".demo.sql.gz"});
    }
    if (!QFile::exists(layouts.front().demo))
        throw std::runtime_error(("the demo plant of the newest layout, " + layouts.front().demo +
                                  ", is missing (" + addFixture + " makes it)")
                                     .toStdString());
    return layouts;
}

// A dump into the database, as psql loads one: one transaction, stopping at the first error.
void loadDump(const QString& file, const QString& database) {
    if (!file.endsWith(".gz")) {
        psql(database, {"-f", file});
        return;
    }
    QProcess gzip;
    gzip.start("gzip", {"-dc", file});
    if (!gzip.waitForFinished(60000) || gzip.exitStatus() != QProcess::NormalExit ||
        gzip.exitCode() != 0)
        throw std::runtime_error(("gzip -dc " + file + ": " + gzip.errorString() + " " +
                                  QString::fromUtf8(gzip.readAllStandardError()))
                                     .toStdString());
    psql(database, {"-f", "-"}, gzip.readAllStandardOutput());
}

int storedVersion(const QString& database) {
    if (query(database, "select to_regclass('accounts_dep.schema_version') is null") == "t")
        return 0;
    return query(database, "select coalesce(max(version), 0) from accounts_dep.schema_version")
        .toInt();
}

class DbUpgradeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fresh = newDatabase(prefix() + "fresh");
        const Outcome o = db("install", fresh, currentDb);
        ASSERT_EQ(o.code, 0) << o.err.toStdString();
        freshObjects = objectsOf(fresh);
        try {
            layouts = earlierLayouts();
        } catch (const std::exception& e) {
            missing = QString::fromUtf8(e.what());
        }
    }
    // A fixture missing fails every test, never skips one.
    void SetUp() override { ASSERT_TRUE(missing.isEmpty()) << missing.toStdString(); }
    static void TearDownTestSuite() {
        for (const QString& name : made)
            query("postgres", "drop database if exists \"" + name + "\" with (force)");
    }
    static QString prefix() { return QString("upg_%1_").arg(QCoreApplication::applicationPid()); }
    static QString made_(const QString& name) {
        made << name;
        return newDatabase(name);
    }

    // A database of the oldest layout, holding the plant's rows.
    static QString oldestWithPlantRows(const QString& suffix) {
        const QString name = made_(prefix() + suffix);
        loadDump(layouts.back().file, name);
        query(name, QString::fromUtf8(plantRows));
        return name;
    }

    // Each earlier layout of db/, newest first.
    static inline std::vector<Layout> layouts;
    static inline QString missing;
    static inline QString fresh;
    static inline QString freshObjects;
    static inline QStringList made;
};

TEST_F(DbUpgradeTest, AFreshInstallIsAtTheProgramsVersionAndASecondInstallIsRefused) {
    made << fresh;
    EXPECT_EQ(query(fresh, "select max(version) from accounts_dep.schema_version").toInt(),
              TABEL_SCHEMA_VERSION);
    const Outcome again = db("install", fresh, currentDb);
    EXPECT_NE(again.code, 0);
    EXPECT_TRUE(again.err.contains("upgrade --server")) << again.err.toStdString();
    EXPECT_EQ(difference(freshObjects, objectsOf(fresh)), "");
}

// The upgrade's own record, which it adds to.
Rows plantTables(const QString& database) {
    Rows columns = columnsOfEveryTable(database);
    columns.erase("accounts_dep.schema_version");
    return columns;
}

TEST_F(DbUpgradeTest, EveryEarlierLayoutIsBroughtToAFreshInstallKeepingEveryRow) {
    std::set<int> versions;
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name.toStdString());
        const QString name = made_(prefix() + layout.name);
        loadDump(layout.file, name);
        versions.insert(storedVersion(name));
        query(name, QString::fromUtf8(plantRows));
        const Rows columns = plantTables(name);
        const QString before = rowsOf(name, columns);

        const Outcome first = db("upgrade", name, currentDb);
        ASSERT_EQ(first.code, 0) << first.err.toStdString();
        EXPECT_EQ(difference(freshObjects, objectsOf(name)), "");
        EXPECT_EQ(rowsOf(name, columns), before);
        EXPECT_EQ(query(name, "select count(*) from accounts_dep.smena where id in (5001, 5002)"),
                  "2");
        EXPECT_EQ(storedVersion(name), TABEL_SCHEMA_VERSION);
        const QString versionRows = query(name, "table accounts_dep.schema_version");

        const Outcome second = db("upgrade", name, currentDb);
        ASSERT_EQ(second.code, 0) << second.err.toStdString();
        EXPECT_EQ(difference(freshObjects, objectsOf(name)), "");
        EXPECT_EQ(rowsOf(name, columns), before);
        EXPECT_EQ(query(name, "table accounts_dep.schema_version"), versionRows);
    }
    // A plant may run any version before this one: a change of db/ keeps the layout it replaces.
    for (int version = 1; version < TABEL_SCHEMA_VERSION; ++version)
        EXPECT_EQ(versions.count(version), 1u)
            << "no layout fixture at schema version " << version << " in "
            << fixtureFolder.toStdString() << " (" << addFixture.toStdString()
            << " COMMIT keeps the layout of db/ at COMMIT)";
}

// Two administrators upgrading at once: one waits for the other.
TEST_F(DbUpgradeTest, TwoUpgradesAtOnceEndAsOne) {
    const QString name = oldestWithPlantRows("twice");

    // From the old layout, then again and again on the journal as it now is (without the lock
    // they deadlock now and then).
    for (int round = 0; round < 8; ++round) {
        std::vector<std::unique_ptr<QProcess>> upgrades;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PGUSER", "postgres");
        env.insert("PGPASSWORD", testdb::adminPassword());
        for (int i = 0; i < 2; ++i) {
            upgrades.push_back(std::make_unique<QProcess>());
            upgrades.back()->setProcessEnvironment(env);
            upgrades.back()->start(currentDb,
                                   {"upgrade", "--server", testdb::socketFolder(), "--db", name});
        }
        QStringList said;
        for (auto& p : upgrades) {
            ASSERT_TRUE(p->waitForFinished(120000));
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
            said << QString::fromUtf8(p->readAllStandardOutput());
        }
        // The one that waited found the work done, and says so.
        const QString brought =
            QString("brought from schema version 0 to %1").arg(TABEL_SCHEMA_VERSION);
        const QString already =
            QString("was at schema version %1 already").arg(TABEL_SCHEMA_VERSION);
        SCOPED_TRACE(said.join("").toStdString());
        EXPECT_EQ(said.filter(brought).size(), round == 0 ? 1 : 0);
        EXPECT_EQ(said.filter(already).size(), round == 0 ? 1 : 2);
    }
    EXPECT_EQ(difference(freshObjects, objectsOf(name)), "");
    EXPECT_EQ(query(name, "select count(*) from accounts_dep.schema_version"), "1");
}

// What the command refuses, it refuses before it changes anything; an upgrade that fails
// halfway leaves the database as it was.
TEST_F(DbUpgradeTest, ARefusedOrFailedRunChangesNothing) {
    const QString old = oldestWithPlantRows("old");
    // A plant's own view over one the first step makes anew: that step cannot drop it.
    query(old, "create view public.plant_requisitions as select * from "
               "accounts_dep.v_mnf_requisition");
    const QString bare = made_(prefix() + "bare"); // the ERP, no journal
    const QString newer = made_(prefix() + "newer");
    ASSERT_EQ(db("install", newer, currentDb).code, 0);
    query(newer, QString("insert into accounts_dep.schema_version (version) values (%1)")
                     .arg(TABEL_SCHEMA_VERSION + 1));
    query("postgres", "create database \"" + prefix() + "noerp\"");
    made << prefix() + "noerp";

    struct Case {
        const char* action;
        QString database;
        const char* said;
    };
    const Case cases[] = {
        {"upgrade", old, "plant_requisitions"},
        {"upgrade", bare, "holds no journal; to set it up: scripts/db install"},
        {"upgrade", newer, "newer than these files"},
        {"install", prefix() + "noerp", "holds no ERP schemas"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.database.toStdString());
        const QString objectsBefore = query(c.database, QString::fromUtf8(objects));
        const Outcome o = db(c.action, c.database, currentDb);
        EXPECT_NE(o.code, 0);
        EXPECT_TRUE(o.err.contains(c.said)) << o.err.toStdString();
        EXPECT_EQ(difference(objectsBefore, query(c.database, QString::fromUtf8(objects))), "");
    }
    EXPECT_EQ(query(old, "select to_regclass('accounts_dep.schema_version') is null"), "t");
}

// A workstation in the middle of a write holds the journal: the upgrade waits the time it was
// given, then stops and changes nothing; once the workstation has committed, it goes through.
TEST_F(DbUpgradeTest, AWorkstationsOpenWriteStopsTheUpgradeWhichChangesNothing) {
    const QString name = oldestWithPlantRows("busy");
    data::Connection workstation;
    workstation.open(testdb::socketFolder(), name, "postgres", testdb::adminPassword());
    const QString objectsBefore = objectsOf(name);
    {
        data::Transaction write(workstation);
        workstation.exec("update accounts_dep.smena set kol_vo = kol_vo + 1 where id = 1");
        const Outcome o = run(currentDb, {"upgrade", "--server", testdb::socketFolder(), "--db",
                                          name, "--wait", "1"});
        EXPECT_NE(o.code, 0);
        EXPECT_TRUE(o.err.contains("a workstation held the journal's tables for 1 s"))
            << o.err.toStdString();
        write.commit();
    }
    EXPECT_EQ(difference(objectsBefore, objectsOf(name)), "");
    EXPECT_EQ(query(name, "select kol_vo from accounts_dep.smena where id = 1"), "2");

    const Outcome o = db("upgrade", name, currentDb);
    EXPECT_EQ(o.code, 0) << o.err.toStdString();
    EXPECT_EQ(difference(freshObjects, objectsOf(name)), "");
}

// The demo plant as the previous layout made it, upgraded: every row stays.
TEST_F(DbUpgradeTest, ThePreviousLayoutsDemoIsUpgradedWithEveryRow) {
    const Layout& previous = layouts.front();
    SCOPED_TRACE(previous.demo.toStdString());
    const QString name = made_(prefix() + "demo");
    loadDump(previous.demo, name);
    const Rows columns = plantTables(name);
    const QString before = rowsOf(name, columns);
    ASSERT_GT(query(name, "select count(*) from accounts_dep.smena").toInt(), 1000);

    const Outcome o = db("upgrade", name, currentDb);
    ASSERT_EQ(o.code, 0) << o.err.toStdString();
    EXPECT_EQ(difference(freshObjects, objectsOf(name)), "");
    EXPECT_EQ(rowsOf(name, columns), before);
}

} // namespace
