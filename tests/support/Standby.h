#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariant>

// A real streaming standby of the test cluster (scripts/pg standby), one per test program, so
// a program may pause its replay or stop it without another program noticing.
namespace testdb {

class Standby {
public:
    // Makes and starts it, and waits until it holds the test database.
    Standby();
    ~Standby();
    Standby(const Standby&) = delete;
    Standby& operator=(const Standby&) = delete;

    QString socketFolder() const { return dir_; }

    // Runs a statement as the superuser in the test database on the standby; the first value.
    QVariant exec(const QString& sql);

    // Waits until the standby has replayed everything the primary has logged so far (also
    // a commit not yet flushed: the test cluster commits without waiting for the disk).
    void waitForReplay();

    void stop();
    void start();

private:
    QTemporaryDir parent_;
    QString dir_;
};

} // namespace testdb
