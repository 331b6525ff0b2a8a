#include "Standby.h"

#include "TestDatabase.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/ResultSet.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <stdexcept>

namespace testdb {

namespace {

void runPg(const QStringList& arguments) {
    QProcess pg;
    pg.start(QStringLiteral(TABEL_SOURCE_DIR "/scripts/pg"), arguments);
    if (!pg.waitForFinished(180000) || pg.exitStatus() != QProcess::NormalExit ||
        pg.exitCode() != 0)
        throw std::runtime_error("scripts/pg " + arguments.join(' ').toStdString() +
                                 " failed: " + pg.readAllStandardError().toStdString());
}

} // namespace

Standby::Standby() : parent_(QStringLiteral("/tmp/tabel-standby.XXXXXX")) {
    if (!parent_.isValid())
        throw std::runtime_error("cannot make a folder for the standby");
    // The server's own user (postgres, when the tests run as root) must reach the folder.
    QFile::setPermissions(parent_.path(), QFile::permissions(parent_.path()) | QFile::ReadOther |
                                              QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
    dir_ = parent_.filePath(QStringLiteral("s"));
    databaseName(); // cloned before the copy, so the standby has it from the start
    runPg({QStringLiteral("standby"), testdb::socketFolder(), dir_});
    waitForReplay();
}

Standby::~Standby() {
    try {
        runPg({QStringLiteral("stop"), dir_});
    } catch (const std::exception&) {
        // The folder goes anyway; a server left running would say so in the test log.
    }
}

QVariant Standby::exec(const QString& sql) {
    data::Connection connection;
    connection.open(dir_, databaseName(), QStringLiteral("postgres"), adminPassword());
    data::ResultSet result(connection);
    result.setSql(sql);
    result.open();
    return result.rowCount() > 0 && result.fieldCount() > 0 ? result.value(result.fieldName(0))
                                                            : QVariant();
}

void Standby::waitForReplay() {
    const QString written =
        testdb::exec(QStringLiteral("select pg_current_wal_insert_lsn()::text")).toString();
    QElapsedTimer waited;
    waited.start();
    while (!exec(QStringLiteral("select pg_last_wal_replay_lsn() >= '%1'::pg_lsn").arg(written))
                .toBool()) {
        if (waited.elapsed() > 60000)
            throw std::runtime_error(
                "the standby did not replay the primary's changes in a minute");
        QThread::msleep(50);
    }
}

void Standby::stop() {
    runPg({QStringLiteral("stop"), dir_});
}

void Standby::start() {
    runPg({QStringLiteral("standby"), testdb::socketFolder(), dir_});
}

} // namespace testdb
