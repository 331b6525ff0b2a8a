#pragma once

#include "PrivateCluster.h"

#include <QString>
#include <QVariant>

// A real streaming standby (scripts/pg standby) of the test cluster or of a private one, one
// per test program, so a program may pause its replay, stop or promote it unnoticed by others.
namespace testdb {

class Standby {
public:
    // Makes and starts a standby of the test cluster, and waits until it holds the test
    // database.
    Standby();
    // The same, of a private cluster.
    explicit Standby(const PrivateCluster& primary);
    ~Standby();
    Standby(const Standby&) = delete;
    Standby& operator=(const Standby&) = delete;

    QString socketFolder() const { return dir_; }

    // Runs a statement as the superuser in the primary's database on the standby; the first
    // value.
    QVariant exec(const QString& sql);

    // Waits until the standby has replayed everything the primary has logged so far (also
    // a commit not yet flushed: the test cluster commits without waiting for the disk).
    void waitForReplay();
    // Waits until it has received all that, replayed or not.
    void waitForReceipt();

    void stop();
    void start();
    // Ends its recovery: from now on a server of its own that takes writes.
    void promote();

private:
    Standby(const ClusterLogin& primary, QString primaryFolder);
    void waitFor(const char* reached);

    ServerFolder folder_;
    ClusterLogin primary_;
    QString primaryFolder_;
    QString dir_;
};

} // namespace testdb
