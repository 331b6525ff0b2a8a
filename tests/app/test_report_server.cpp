// Reports, prints and exports read from a real streaming standby of the test cluster: the
// same pages as the primary's once a change has replayed, never a write sent to it, the
// primary with one notice naming why when the standby is down, promoted or another plant's
// server, and the age of its data when it lags.
#include "BatchCommand.h"
#include "ModalDriver.h"
#include "PreparedModule.h"
#include "PrivateCluster.h"
#include "ReportServerSetting.h"
#include "Standby.h"
#include "WindowTest.h"
#include "Xlsx.h"
#include "output/ReportOutput.h"
#include "output/Spreadsheet.h"
#include "reports/ReportsDialog.h"
#include "reports/SummaryReports.h"
#include "timesheet/TimesheetWindow.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <memory>

namespace {

const reports::ReportPeriod november{QDate(2026, 11, 1), QDate(2026, 12, 1), -1};

QString pdfText(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A new position of the demo's November, worth `kol_vo` pieces.
QString positionSql(int kolVo) {
    return QStringLiteral(
               "insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo)"
               " select '2026-11-20', 1, w_id, i_id, o_id, cena, %1"
               " from accounts_dep.smena where data = '2026-11-10' limit 1")
        .arg(kolVo);
}

class ReportServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QFile demo(TABEL_SOURCE_DIR "/db/demo.sql");
        ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
        testdb::exec(QString::fromUtf8(demo.readAll()));
        qputenv("PGPASSWORD", "master");
        standby = std::make_unique<testdb::Standby>();
        // Another plant's server: a database of the same name, the same logins and passwords,
        // figures of its own. Nothing but this program writes to it, so its standby, paused
        // as soon as it has started, replays nothing (autovacuum would commit its analyses).
        otherPlant = std::make_unique<testdb::PrivateCluster>(testdb::databaseName());
        otherPlant->exec(positionSql(888888));
        otherPlant->exec(QStringLiteral("alter system set autovacuum = off"));
        otherPlant->exec(QStringLiteral("select pg_reload_conf()"));
        otherPlantsStandby = std::make_unique<testdb::Standby>(*otherPlant);
        otherPlantsStandby->exec(QStringLiteral("select pg_wal_replay_pause()"));
    }
    static void TearDownTestSuite() {
        otherPlantsStandby.reset();
        otherPlant.reset();
        standby.reset();
    }

    void SetUp() override {
        testdb::logIn(dm, QStringLiteral("master"));
        dm.reports.setServer({standby->socketFolder(), {}});
    }

    // A new position of the demo's November on the primary, worth `kol_vo` pieces.
    static void addPosition(int kolVo) { testdb::exec(positionSql(kolVo)); }

    static bool inRecovery(data::Connection& c) {
        data::ResultSet r(c);
        r.setSql(QStringLiteral("select pg_is_in_recovery() as r"));
        r.open();
        return r.asInt64(QStringLiteral("r")) == 1;
    }

    // The batch command line against the test cluster (or another primary) and the standby
    // (or another report server); its exit code and what it said.
    int runBatch(QStringList args, QString reportServer = {}, QString primary = {}) {
        args.prepend(QStringLiteral("tabel"));
        args << QStringLiteral("--server") << (primary.isEmpty() ? testdb::socketFolder() : primary)
             << QStringLiteral("--db") << testdb::databaseName() << QStringLiteral("--user")
             << QStringLiteral("master") << QStringLiteral("--report-server")
             << (reportServer.isEmpty() ? standby->socketFolder() : reportServer);
        said.clear();
        QTextStream err(&said);
        const int code = app::runBatchCommand(args, err, [] { return QDate(2026, 12, 10); });
        err.flush();
        return code;
    }

    static inline std::unique_ptr<testdb::Standby> standby;
    static inline std::unique_ptr<testdb::PrivateCluster> otherPlant;
    static inline std::unique_ptr<testdb::Standby> otherPlantsStandby;
    ui::MessageRecorder messages;
    testdb::PreparedModule dm;
    QString said;
};

