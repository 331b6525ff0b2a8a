// The only translation unit that sees the build's configuration values, so the start-up
// password is compiled into one object file and no other.
#include "Defaults.h"

namespace data::defaults {

namespace {
Site& site() {
    static Site s;
    return s;
}
QString either(const QString& chosen, const QString& builtIn) {
    return chosen.isEmpty() ? builtIn : chosen;
}
} // namespace

void useSite(const Site& given) {
    Site& s = site();
    s.server = either(given.server, s.server);
    s.database = either(given.database, s.database);
    s.startupUser = either(given.startupUser, s.startupUser);
    s.startupPassword = either(given.startupPassword, s.startupPassword);
}

QString server() {
    return either(site().server, QStringLiteral(TABEL_DEFAULT_SERVER));
}
QString database() {
    return either(site().database, QStringLiteral("zelt_erp_dev"));
}
QString startupUser() {
    return either(site().startupUser, QStringLiteral(TABEL_STARTUP_USER));
}
QString startupPassword() {
    return either(site().startupPassword, QStringLiteral(TABEL_STARTUP_PASSWORD));
}

ServerAndDatabase chosen(const QString& server, const QString& database) {
    if (server.isEmpty() || database.isEmpty())
        return {defaults::server(), defaults::database()};
    return {server, database};
}
QString reportMemory() {
    return QStringLiteral("48MB");
}

} // namespace data::defaults
