#include "Standby.h"

#include "TestDatabase.h"

#include <QElapsedTimer>
#include <QThread>
#include <stdexcept>

namespace testdb {

Standby::Standby(const ClusterLogin& primary, QString primaryFolder)
    : primary_(primary), primaryFolder_(std::move(primaryFolder)), dir_(folder_.filePath("s")) {
    runPg({QStringLiteral("standby"), primaryFolder_, dir_});
    waitForReplay();
}

Standby::Standby()
    // The test database is cloned before the copy, so the standby has it from the start.
    : Standby(ClusterLogin{testdb::socketFolder(), databaseName(), adminPassword()},
              testdb::socketFolder()) {}

Standby::Standby(const PrivateCluster& primary)
    : Standby(primary.admin(), primary.socketFolder()) {}

Standby::~Standby() {
    try {
        runPg({QStringLiteral("stop"), dir_});
    } catch (const std::exception&) {
        // The folder goes anyway; a server left running would say so in the test log.
    }
}

QVariant Standby::exec(const QString& sql) {
    return ClusterLogin{dir_, primary_.database, primary_.password}.exec(sql);
}

void Standby::waitFor(const char* reached) {
    const QString written =
        primary_.exec(QStringLiteral("select pg_current_wal_insert_lsn()::text")).toString();
    QElapsedTimer waited;
    waited.start();
    while (!exec(QStringLiteral("select %1() >= '%2'::pg_lsn").arg(QLatin1String(reached), written))
                .toBool()) {
        if (waited.elapsed() > 60000)
            throw std::runtime_error(std::string("the standby's ") + reached +
                                     " did not reach the primary's in a minute");
        QThread::msleep(50);
    }
}

void Standby::waitForReplay() {
    waitFor("pg_last_wal_replay_lsn");
}

void Standby::waitForReceipt() {
    waitFor("pg_last_wal_receive_lsn");
}

void Standby::stop() {
    runPg({QStringLiteral("stop"), dir_});
}

void Standby::start() {
    runPg({QStringLiteral("standby"), primaryFolder_, dir_});
}

void Standby::promote() {
    if (!exec(QStringLiteral("select pg_promote()")).toBool())
        throw std::runtime_error("the standby was not promoted in a minute");
}

} // namespace testdb
