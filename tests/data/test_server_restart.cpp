// A server that stops and starts again: a read afterwards goes on quietly on a new session;
// a write, and a transaction that was open, are reported as not done (in Russian, libpq's
// own text on a second line) and leave nothing behind. Runs on a cluster of its own, since
// it stops it.
#include "SilentHost.h"
#include "data/Command.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/Listener.h"
#include "data/ResultSet.h"
#include "data/Transaction.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString pg = QStringLiteral(TABEL_SOURCE_DIR "/scripts/pg");
const QString lost =
    QString::fromUtf8("Связь с сервером БД потеряна, действие не выполнено. Повторите его.\n");
const QString noServer = QString::fromUtf8("Нет связи с сервером БД\n");

QString run(const QStringList& args) {
    QProcess p;
    p.start(pg, args);
    p.waitForFinished(120000);
    EXPECT_EQ(p.exitCode(), 0) << qPrintable(QString::fromUtf8(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The message of the error the statement throws, or "" when it succeeds.
template <typename Statement> QString failureOf(Statement statement) {
    try {
        statement();
        return {};
    } catch (const data::DbError& e) {
        return e.text();
    }
}

class ServerRestart : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        parent_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/tabel-restart-XXXXXX");
        ASSERT_TRUE(parent_->isValid());
        QFile::setPermissions(parent_->path(), QFile::permissions(parent_->path()) |
                                                   QFile::ExeOther | QFile::ReadOther);
        cluster_ = parent_->filePath("cluster");
        socket_ = run({"start", cluster_});
        data::Connection admin;
        admin.open(socket_, "postgres", "postgres", password());
        admin.exec("create database restart_test");
    }
    static void TearDownTestSuite() {
        run({"stop", cluster_});
        parent_.reset();
    }
    static QString password() {
        QFile f(cluster_ + "/admin.pw");
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QString::fromUtf8(f.readAll()).trimmed();
    }
    static void restart() {
        run({"stop", cluster_});
        run({"start", cluster_});
    }

    void SetUp() override {
        connection.open(socket_, "restart_test", "postgres", password());
        connection.exec("drop table if exists rows");
        connection.exec("create table rows(name text)");
        count.setSql("select count(*) as cnt, pg_backend_pid() + :zero as pid from rows");
        count.setParam("zero", 0);
    }
    int rows() {
        count.close();
        count.open();
        return count.asInt("cnt");
    }
    int session() {
        rows();
        return count.asInt("pid");
    }

    static inline std::unique_ptr<QTemporaryDir> parent_;
    static inline QString cluster_, socket_;
    data::Connection connection;
    data::ResultSet count{connection, "count"};
};

TEST_F(ServerRestart, AReadGoesOnQuietlyOnANewSessionAndNoServerIsSaidInRussian) {
    const int before = session();
    restart();
    EXPECT_EQ(failureOf([&] { session(); }), "");
    EXPECT_NE(count.asInt("pid"), before) << "a new session";

    run({"stop", cluster_});
    const QString down = failureOf([&] { rows(); });
    EXPECT_TRUE(down.startsWith(noServer) && down.size() > noServer.size()) << down.toStdString();
    run({"start", cluster_});
    EXPECT_EQ(rows(), 0);
}

TEST_F(ServerRestart, AWriteIsReportedAsNotDoneAndLeavesNothing) {
    data::Command insert(connection, "insert");
    insert.setSql("insert into rows values (:name), (:name)");
    insert.setParam("name", "lost");
    rows();
    restart();
    const QString text = failureOf([&] { insert.execute(); });
    EXPECT_TRUE(text.startsWith(lost) && text.size() > lost.size()) << text.toStdString();
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(insert.execute(), 2) << "repeated, it is done";
}

TEST_F(ServerRestart, ATransactionWhoseConnectionWasLostLeavesNothingBehind) {
    data::Command insert(connection, "insert");
    insert.setSql("insert into rows values (:name)");
    {
        data::Transaction transaction(connection);
        insert.setParam("name", "first");
        insert.execute();
        restart();
        insert.setParam("name", "second");
        EXPECT_TRUE(failureOf([&] { insert.execute(); }).startsWith(lost));
        // Someone swallows the error and goes on: on a new session each statement would
        // commit by itself, so nothing runs until the transaction has ended.
        insert.setParam("name", "third");
        EXPECT_TRUE(failureOf([&] { insert.execute(); }).startsWith(lost));
        EXPECT_TRUE(failureOf([&] { rows(); }).startsWith(lost));
        EXPECT_TRUE(failureOf([&] { transaction.commit(); }).startsWith(lost));
    }
    EXPECT_EQ(rows(), 0);
    insert.execute();
    EXPECT_EQ(rows(), 1);
}

// The session ends just as the commit is sent: the user is told the action was not done, and
// the next action reconnects and works, in a transaction of its own.
TEST_F(ServerRestart, AConnectionLostAtTheCommitLetsTheNextActionWork) {
    data::Connection admin;
    admin.open(socket_, "restart_test", "postgres", password());
    data::Command insert(connection, "insert");
    insert.setSql("insert into rows values (:name)");
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        {
            data::Transaction transaction(connection);
            insert.setParam("name", "lost");
            insert.execute();
            const QByteArray pid = QByteArray::number(session());
            admin.exec("select pg_terminate_backend(" + pid + ")");
            EXPECT_TRUE(failureOf([&] { transaction.commit(); }).startsWith(lost));
        }
        EXPECT_FALSE(connection.inTransaction());
        EXPECT_EQ(failureOf([&] { EXPECT_EQ(rows(), round); }).toStdString(), "");
        data::Transaction next(connection);
        insert.setParam("name", "kept");
        EXPECT_EQ(failureOf([&] { insert.execute(); }).toStdString(), "");
        EXPECT_EQ(failureOf([&] { next.commit(); }).toStdString(), "");
    }
    EXPECT_EQ(rows(), 3);
}