TEST_F(ReportServerTest, AReportFromTheStandbyEqualsThePrimarysOnceTheChangeHasReplayed) {
    addPosition(777);
    standby->waitForReplay();
    const data::ReportSource::Ready ready = dm.reports.ready();
    ASSERT_EQ(&ready.connection, &dm.reports.reportConnection());
    EXPECT_TRUE(inRecovery(ready.connection));
    EXPECT_FALSE(ready.fallbackNotice);
    EXPECT_FALSE(ready.lag);
    for (const reports::SummaryReport& r : reports::summaryReports()) {
        SCOPED_TRACE(r.number);
        const QStringList fromStandby =
            reports::prepareSummary(ready.connection, r.number, november).texts();
        EXPECT_EQ(fromStandby, reports::prepareSummary(dm.connection, r.number, november).texts());
        EXPECT_GT(fromStandby.size(), 10);
    }
    // The new position is in the standby's report: the worker report sums it.
    const QStringList before = reports::prepareSummary(ready.connection, 16, november).texts();
    addPosition(1);
    standby->waitForReplay();
    EXPECT_NE(reports::prepareSummary(ready.connection, 16, november).texts(), before);
    // Kept: the second report used the same session.
    EXPECT_EQ(&dm.reports.ready().connection, &ready.connection);
}

// Every reader that reads from the report server, driven through its window; the standby
// would refuse a write, but the program must not even send one.
TEST_F(ReportServerTest, TheReportConnectionCarriesOnlyReads) {
    QStringList sent;
    dm.reports.reportConnection().setObserver(
        [&sent](const QByteArray& sql, const std::vector<std::optional<QByteArray>>&,
                data::Connection::Plan) { sent << QString::fromUtf8(sql).simplified(); });
    xlsx::ThrowAwayHome home;
    output::Spreadsheet::setDefaultOpener([](const QString&) { return true; });

    reports::ReportsDialog dialog(dm);
    dialog.findChild<QDateEdit*>("DTPicker1")->setDate(november.from);
    dialog.findChild<QDateEdit*>("DTPicker2")->setDate(november.to);
    for (const reports::SummaryReport& r : reports::summaryReports()) {
        whenModalOpens([](QWidget* preview) { preview->close(); });
        QTest::mouseClick(dialog.findChild<QPushButton*>(r.button), Qt::LeftButton);
    }
    QTest::mouseClick(dialog.findChild<QPushButton*>("Button6"), Qt::LeftButton);
    const int fromDialog = int(sent.size());

    timesheet::TimesheetWindow timesheet(dm);
    timesheet.findChild<QComboBox*>(timesheet::TimesheetWindow::Names::year)
        ->setCurrentText("2026");
    timesheet.findChild<QComboBox*>(timesheet::TimesheetWindow::Names::month)->setCurrentIndex(10);
    whenModalOpens([](QWidget* preview) { preview->close(); });
    QTest::mouseClick(timesheet.findChild<QPushButton*>(timesheet::TimesheetWindow::Names::print),
                      Qt::LeftButton);
    QTest::mouseClick(
        timesheet.findChild<QPushButton*>(timesheet::TimesheetWindow::Names::spreadsheet),
        Qt::LeftButton);
    timesheet::TimesheetPrint onPrimary(dm.connection);
    onPrimary.openMonth(11, 2026);
    ASSERT_GT(onPrimary.monthRows.rowCount(), 0);
    EXPECT_EQ(
        timesheet.findChild<QPushButton*>(timesheet::TimesheetWindow::Names::spreadsheet)->text(),
        QStringLiteral("Excel (%1 из %1)").arg(onPrimary.monthRows.rowCount()));

    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
    // A report per button, the export, the print and the timesheet's export, each with the probe.
    EXPECT_GE(fromDialog, int(reports::summaryReports().size()) + 1);
    EXPECT_GT(sent.size(), fromDialog + 1) << "the timesheet read elsewhere";
    // A report's read runs in a transaction of its own (for its sort memory).
    static const QRegularExpression read(QStringLiteral("^(select|with|begin|commit|rollback)\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression write(
        QStringLiteral("\\b(insert|update|delete|merge|truncate|create|drop|alter|call|"
                       "nextval|setval|for update|for share)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    for (const QString& sql : sent) {
        EXPECT_TRUE(read.match(sql).hasMatch()) << sql.toStdString();
        EXPECT_FALSE(write.match(sql).hasMatch()) << sql.toStdString();
    }
}

TEST_F(ReportServerTest, AStoppedStandbyLeavesTheReportsOnThePrimaryWithOneNotice) {
    ASSERT_EQ(&dm.reports.ready().connection, &dm.reports.reportConnection());
    standby->stop();
    struct Restart {
        ~Restart() { standby->start(); }
    } restart;

    reports::ReportsDialog dialog(dm);
    dialog.findChild<QDateEdit*>("DTPicker1")->setDate(november.from);
    dialog.findChild<QDateEdit*>("DTPicker2")->setDate(november.to);
    QStringList previewed;
    for (int time = 0; time < 2; ++time) {
        whenModalOpens([&](QWidget* preview) {
            previewed << preview->windowTitle();
            preview->close();
        });
        QTest::mouseClick(dialog.findChild<QPushButton*>("Button4"), Qt::LeftButton);
    }
    EXPECT_EQ(previewed.size(), 2) << "the reports went on";
    EXPECT_EQ(messages.texts(), QStringList({data::ReportSource::fallbackText()}));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].icon, ui::Messages::Icon::Warning);
    const data::ReportSource::Ready ready = dm.reports.ready();
    EXPECT_EQ(&ready.connection, &dm.connection);
    EXPECT_FALSE(ready.fallbackNotice) << "told once";

    // The batch says it on stderr and writes the primary's report.
    QTemporaryDir folder;
    const QString pdf = folder.filePath("r.pdf");
    ASSERT_EQ(runBatch({"report", "16", "--pdf", pdf}), app::BatchDone) << said.toStdString();
    EXPECT_EQ(said, data::ReportSource::fallbackText() + '\n');
    EXPECT_TRUE(QFile::exists(pdf));
}

