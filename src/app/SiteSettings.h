#pragma once

#include "data/Defaults.h"

#include <QString>
#include <QStringList>

// A plant's server, database and start-up account, read from `key=value` lines of the
// system's settings file and then the user's, so one package serves every plant.
namespace app {

// /etc/tabel/tabel.conf, or the file TABEL_SYSTEM_CONF names.
QString systemSettingsPath();
// tabel.conf beside the user's style file.
QString userSettingsPath();

struct SiteSettings {
    data::defaults::Site site;
    // One Russian line for each line that was skipped, naming its file and number.
    QStringList problems;
};

// Keys: server, database, startup_user, startup_password. '#' starts a comment; blank lines
// and unknown keys are skipped; a line without '=' or with an empty value is skipped and
// named in `problems`. A missing file gives nothing. A file that cannot be read, and one that
// someone but root or this user could have changed (it or a folder above it), is skipped and
// named in `problems` with the reason. The user's values win over the system's.
SiteSettings readSiteSettings(const QString& systemPath, const QString& userPath);

// Reads both files, hands their values to data::defaults and writes each problem to stderr.
void applySiteSettings();
// The problems applySiteSettings found, for the message of a connection that failed.
const QStringList& siteSettingsProblems();

} // namespace app
