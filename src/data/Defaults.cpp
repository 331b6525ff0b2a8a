// The only translation unit that sees the build's configuration values, so the start-up
// password is compiled into one object file and no other.
#include "Defaults.h"

namespace data::defaults {

QString server() {
    return QStringLiteral(TABEL_DEFAULT_SERVER);
}
QString database() {
    return QStringLiteral("zelt_erp_dev");
}
QString startupUser() {
    return QStringLiteral(TABEL_STARTUP_USER);
}
QString startupPassword() {
    return QStringLiteral(TABEL_STARTUP_PASSWORD);
}
QString reportMemory() {
    return QStringLiteral("48MB");
}

} // namespace data::defaults
