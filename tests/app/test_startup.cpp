// What happens before anybody logs in: the build stamp, the style file, the version gate.
#include "BuildStamp.h"
#include "JournalPlaceFile.h"
#include "PreparedModule.h"
#include "StyleFile.h"
#include "TestDatabase.h"
#include "VersionGate.h"
#include "data/Defaults.h"
#include "data/Error.h"
#include "state/DataModule.h"
#include "ui/Messages.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(BuildStamp, CompilerDateAndTimeBecomeNumbers) {
    struct Case {
        const char* date;
        const char* time;
        int stampDate, stampTime;
    };
    const Case cases[] = {
        {"Jul  7 2022", "23:13:15", 20220707, 23 * 3600 + 13 * 60 + 15},
        {"Jan  5 2023", "00:00:09", 20230105, 9},
        {"Dec 31 2023", "12:00:00", 20231231, 43200},
        {"Feb 29 2024", "23:59:59", 20240229, 86399},
        {"??? ?? ????", "??:??:??", 19000101, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.date);
        const app::BuildStamp s = app::parseBuildStamp(c.date, c.time);
        EXPECT_EQ(s.date, c.stampDate);
        EXPECT_EQ(s.time, c.stampTime);
    }
    const app::BuildStamp own = app::currentBuildStamp();
    EXPECT_GT(own.date, 20200101);
    EXPECT_LT(own.time, 86400);
    EXPECT_TRUE((app::BuildStamp{20230105, 9} < app::BuildStamp{20230105, 10}));
    EXPECT_TRUE((app::BuildStamp{20230104, 86399} < app::BuildStamp{20230105, 0}));
}

class StyleFileTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath("t_style.txt"); }
    void write(const QByteArray& bytes) {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray contents() {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir dir;
};

TEST_F(StyleFileTest, OnlyTheFirstLineCountsAndAnEmptyOneMeansWindows) {
    struct Case {
        const char* name;
        std::optional<QByteArray> before;
        QString style;
        QByteArray after;
    };
    const Case cases[] = {
        {"missing", std::nullopt, "Windows", "Windows\r\n"},
        {"empty", QByteArray(""), "Windows", "Windows\r\n"},
        {"empty first line", QByteArray("\r\nFusion\r\n"), "Windows", "Windows\r\n"},
        {"further lines", QByteArray("Windows\r\nFusion\r\n"), "Windows", "Windows\r\nFusion\r\n"},
        {"unix line end", QByteArray("Fusion\n"), "Fusion", "Fusion\n"},
        {"no line end", QByteArray("Fusion"), "Fusion", "Fusion"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path());
        if (c.before)
            write(*c.before);
        EXPECT_EQ(app::readStyleName(path()), c.style);
        EXPECT_EQ(contents(), c.after);
    }
    app::writeStyleName(path(), "Fusion");
    EXPECT_EQ(contents(), "Fusion\r\n");
}

// The journal's "stay on the date" choice lives beside the style file and comes back as it
// was written; anything but a written "on" is off, the documented behaviour.
TEST_F(StyleFileTest, TheStayOnDateChoiceIsKeptBesideTheStyle) {
    EXPECT_EQ(QFileInfo(app::stayOnDateFilePath()).dir(), QFileInfo(app::styleFilePath()).dir());
    const QString stay = dir.filePath("more/t_stay_on_date.txt");
    EXPECT_FALSE(app::readStayOnDate(stay)) << "missing";
    for (const bool on : {true, false, true}) {
        app::writeStayOnDate(stay, on);
        EXPECT_EQ(app::readStayOnDate(stay), on);
    }
    QFile garbled(stay);
    ASSERT_TRUE(garbled.open(QIODevice::WriteOnly));
    garbled.write("yes\r\n");
    garbled.close();
    EXPECT_FALSE(app::readStayOnDate(stay));
}

TEST_F(StyleFileTest, AnUnknownStyleIsReportedByNameAndChangesNothing) {
    ui::MessageRecorder messages;
    ASSERT_TRUE(app::applyStyle("Fusion"));
    write("Marble\r\n");
    EXPECT_FALSE(app::applyStyle(app::readStyleName(path())));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].text.contains("Marble"));
    EXPECT_EQ(messages.messages[0].caption, QString::fromUtf8("Ошибка"));
    EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");
    EXPECT_EQ(contents(), "Marble\r\n");
    EXPECT_TRUE(QStyleFactory::keys().contains("Windows"));
}

class GateTest : public ::testing::Test {
protected:
    void SetUp() override { testdb::openAs(dm.connection, "master", "master"); }
    static void store(const QString& rows) {
        testdb::exec("delete from accounts_dep.ver;" +
                     (rows.isEmpty() ? QString() : "insert into accounts_dep.ver values " + rows));
    }
    static QString stored() {
        return testdb::exec(
                   "select coalesce(string_agg(d || '/' || t, ';'), '') from accounts_dep.ver")
            .toString();
    }
    static int xmin() {
        return testdb::exec("select xmin::text::int from accounts_dep.ver").toInt();
    }

    testdb::PreparedModule dm;
    app::VersionGate gate{dm, [] { return app::BuildStamp{20261210, 3600}; }};
};

TEST_F(GateTest, RaisesOlderStampsKeepsEqualOnesAndStopsOlderBuilds) {
    using Outcome = app::VersionGate::Outcome;
    store("");
    EXPECT_EQ(gate.run(), Outcome::Raised) << "an empty table takes the running stamp";
    EXPECT_EQ(stored(), "20261210/3600");

    const int before = xmin();
    EXPECT_EQ(gate.run(), Outcome::Current);
    EXPECT_EQ(xmin(), before) << "an equal stamp writes nothing";

    store("(20261209, 80000)");
    EXPECT_EQ(gate.run(), Outcome::Raised) << "one day older with a later time of day";
    EXPECT_EQ(stored(), "20261210/3600");

    store("(20261210, 3601)");
    EXPECT_EQ(gate.run(), Outcome::Newer);
    EXPECT_EQ(stored(), "20261210/3601") << "a newer stamp stays";
    store("(20261211, 0)");
    EXPECT_EQ(gate.run(), Outcome::Newer);
    EXPECT_EQ(gate.stamp().date, 20261210);
}

TEST_F(GateTest, TheStartUpAccountCanRaiseTheStampButAMissingTableIsAnError) {
    store("(20200101, 0)");
    testdb::PreparedModule startup;
    testdb::openAs(startup.connection, data::defaults::startupUser(),
                   data::defaults::startupPassword());
    app::VersionGate startupGate(startup, [] { return app::BuildStamp{20261210, 3600}; });
    EXPECT_EQ(startupGate.run(), app::VersionGate::Outcome::Raised);
    EXPECT_EQ(stored(), "20261210/3600");

    testdb::exec("alter table accounts_dep.ver rename to ver_moved");
    EXPECT_THROW(startupGate.run(), data::DbError);
    testdb::exec("alter table accounts_dep.ver_moved rename to ver");
    EXPECT_EQ(startupGate.run(), app::VersionGate::Outcome::Current);
}

} // namespace
