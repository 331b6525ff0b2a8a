#include "SiteSettings.h"

#include "StyleFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

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

QString modeText(mode_t mode) {
    return QString::number(mode & 07777, 8).rightJustified(4, QLatin1Char('0'));
}

// Why a settings file may send this user's program to a server someone else chose, as ssh
// judges its own files: it and every folder above it belong to root or to this user, and
// nobody else may write them (a folder with the sticky bit keeps others' hands off what is
// not theirs). Empty when the file is safe to read.
QString untrustedBecause(const QString& path) {
    const QString file = QFileInfo(path).canonicalFilePath();
    const uid_t me = ::geteuid();
    QString at = file;
    for (bool isFile = true;; isFile = false) {
        struct stat st {};
        if (::stat(QFile::encodeName(at).constData(), &st) != 0)
            return {};
        const QString what = isFile ? QStringLiteral("он") : QStringLiteral("его папка %1").arg(at);
        if (st.st_uid != 0 && st.st_uid != me)
            return QStringLiteral("%1 принадлежит другому пользователю (uid %2)").arg(what).arg(st.st_uid);
        const bool othersWrite =
            (st.st_mode & S_IWOTH) != 0 || ((st.st_mode & S_IWGRP) != 0 && st.st_gid != 0);
        if (othersWrite && (isFile || (st.st_mode & S_ISVTX) == 0))
            return QStringLiteral("%1 доступ%2 на запись другим пользователям (права %3)")
                .arg(what, isFile ? QStringLiteral("ен") : QStringLiteral("на"),
                     modeText(st.st_mode));
        if (at == QLatin1String("/"))
            return {};
        at = QFileInfo(at).path();
    }
}

void readInto(const QString& path, SiteSettings& into) {
    const QFileInfo info(path);
    if (!info.exists())
        return; // no file, or a link to none: nothing to take
    if (const QString why = untrustedBecause(path); !why.isEmpty()) {
        into.problems << QStringLiteral("Файл настроек %1 не принят: %2").arg(path, why);
        return;
    }
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        into.problems << QStringLiteral("Файл настроек %1 не прочитан: %2")
                             .arg(path,
                                  info.isDir() ? QStringLiteral("это папка") : file.errorString());
        return;
    }
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

QStringList& problemsAtStart() {
    static QStringList problems;
    return problems;
}

void applySiteSettings() {
    const SiteSettings s = readSiteSettings(systemSettingsPath(), userSettingsPath());
    for (const QString& problem : s.problems)
        std::fprintf(stderr, "%s\n", qPrintable(problem));
    problemsAtStart() = s.problems;
    data::defaults::useSite(s.site);
}

const QStringList& siteSettingsProblems() {
    return problemsAtStart();
}

} // namespace app
