#include "SiteSettings.h"

#include "StyleFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace app {

namespace {

struct Key {
    const char* name;
    QString data::defaults::Site::*field;
};
const Key keys[] = {
    {"server", &data::defaults::Site::server},
    {"database", &data::defaults::Site::database},
    {"startup_user", &data::defaults::Site::startupUser},
    {"startup_password", &data::defaults::Site::startupPassword},
};

void readInto(const QString& path, SiteSettings& into) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    int number = 0;
    while (!file.atEnd()) {
        ++number;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString key = eq < 0 ? QString() : line.left(eq).trimmed();
        const QString value = eq < 0 ? QString() : line.mid(eq + 1).trimmed();
        if (key.isEmpty() || value.isEmpty()) {
            // The value is never quoted: the line may hold a password.
            into.problems << QStringLiteral("%1, строка %2: ожидается «параметр=значение», "
                                            "строка пропущена")
                                 .arg(path)
                                 .arg(number);
            continue;
        }
        for (const Key& k : keys)
            if (key == QLatin1String(k.name))
                into.site.*k.field = value;
    }
}

} // namespace

QString systemSettingsPath() {
    const QString given = qEnvironmentVariable("TABEL_SYSTEM_CONF");
    return given.isEmpty() ? QStringLiteral("/etc/tabel/tabel.conf") : given;
}

QString userSettingsPath() {
    return QFileInfo(styleFilePath()).dir().filePath(QStringLiteral("tabel.conf"));
}

SiteSettings readSiteSettings(const QString& systemPath, const QString& userPath) {
    SiteSettings s;
    readInto(systemPath, s);
    readInto(userPath, s);
    return s;
}

void applySiteSettings() {
    const SiteSettings s = readSiteSettings(systemSettingsPath(), userSettingsPath());
    for (const QString& problem : s.problems)
        std::fprintf(stderr, "%s\n", qPrintable(problem));
    data::defaults::useSite(s.site);
}

} // namespace app
