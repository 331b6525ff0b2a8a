#pragma once

#include "data/Connection.h"

#include <QString>
#include <QVariant>
#include <ostream>

// Failed comparisons of texts print the text, not its bytes.
void PrintTo(const QString& text, std::ostream* out);

// Every test program gets a database of its own, cloned from the template that the test
// script loaded, so no test sees another program's rows. The programs run through the
// test script, which tells them where the cluster is.
namespace testdb {

QString socketFolder();
QString databaseName();

// Opens a connection to the test database as the cluster's superuser (for fixtures that
// write ERP tables) or as a login of the program.
void openAdmin(data::Connection& connection);
void openAs(data::Connection& connection, const QString& user, const QString& password);

// Runs one or more statements as the superuser; returns the first value of the last result.
QVariant exec(const QString& sql);

// As exec, for rows a plant already holds from before a key checked them (a position whose
// operation is gone): the keys, and triggers too, stay out of these statements only.
QVariant execOldRows(const QString& sql);

// Empties tables between tests: "truncate " + tables. The server refuses to truncate the
// journal and the timesheet, which would pass by their history and announcements; a test's
// fresh start goes past that refusal, in this statement only.
void truncate(const QString& tables);

// The password of the cluster's superuser; never printed.
QString adminPassword();

// The psql the tests run: the one on PATH, else the server's own.
QString psqlProgram();

} // namespace testdb
