#pragma once

#include <QString>
#include <optional>

namespace data {
class Connection;
}

namespace app {

// The version of the database's journal schema this build was made for: the number of the
// last upgrade step of its db/upgrade.
int schemaVersionOfThisBuild();

// What the user reads when the database's journal schema is older or newer than this build's;
// nothing when they agree. An older one names the administrator's upgrade command rather than
// failing later on an object that is not there. Throws the server's error otherwise.
std::optional<QString> schemaRefusal(data::Connection& db);

} // namespace app