// The batch reads from the standby, not the primary: a position the standby has not replayed
// yet is missing from its export, and comes in once replayed.
TEST_F(ReportServerTest, TheBatchReadsTheStandbySilently) {
    QTemporaryDir folder;
    const QString file = folder.filePath("e.xlsx");
    auto exported = [&] {
        EXPECT_EQ(
            runBatch({"export", "--from", "01.11.2026", "--to", "01.12.2026", "--xlsx", file}),
            app::BatchDone)
            << said.toStdString();
        EXPECT_EQ(said, "");
        return xlsx::Xlsx(file).cells.values();
    };
    const QStringList before = exported();
    EXPECT_GT(before.size(), 10);
    standby->exec("select pg_wal_replay_pause()");
    {
        struct Resume {
            ~Resume() { standby->exec("select pg_wal_replay_resume()"); }
        } resume;
        addPosition(4321);
        EXPECT_EQ(exported(), before);
    }
    standby->waitForReplay();
    EXPECT_NE(exported(), before);
}

// A paused replay while the primary commits: the dialog says how old the standby's data are
// once they are more than a minute old, and forgets it when replay catches up.
TEST_F(ReportServerTest, AReplayBehindByMoreThanAMinuteIsShownInTheDialog) {
    reports::ReportsDialog dialog(dm);
    auto* lag = dialog.findChild<QLabel*>(reports::ReportsDialog::Names::lag);
    ASSERT_NE(lag, nullptr);
    auto openDialog = [&] {
        QString shown;
        whenModalOpens([&](QWidget* w) {
            shown = lag->isVisible() ? lag->text() : QString();
            w->close();
        });
        dialog.openFrom(QDate(2026, 12, 10));
        return shown;
    };
    EXPECT_EQ(openDialog(), "");

    standby->exec("select pg_wal_replay_pause()");
    struct Resume {
        ~Resume() { standby->exec("select pg_wal_replay_resume()"); }
    } resume;
    addPosition(5);
    const QString replayedAt =
        standby->exec("select to_char(pg_last_xact_replay_timestamp(), 'DD.MM.YYYY HH24:MI')")
            .toString();
    EXPECT_EQ(openDialog(), "") << "not yet a minute";
    QThread::sleep(62);
    const QString shown = openDialog();
    EXPECT_TRUE(shown.startsWith("Данные сервера отчетов отстают на 1 мин")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("последнее изменение от " + replayedAt + "."))
        << shown.toStdString();
    EXPECT_FALSE(dm.reports.ready().fallbackNotice);

    standby->exec("select pg_wal_replay_resume()");
    standby->waitForReplay();
    EXPECT_EQ(openDialog(), "");
    EXPECT_TRUE(messages.texts().isEmpty()) << messages.texts().join('\n').toStdString();
}

