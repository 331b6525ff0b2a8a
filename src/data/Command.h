#pragma once

#include "Connection.h"
#include "Parameters.h"

#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace data {

// A statement that returns no rows, or a single "returning" row.
class Command {
public:
    explicit Command(Connection& connection, const QString& name = {});

    QString name() const { return name_; }
    void setSql(const QString& sql) { sql_ = sql; }
    QString sql() const { return sql_; }
    void setParam(const QString& name, const QVariant& value) { params_.set(name, value); }
    QVariant param(const QString& name) const { return params_.value(name); }
    // Planned for its values on every run, as ResultSet::setFreshPlans: a statement over a
    // month of positions wants the plan of that month, not the server's kept generic one.
    void setFreshPlans(bool on) { freshPlans_ = on; }

    // Runs the statement; returns the number of rows it touched.
    int execute();
    // Runs the statement and returns the first column of its first row (null when none),
    // as an insert ending in "returning id" gives the new key.
    QVariant executeScalar();
    // Runs the statement and returns its first row by column name (empty when none), as a
    // delete ending in "returning" tells what it removed.
    QVariantMap executeRow();

private:
    PgResult run();

    Connection& connection_;
    QString name_;
    QString sql_;
    Parameters params_;
    bool freshPlans_ = false;
};

} // namespace data
