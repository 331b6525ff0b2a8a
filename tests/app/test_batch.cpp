// The summary reports and the export run from the command line on the demo plant: refused
// arguments, the same files the windows make, rights and the version gate, and files that
// appear whole or not at all.
#include "BatchCommand.h"
#include "TestDatabase.h"
#include "Xlsx.h"
#include "data/Connection.h"
#include "output/ReportOutput.h"
#include "output/Spreadsheet.h"
#include "reports/SummaryReports.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

const QDate today(2026, 12, 10); // the default period is the demo November

class BatchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QFile demo(TABEL_SOURCE_DIR "/db/demo.sql");
        ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
        testdb::exec(QString::fromUtf8(demo.readAll()));
        qputenv("PGPASSWORD", "master");
    }

    // Runs a batch command line; its exit code, and what it said in err.
    int run(QStringList args, const QString& user = QStringLiteral("master")) {
        args.prepend(QStringLiteral("tabel"));
        args << QStringLiteral("--server") << testdb::socketFolder() << QStringLiteral("--db")
             << testdb::databaseName() << QStringLiteral("--user") << user;
        said.clear();
        QTextStream err(&said);
        const int code = app::runBatchCommand(args, err, [] { return today; });
        err.flush();
        return code;
    }
    QString file(const char* name) const { return folder.filePath(QLatin1String(name)); }
    // The folder holds nothing but what a run completed: no temporary file stays behind.
    QStringList leftInFolder() const {
        return QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir folder;
    QString said;
};

