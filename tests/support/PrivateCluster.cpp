#include "PrivateCluster.h"

#include "data/Connection.h"
#include "data/ResultSet.h"

#include <QFile>
#include <QProcess>
#include <stdexcept>

namespace testdb {

QVariant ClusterLogin::exec(const QString& sql) const {
    data::Connection connection;
    connection.open(socketFolder, database, QStringLiteral("postgres"), password);
    data::ResultSet result(connection);
    result.setSql(sql);
    result.open();
    return result.rowCount() > 0 && result.fieldCount() > 0 ? result.value(result.fieldName(0))
                                                            : QVariant();
}

void runPg(const QStringList& arguments) {
    QProcess pg;
    pg.start(QStringLiteral(TABEL_SOURCE_DIR "/scripts/pg"), arguments);
    if (!pg.waitForFinished(180000) || pg.exitStatus() != QProcess::NormalExit ||
        pg.exitCode() != 0)
        throw std::runtime_error("scripts/pg " + arguments.join(' ').toStdString() +
                                 " failed: " + pg.readAllStandardError().toStdString());
}

ServerFolder::ServerFolder() : parent_(QStringLiteral("/tmp/tabel-cluster.XXXXXX")) {
    if (!parent_.isValid())
        throw std::runtime_error("cannot make a folder for a cluster");
    QFile::setPermissions(parent_.path(), QFile::permissions(parent_.path()) | QFile::ReadOther |
                                              QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup);
}

PrivateCluster::PrivateCluster(const QString& database) : dir_(folder_.filePath("c")) {
    runPg({QStringLiteral("start"), dir_});
    runPg({QStringLiteral("load"), dir_, database, QStringLiteral("--demo")});
    QFile password(dir_ + QStringLiteral("/admin.pw"));
    if (!password.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the private cluster's admin password");
    admin_ = {dir_, database, QString::fromUtf8(password.readAll()).trimmed()};
}

PrivateCluster::~PrivateCluster() {
    try {
        runPg({QStringLiteral("stop"), dir_});
    } catch (const std::exception&) {
        // The folder goes anyway; a server left running would say so in the test log.
    }
}

} // namespace testdb
