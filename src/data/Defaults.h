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
// The memory (work_mem) a report's read asks the server for, each sort and hash of it: a
// year's reports sorted on disk at 16MB; from about 64MB the server gave up its parallel
// plans and took longer. The README says what a plant's server must have for it.
QString reportMemory();

} // namespace data::defaults
