// A server that goes away and comes back: the statement that meets the gap says so, and
// the program goes on without a restart once the server is back. Runs on a cluster of
// its own, since it stops it.
#include "data/Connection.h"
#include "data/Error.h"
#include "data/ResultSet.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString pg = QStringLiteral(TABEL_SOURCE_DIR "/scripts/pg");

QString run(const QStringList& args) {
    QProcess p;
    p.start(pg, args);
    p.waitForFinished(120000);
    EXPECT_EQ(p.exitCode(), 0) << qPrintable(QString::fromUtf8(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

TEST(ServerRestart, TheNextStatementReportsTheGapAndTheOneAfterTheReturnWorks) {
    QTemporaryDir parent(QDir::tempPath() + "/tabel-restart-XXXXXX");
    ASSERT_TRUE(parent.isValid());
    QFile::setPermissions(parent.path(),
                          QFile::permissions(parent.path()) | QFile::ExeOther | QFile::ReadOther);
    const QString cluster = parent.filePath("cluster");
    const QString socket = run({"start", cluster});
    run({"load", cluster, "restart_test"});

    data::Connection connection;
    connection.open(socket, "restart_test", "master", "master");
    data::ResultSet q(connection, "q");
    q.setSql("select count(*) as cnt from accounts_dep.ver where d >= :d");
    q.setParam("d", 0);
    q.open();
    EXPECT_EQ(q.asInt("cnt"), 1);
    q.close();

    run({"stop", cluster});
    try {
        q.open();
        ADD_FAILURE() << "a statement on a stopped server succeeded";
    } catch (const data::DbError& e) {
        EXPECT_FALSE(e.text().isEmpty());
        EXPECT_FALSE(e.text().contains("master")) << "no password in the text";
    }
    EXPECT_THROW(q.open(), data::DbError) << "still down";

    run({"start", cluster});
    q.open();
    EXPECT_EQ(q.asInt("cnt"), 1);
    run({"stop", cluster});
}

} // namespace
