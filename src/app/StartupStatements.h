#pragma once

#include <QString>

// The statement texts of start-up and login: the build stamp the version gate compares and
// raises, the journal schema's version, and the program's groups the login holds.
namespace app::statements {

QString buildStamp();      // one row (d, t), opened on accounts_dep.ver to raise it
QString heldGroups();      // the names of tabel_user, tabel_operator, tabel_reader held
QString schemaVersioned(); // one row: versioned, whether the journal schema has a version
QString schemaVersion();   // one row: version, the journal schema's

} // namespace app::statements
