#pragma once

#include <QString>

// Configuration values fixed at build time (see the README): the server used when the
// command line names none, and the start-up account that may only read and raise the
// build stamp before anybody has logged in.
namespace data::defaults {

QString server();
QString database();
QString startupUser();
QString startupPassword();

} // namespace data::defaults