// Nobody runs a statement: the listener finds the server gone, tries again until it is back,
// says so and listens again; its own session's notifications are left out all along.
TEST_F(ServerRestart, AListenerListensAgainOnceTheServerIsBack) {
    data::Listener listener(connection);
    listener.setRetryInterval(100);
    listener.listen("tabel_test");
    QSignalSpy notified(&listener, &data::Listener::notified);
    QSignalSpy resumed(&listener, &data::Listener::resumed);
    const auto announce = [](const char* payload) {
        data::Connection other;
        other.open(socket_, "restart_test", "postgres", password());
        other.exec(QByteArray("notify tabel_test, '") + payload + "'");
    };
    connection.exec("notify tabel_test, 'own'");
    announce("before");
    ASSERT_TRUE(notified.wait(5000));
    ASSERT_EQ(notified.count(), 1);
    EXPECT_EQ(notified.at(0).at(1).toString(), "before");

    restart();
    ASSERT_TRUE(resumed.wait(10000));
    EXPECT_TRUE(listener.watching());
    announce("after");
    ASSERT_TRUE(notified.wait(5000));
    EXPECT_EQ(notified.last().at(0).toString(), "tabel_test");
    EXPECT_EQ(notified.last().at(1).toString(), "after");
}

// The server's host goes away and then does not answer at all: each attempt at a new session
// waits for it without holding the event loop (a window on it keeps painting), a statement
// meanwhile says at once that there is no server, and once the host answers the listener is
// back.
TEST_F(ServerRestart, ReconnectingToAHostThatDoesNotAnswerNeverHoldsTheEventLoop) {
    testdb::SilentHost host(socket_ + "/.s.PGSQL.5432");
    data::Connection remote;
    remote.open("127.0.0.1", "restart_test", "postgres", password(), host.port());
    data::Listener listener(remote);
    listener.setRetryInterval(100);
    listener.setConnectTimeout(1000);
    listener.listen("tabel_test");
    QSignalSpy resumed(&listener, &data::Listener::resumed);
    const auto select = [&] { remote.exec("select 1", {}, data::Connection::Access::Read); };

    host.fallSilent();
    qint64 longestStall = 0;
    QElapsedTimer sinceTick;
    QTimer ticks;
    ticks.setInterval(10);
    QObject::connect(&ticks, &QTimer::timeout,
                     [&] { longestStall = std::max(longestStall, sinceTick.restart()); });
    sinceTick.start();
    ticks.start();
    QTest::qWait(3000); // three attempts timed out, a fourth under way
    ticks.stop();
    EXPECT_LT(longestStall, 300);
    EXPECT_EQ(resumed.count(), 0);

    QElapsedTimer statement;
    statement.start();
    const QString down = failureOf(select);
    EXPECT_TRUE(down.startsWith(noServer)) << down.toStdString();
    EXPECT_LT(statement.elapsed(), 300);

    host.answer();
    ASSERT_TRUE(resumed.wait(5000));
    EXPECT_TRUE(listener.watching());
    EXPECT_EQ(failureOf(select), "");
}

} // namespace