// A server that answers with the same database and login, but is not a standby of the
// primary, holds figures of its own: the reports read the primary's and say why.
TEST_F(ReportServerTest, AServerThatIsNotAStandbyOfThePrimaryLeavesTheReportsOnThePrimary) {
    testdb::Standby promoted;
    promoted.promote();
    promoted.exec(positionSql(777777));
    using Refusal = data::ReportSource::Refusal;
    struct Case {
        const char* name;
        QString server;
        Refusal why;
    };
    const Case cases[] = {
        {"a promoted standby that took a write", promoted.socketFolder(), Refusal::NotInRecovery},
        {"another plant's server", otherPlant->socketFolder(), Refusal::OtherCluster},
    };
    QTemporaryDir folder;
    const QString reference = folder.filePath("primary.pdf");
    const output::PreparedReport fromPrimary = reports::prepareSummary(dm.connection, 16, november);
    ASSERT_NO_THROW(output::writePdf(fromPrimary, reference));
    QStringList told;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        data::Connection wrong;
        wrong.open(c.server, testdb::databaseName(), QStringLiteral("master"),
                   QStringLiteral("master"));
        ASSERT_NE(reports::prepareSummary(wrong, 16, november).texts(), fromPrimary.texts())
            << "it answers with figures of its own";

        const QString pdf = folder.filePath("r.pdf");
        ASSERT_EQ(
            runBatch({"report", "16", "--from", "01.11.2026", "--to", "01.12.2026", "--pdf", pdf},
                     c.server),
            app::BatchDone)
            << said.toStdString();
        EXPECT_EQ(said, data::ReportSource::fallbackText(c.why) + '\n');
        EXPECT_EQ(pdfText(pdf), pdfText(reference));

        // The dialog tells it once, and its reports read the primary.
        dm.reports.setServer({c.server, {}});
        reports::ReportsDialog dialog(dm);
        dialog.findChild<QDateEdit*>("DTPicker1")->setDate(november.from);
        dialog.findChild<QDateEdit*>("DTPicker2")->setDate(november.to);
        for (int time = 0; time < 2; ++time) {
            whenModalOpens([](QWidget* preview) { preview->close(); });
            QTest::mouseClick(dialog.findChild<QPushButton*>("Button4"), Qt::LeftButton);
        }
        told << data::ReportSource::fallbackText(c.why);
        EXPECT_EQ(messages.texts(), told);
        EXPECT_EQ(&dm.reports.ready().connection, &dm.connection);
    }
}

