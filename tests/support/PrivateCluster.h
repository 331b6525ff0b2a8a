#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

// A PostgreSQL cluster of one test program's own beside the test cluster (scripts/pg), with a
// plant's database in it: another plant's server, or a primary no other program writes to.
namespace testdb {

// A cluster's superuser in one of its databases.
struct ClusterLogin {
    QString socketFolder;
    QString database;
    QString password;

    // Runs a statement; the first value.
    QVariant exec(const QString& sql) const;
};

// Runs scripts/pg; throws with what it said when it fails.
void runPg(const QStringList& arguments);

// A folder under /tmp that the server's own user (postgres, when the tests run as root)
// may enter; removed with everything in it.
class ServerFolder {
public:
    ServerFolder();
    QString filePath(const QString& name) const { return parent_.filePath(name); }

private:
    QTemporaryDir parent_;
};

class PrivateCluster {
public:
    // Makes and starts it, with `database` loaded as scripts/pg loads the demo's (db/, the
    // demo logins and the demo plant).
    explicit PrivateCluster(const QString& database);
    ~PrivateCluster();
    PrivateCluster(const PrivateCluster&) = delete;
    PrivateCluster& operator=(const PrivateCluster&) = delete;

    QString socketFolder() const { return dir_; }
    const ClusterLogin& admin() const { return admin_; }
    QVariant exec(const QString& sql) const { return admin_.exec(sql); }

private:
    ServerFolder folder_;
    QString dir_;
    ClusterLogin admin_;
};

} // namespace testdb
