#include "Screen.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

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

QSize chosenSize(QSize otherwise) {
    static const QRegularExpression form(QStringLiteral("^(\\d+)x(\\d+)$"));
    const QRegularExpressionMatch m = form.match(qEnvironmentVariable("TABEL_TEST_SCREEN"));
    return m.hasMatch() ? QSize(m.captured(1).toInt(), m.captured(2).toInt()) : otherwise;
}

void startOn(QSize size) {
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen")
        return;
    // One file per size, kept: the programs a test starts read it too. Written whole under
    // another name first, so a test program starting beside never reads half of it.
    const QString path = QDir::temp().filePath(
        QStringLiteral("tabel-test-screen-%1x%2.json").arg(size.width()).arg(size.height()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(configuration(size)) < 0 || !file.commit())
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(path));
}

} // namespace testscreen
