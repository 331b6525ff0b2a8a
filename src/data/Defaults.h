#pragma once

#include <QString>

// Configuration values: the server used when the command line names none, and the start-up
// account that may only read and raise the build stamp before anybody has logged in. Built in
// at build time; a plant's settings files (app::SiteSettings) replace them at start-up.
namespace data::defaults {

// An empty field keeps the value below it.
struct Site {
    QString server;
    QString database;
    QString startupUser;
    QString startupPassword;
};

// The fields `site` gives replace what server() … startupPassword() answer from now on.
void useSite(const Site& site);

QString server();
QString database();
QString startupUser();
QString startupPassword();

struct ServerAndDatabase {
    QString server;
    QString database;
};
// The command line's server and database count only together: one missing takes both defaults.
ServerAndDatabase chosen(const QString& server, const QString& database);
// The memory (work_mem) a report's read asks the server for, each sort and hash of it: a
// year's reports sorted on disk at 16MB; from about 64MB the server gave up its parallel
// plans and took longer. The README says what a plant's server must have for it.
QString reportMemory();

} // namespace data::defaults
