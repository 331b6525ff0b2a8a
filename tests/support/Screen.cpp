#include "Screen.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>
#include <QObject>
#include <unistd.h>

namespace testscreen {

namespace {

QByteArray configuration(QSize size) {
    return QStringLiteral("{\"screens\": [{\"name\": \"tabel\", \"x\": 0, \"y\": 0, \"width\": %1, "
                          "\"height\": %2, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, "
                          "\"dpr\": 1}]}")
        .arg(size.width())
        .arg(size.height())
        .toUtf8();
}

} // namespace

void startOn(QSize size) {
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen")
        return;
    const QString path =
        QDir::temp().filePath(QStringLiteral("tabel-test-screen-%1.json").arg(getpid()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(configuration(size));
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(path));
}

} // namespace testscreen
