#pragma once

#include <QString>

// Configuration values fixed at build time (see the README): the server used when the
// command line names none, and the start-up account that may only read and raise the
// build stamp before anybody has logged in.
namespace data::defaults {

inline QString server() {
    return QStringLiteral(TABEL_DEFAULT_SERVER);
}
inline QString database() {
    return QStringLiteral("zelt_erp_dev");
}
inline QString startupUser() {
    return QStringLiteral(TABEL_STARTUP_USER);
}
inline QString startupPassword() {
    return QStringLiteral(TABEL_STARTUP_PASSWORD);
}

} // namespace data::defaults