// A standby that has replayed nothing since it started has no replay time, yet the changes it
// has received and not replayed make it behind all the same: its data hold nothing newer than
// its base backup's checkpoint.
TEST_F(ReportServerTest, AStandbyThatHasReplayedNothingYetShowsItsLag) {
    testdb::Standby& fresh = *otherPlantsStandby;
    otherPlant->exec(positionSql(5));
    fresh.waitForReceipt();
    ASSERT_TRUE(fresh
                    .exec("select pg_last_xact_replay_timestamp() is null and "
                          "pg_last_wal_receive_lsn() > pg_last_wal_replay_lsn()")
                    .toBool());
    // Run after the minute of the test above, this waits no more.
    const int age = fresh
                        .exec("select extract(epoch from now() - checkpoint_time)::int from "
                              "pg_control_checkpoint()")
                        .toInt();
    if (age < 62)
        QThread::sleep(62 - age);
    const QString checkpoint =
        fresh
            .exec("select to_char(checkpoint_time, 'DD.MM.YYYY HH24:MI') from "
                  "pg_control_checkpoint()")
            .toString();

    // The batch says it on stderr, as it does a lag with a replay time.
    QTemporaryDir folder;
    ASSERT_EQ(runBatch({"report", "16", "--from", "01.11.2026", "--to", "01.12.2026", "--pdf",
                        folder.filePath("r.pdf")},
                       fresh.socketFolder(), otherPlant->socketFolder()),
              app::BatchDone)
        << said.toStdString();
    EXPECT_TRUE(QRegularExpression("^Данные сервера отчетов отстают на \\d+ мин: в них нет "
                                   "изменений после " +
                                   QRegularExpression::escape(checkpoint) + "\\.\n$")
                    .match(said)
                    .hasMatch())
        << said.toStdString();

    // The reports read the standby, whose data are as of its checkpoint.
    data::Connection primary;
    primary.open(otherPlant->socketFolder(), testdb::databaseName(), QStringLiteral("master"),
                 QStringLiteral("master"));
    const QString login = QStringLiteral("master");
    data::ReportSource source(primary, login, login);
    source.setServer({fresh.socketFolder(), {}});
    const data::ReportSource::Ready ready = source.ready();
    EXPECT_EQ(&ready.connection, &source.reportConnection());
    EXPECT_FALSE(ready.fallbackNotice);
    ASSERT_TRUE(ready.lag);
    EXPECT_GE(ready.lag->seconds, 62);
    EXPECT_FALSE(ready.lag->lastChangeKnown);
    EXPECT_EQ(ready.lag->lastChange, checkpoint);
}

TEST(ReportServerSetting, TheCommandLineNamesItElseTheSettingsFile) {
    xlsx::ThrowAwayHome home; // a settings folder of the test's own
    QFile file(app::reportSettingsPath());
    QDir().mkpath(QFileInfo(file).absolutePath());
    struct Case {
        const char* name;
        QStringList arguments;
        QByteArray settings; // empty: no file
        QString server, database;
        QStringList left;
    };
    const Case cases[] = {
        {"none", {"tabel", "/srv", "db"}, {}, {}, {}, {"tabel", "/srv", "db"}},
        {"option",
         {"tabel", "--report-server", "standby", "/srv", "--report-db", "r", "db"},
         "other\n",
         "standby",
         "r",
         {"tabel", "/srv", "db"}},
        {"file",
         {"tabel", "/srv", "db"},
         "/var/run/standby\r\nrdb\r\n",
         "/var/run/standby",
         "rdb",
         {"tabel", "/srv", "db"}},
        {"file without a database", {"tabel"}, "standby\n", "standby", "", {"tabel"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(file.fileName());
        if (!c.settings.isEmpty()) {
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.settings);
            file.close();
        }
        QStringList arguments = c.arguments;
        const data::ReportServer s = app::takeReportServer(arguments);
        EXPECT_EQ(s.server, c.server);
        EXPECT_EQ(s.database, c.database);
        EXPECT_EQ(arguments, c.left);
    }
}

} // namespace