QString pdfText(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST_F(BatchTest, BadArgumentsAreRefusedWithoutWritingAnything) {
    struct Case {
        QStringList args;
        QString said;
    };
    const QString pdf = file("r.pdf"), xlsx = file("e.xlsx");
    const QString usage = QStringLiteral("usage: tabel report");
    const Case cases[] = {
        {{"report", "16", "--from", "30.02.2025", "--pdf", pdf}, "Неверная дата: 30.02.2025"},
        {{"report", "16", "--to", "2025-13-01", "--pdf", pdf}, "Неверная дата: 2025-13-01"},
        {{"export", "--from", "1.2.2025", "--xlsx", xlsx}, "Неверная дата: 1.2.2025"},
        {{"report", "18", "--pdf", pdf}, "Неизвестный отчет: 18"},
        {{"report", "шестнадцать", "--pdf", pdf}, "Неизвестный отчет: шестнадцать"},
        {{"report", "16", "--kind", "2", "--pdf", pdf}, "Неверный вид продукции: 2"},
        {{"export", "--kind", "-1", "--xlsx", xlsx}, "Неверный вид продукции: -1"},
        {{"report", "16", "--bogus", "x", "--pdf", pdf}, usage},
        {{"report", "16"}, usage},
        {{"report", "--pdf", pdf}, usage},
        {{"export", "--pdf", pdf}, usage},
        {{"export", "--xlsx"}, usage},
        {{"report", "16", "17", "--pdf", pdf}, usage},
        {{"report", "16", "--from", "10.11.2026", "--to", "01.11.2026", "--pdf", pdf},
         "Конец периода (по 01.11.2026) раньше его начала (с 10.11.2026)"},
        {{"export", "--from", "02.11.2026", "--to", "01.11.2026", "--xlsx", xlsx},
         "Конец периода (по 01.11.2026) раньше его начала (с 02.11.2026)"},
        {{"history", "--from", "01.12.2026", "--xlsx", xlsx}, // after the default end
         "Конец периода (по 30.11.2026) раньше его начала (с 01.12.2026)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(run(c.args), app::BatchBadArguments);
        EXPECT_TRUE(said.startsWith(c.said)) << said.toStdString();
        EXPECT_TRUE(leftInFolder().isEmpty());
    }
}

TEST_F(BatchTest, AReportAndTheExportAreTheFilesTheWindowsMake) {
    const reports::ReportPeriod november{QDate(2026, 11, 1), QDate(2026, 11, 30), -1};
    data::Connection db;
    testdb::openAs(db, "master", "master");
    for (int number : {16, 17, 20, 21, 25}) {
        SCOPED_TRACE(number);
        const QString pdf = file("report.pdf"), reference = file("window.pdf");
        ASSERT_EQ(run({"report", QString::number(number), "--pdf", pdf}), app::BatchDone)
            << said.toStdString();
        ASSERT_NO_THROW(output::writePdf(reports::prepareSummary(db, number, november), reference));
        const QString text = pdfText(pdf);
        EXPECT_TRUE(text.contains(QStringLiteral("01.11.2026 по 30.11.2026"))) << "the title";
        EXPECT_EQ(text, pdfText(reference));
        QFile::remove(reference);
    }

    // The export, also of one kind, against the dialog's way: a workbook shown to the user.
    xlsx::ThrowAwayHome home;
    output::Spreadsheet::setDefaultOpener([](const QString&) { return true; });
    for (const QString kind : {"", "1"}) {
        SCOPED_TRACE(kind.toStdString());
        QStringList args{"export",     "--from", "01.11.2026",       "--to",
                         "30.11.2026", "--xlsx", file("export.xlsx")};
        if (!kind.isEmpty())
            args << "--kind" << kind;
        ASSERT_EQ(run(args), app::BatchDone) << said.toStdString();
        output::Spreadsheet shown;
        ASSERT_EQ(shown.open(QString()), 1);
        reports::exportSummary(db, {november.from, november.to, kind.isEmpty() ? -1 : 1}, shown,
                               {});
        ASSERT_EQ(shown.show(true), 1);
        const xlsx::Xlsx batch(file("export.xlsx")), window(shown.lastFile());
        EXPECT_EQ(batch.at(1, 1), window.at(1, 1));
        EXPECT_GT(batch.cells.size(), 10);
        EXPECT_EQ(batch.cells, window.cells);
        for (auto it = batch.cells.begin(); !kind.isEmpty() && it != batch.cells.end(); ++it) {
            if (it.key().startsWith('C') && it.key() != "C1") {
                EXPECT_EQ(it.value(), QStringLiteral("s:Заготовки")) << it.key().toStdString();
            }
        }
    }
    EXPECT_EQ(leftInFolder(), QStringList({"export.xlsx", "report.pdf"}));
}

TEST_F(BatchTest, ALoginWithoutReportsAndANewerDatabaseAreRefusedAndNothingIsWritten) {
    const QString pdf = file("r.pdf");
    EXPECT_EQ(run({"report", "16", "--pdf", pdf}, "operator1"), app::BatchFailed);
    EXPECT_TRUE(said.contains("operator1")) << said.toStdString();

    const auto stamp = [] {
        return testdb::exec("select d || '/' || t from accounts_dep.ver").toString();
    };
    // The newest stamp the server takes: its own tomorrow, after this build's day.
    testdb::exec("delete from accounts_dep.ver; insert into accounts_dep.ver values "
                 "(to_char(current_date + 1, 'YYYYMMDD')::int, 0)");
    EXPECT_EQ(run({"report", "16", "--pdf", pdf}), app::BatchFailed);
    EXPECT_EQ(
        said.trimmed(),
        QStringLiteral("Версия программы не соответсвует БД! Запустите программу через 5 мин."));
    // An older stamp is not raised: a batch run writes nothing to the database.
    testdb::exec("delete from accounts_dep.ver; insert into accounts_dep.ver values (20000101, 0)");
    EXPECT_EQ(run({"report", "16", "--pdf", pdf}), app::BatchDone) << said.toStdString();
    EXPECT_EQ(stamp(), "20000101/0");
    QFile::remove(pdf);
    EXPECT_TRUE(leftInFolder().isEmpty());
}

TEST_F(BatchTest, ADatabaseOfAnOlderSchemaIsNamedWithItsUpgradeCommand) {
    const QString pdf = file("r.pdf");
    testdb::exec("alter table accounts_dep.schema_version rename to schema_version_moved");
    EXPECT_EQ(run({"report", "16", "--pdf", pdf}), app::BatchFailed);
    testdb::exec("alter table accounts_dep.schema_version_moved rename to schema_version");
    EXPECT_TRUE(said.contains(QString("tabel-db upgrade --server %1 --db %2")
                                  .arg(testdb::socketFolder(), testdb::databaseName())))
        << said.toStdString();
    EXPECT_TRUE(leftInFolder().isEmpty());
}

// A plant's own logins: the reports follow the login's group, and a login in no group is
// refused. Roles belong to the whole cluster, so their names are this program's own.
TEST_F(BatchTest, APlantsLoginHasTheReportsOfItsGroup) {
    testdb::exec(R"(do $$
        declare r record;
        begin
            for r in select * from (values ('plant_batch_operator', 'tabel_operator'),
                                           ('plant_batch_reader', 'tabel_reader'),
                                           ('plant_batch_nobody', null)) v(name, grp)
            loop
                if not exists (select from pg_roles where rolname = r.name) then
                    execute format('create role %I login password %L', r.name, 'master');
                    if r.grp is not null then
                        execute format('grant %I to %I', r.grp, r.name);
                    end if;
                end if;
            end loop;
        end $$)");
    struct Case {
        const char* login;
        QStringList args;
        int exit;
        QString said;
    };
    const QString pdf = file("r.pdf"), xlsx = file("e.xlsx");
    const QString noGroup = QStringLiteral(
        "Логин «plant_batch_nobody» не входит ни в одну группу программы (tabel_user, "
        "tabel_operator, tabel_reader): обратитесь к администратору БД.\n");
    const Case cases[] = {
        {"plant_batch_operator",
         {"report", "16", "--pdf", pdf},
         app::BatchFailed,
         "Пользователю plant_batch_operator отчеты недоступны\n"},
        {"plant_batch_operator",
         {"export", "--xlsx", xlsx},
         app::BatchFailed,
         "Пользователю plant_batch_operator отчеты недоступны\n"},
        {"plant_batch_nobody", {"report", "16", "--pdf", pdf}, app::BatchFailed, noGroup},
        {"plant_batch_nobody", {"export", "--xlsx", xlsx}, app::BatchFailed, noGroup},
        {"plant_batch_reader", {"report", "16", "--pdf", pdf}, app::BatchDone, ""},
        {"plant_batch_reader", {"export", "--xlsx", xlsx}, app::BatchDone, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.login + (" " + c.args.join(' ').toStdString()));
        EXPECT_EQ(run(c.args, c.login), c.exit) << said.toStdString();
        EXPECT_EQ(said, c.said);
        const QString out = c.args.last();
        EXPECT_EQ(QFile::exists(out), c.exit == app::BatchDone);
        QFile::remove(out);
    }
    EXPECT_TRUE(leftInFolder().isEmpty());
}

TEST_F(BatchTest, AFailedRunLeavesNoFileAndAnExistingOneAsItWas) {
    const QString pdf = file("kept.pdf");
    {
        QFile old(pdf);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    QStringList args{"report", "16", "--pdf", pdf};
    args.prepend("tabel");
    args << "--server" << testdb::socketFolder() << "--db"
         << "no_such_database"
         << "--user"
         << "master";
    QString err;
    QTextStream stream(&err);
    EXPECT_EQ(app::runBatchCommand(args, stream, [] { return today; }), app::BatchFailed);
    stream.flush();
    EXPECT_TRUE(err.contains("no_such_database")) << err.toStdString();
    QFile kept(pdf);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "old");
    EXPECT_EQ(leftInFolder(), QStringList{"kept.pdf"});

    for (const QStringList& a : {QStringList{"report", "16", "--pdf", "/nonexistent-folder/r.pdf"},
                                 QStringList{"export", "--xlsx", "/nonexistent-folder/e.xlsx"}}) {
        SCOPED_TRACE(a.join(' ').toStdString());
        EXPECT_EQ(run(a), app::BatchFailed);
        EXPECT_TRUE(said.contains("/nonexistent-folder/")) << said.toStdString();
    }
}

// The program itself, with no display at all.
TEST_F(BatchTest, TheProgramRunsABatchWithoutADisplay) {
    QProcess tabel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    env.insert("PGPASSWORD", "master");
    tabel.setProcessEnvironment(env);
    const QString xlsx = file("e.xlsx");
    tabel.start(TABEL_BINARY,
                {"export", "--user", "master", "--xlsx", xlsx, "--from", "01.11.2026", "--db",
                 testdb::databaseName(), "--to", "30.11.2026", "--server", testdb::socketFolder()});
    ASSERT_TRUE(tabel.waitForFinished(60000));
    EXPECT_EQ(tabel.exitCode(), 0) << tabel.readAllStandardError().toStdString();
    EXPECT_EQ(xlsx::Xlsx(xlsx).at(1, 1), "s:Наименование");

    tabel.start(TABEL_BINARY, {"report", "19", "--pdf", file("r.pdf"), "--user", "master"});
    ASSERT_TRUE(tabel.waitForFinished(60000));
    EXPECT_EQ(tabel.exitCode(), 2);
    const QString said = QString::fromUtf8(tabel.readAllStandardError());
    EXPECT_EQ(said, QStringLiteral("Неизвестный отчет: 19\n")) << "nothing but the message";
}

} // namespace

namespace {

// The history of a period as a workbook, under the rights of the reports: one worker's
// changes of today, with who made them and what they changed.
TEST_F(BatchTest, TheHistoryOfAPeriodIsAWorkbookUnderTheRightsOfTheReports) {
    const int position =
        testdb::exec("select min(id) from accounts_dep.smena where ok not in ('ok', 'да')").toInt();
    const int worker =
        testdb::exec(QString("select w_id from accounts_dep.smena where id = %1").arg(position))
            .toInt();
    const QString before =
        testdb::exec(QString("select kol_vo from accounts_dep.smena where id = %1").arg(position))
            .toString();
    data::Connection master;
    testdb::openAs(master, "master", "master");
    master.exec(QString("update accounts_dep.smena set kol_vo = 1234.5 where id = %1")
                    .arg(position)
                    .toUtf8());
    const QString day = testdb::exec("select to_char(current_date, 'DD.MM.YYYY')").toString();
    const QString yesterday =
        testdb::exec("select to_char(current_date - 1, 'DD.MM.YYYY')").toString();
    const QString xlsxFile = file("history.xlsx");

    EXPECT_EQ(run({"history", "--from", day, "--to", day, "--xlsx", xlsxFile}, "operator1"),
              app::BatchFailed);
    EXPECT_FALSE(QFile::exists(xlsxFile));
    EXPECT_EQ(run({"history", "--from", day, "--to", day, "--worker", "x", "--xlsx", xlsxFile}),
              app::BatchBadArguments);

    ASSERT_EQ(run({"history", "--from", day, "--to", day, "--worker", QString::number(worker),
                   "--xlsx", xlsxFile}),
              app::BatchDone)
        << said.toStdString();
    const xlsx::Xlsx book(xlsxFile);
    EXPECT_EQ(book.at(1, 1), "s:Когда @ b");
    EXPECT_EQ(book.at(8, 1), "s:Изменения @ b");
    // newest first: the change just made; the demo's own rows of this worker follow
    EXPECT_EQ(book.at(2, 2), "s:master @");
    EXPECT_EQ(book.at(3, 2), "s:Изменена @");
    EXPECT_EQ(book.at(4, 2), QString("n:%1").arg(position));
    EXPECT_EQ(book.at(8, 2),
              QString("s:Кол-во: %1 → 1234,5 @").arg(QString(before).replace('.', ',')));
    for (int row = 2; !book.at(1, row).isEmpty(); ++row)
        EXPECT_EQ(testdb::exec(QString("select count(*) from accounts_dep.smena_log where "
                                       "id_smena = %1 and w_id = %2")
                                   .arg(book.at(4, row).mid(2))
                                   .arg(worker))
                          .toInt() > 0,
                  true)
            << row;
    QFile::remove(xlsxFile);

    // --to takes its own day in: from and to today lists today's changes, yesterday none
    ASSERT_EQ(run({"history", "--from", day, "--to", day, "--xlsx", xlsxFile}), app::BatchDone);
    EXPECT_EQ(xlsx::Xlsx(xlsxFile).at(2, 2), "s:master @");
    QFile::remove(xlsxFile);
    ASSERT_EQ(run({"history", "--from", yesterday, "--to", yesterday, "--xlsx", xlsxFile}),
              app::BatchDone);
    EXPECT_EQ(xlsx::Xlsx(xlsxFile).at(1, 2), "");
    QFile::remove(xlsxFile);
}

} // namespace

namespace {

// A payroll job closes and reopens a month under the server's rights; status lists the closed
// months on stdout.
TEST_F(BatchTest, AMonthIsClosedAndReopenedByTheClosersOnly) {
    const QStringList close = {"month", "close", "--month", "11.2026"};
    qputenv("PGPASSWORD", "operator4");
    EXPECT_EQ(run(close, "operator4"), app::BatchFailed);
    EXPECT_TRUE(said.contains("permission denied")) << said.toStdString();
    qputenv("PGPASSWORD", "master");
    EXPECT_EQ(run({"month", "close", "--month", "13.2026"}), app::BatchBadArguments);
    EXPECT_EQ(said, "Неверный месяц: 13.2026 (ожидается ММ.ГГГГ)\n");
    EXPECT_EQ(run({"month", "status", "--month", "11.2026"}), app::BatchBadArguments);
    EXPECT_EQ(run(close), app::BatchDone) << said.toStdString();
    EXPECT_EQ(run(close), app::BatchFailed);
    EXPECT_TRUE(said.contains("Месяц 11.2026 уже закрыт")) << said.toStdString();

    QProcess tabel;
    tabel.start(TABEL_BINARY, {"month", "status", "--user", "master", "--db",
                               testdb::databaseName(), "--server", testdb::socketFolder()});
    ASSERT_TRUE(tabel.waitForFinished(60000));
    EXPECT_EQ(tabel.exitCode(), 0) << tabel.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(tabel.readAllStandardOutput()),
              "11.2026\tМесяц закрыт " + QDate::currentDate().toString("dd.MM.yyyy") +
                  ", master\n");

    EXPECT_EQ(run({"month", "reopen", "--month", "11.2026"}), app::BatchDone) << said.toStdString();
    EXPECT_EQ(testdb::exec("select count(*) from accounts_dep.closed_month").toInt(), 0);
}

} // namespace
