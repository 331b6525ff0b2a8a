#include "StyleFile.h"

#include "ui/Messages.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleFactory>

namespace app {

namespace {
const QString defaultStyle = QStringLiteral("Windows");
}

QString styleFilePath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(folder).filePath(QStringLiteral("t_style.txt"));
}

QString readStyleName(const QString& path) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray first = file.readLine();
        while (first.endsWith('\n') || first.endsWith('\r'))
            first.chop(1);
        file.close();
        if (!first.isEmpty())
            return QString::fromLocal8Bit(first);
    }
    writeStyleName(path, defaultStyle);
    return defaultStyle;
}

void writeStyleName(const QString& path, const QString& name) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    // A style file that cannot be written only costs the choice at the next start.
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(name.toLocal8Bit() + "\r\n");
}

bool applyStyle(const QString& name) {
    QStyle* style = QStyleFactory::create(name);
    if (!style) {
        ui::Messages::error(QStringLiteral("Стиль оформления «%1» не найден").arg(name));
        return false;
    }
    QApplication::setStyle(style);
    return true;
}

} // namespace app
