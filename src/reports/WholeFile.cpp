#include "WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace reports {

bool createPartFile(const QString& folder, QString& partPath, QString& reason) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        partPath = folder + QStringLiteral("/.tabel-%1.part")
                                .arg(QRandomGenerator::global()->generate64(), 16, 16, QChar(u'0'));
        QFile file(partPath);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return true;
        if (!file.exists()) {
            reason = file.errorString();
            return false;
        }
    }
    reason = QStringLiteral("не удалось подобрать имя временного файла");
    return false;
}

bool writeWhole(const QString& path,
                const std::function<bool(const QString& part, QString& reason)>& write,
                QString& reason) {
    if (path.isEmpty()) {
        reason = QStringLiteral("не указано имя файла");
        return false;
    }
    QString part;
    if (!createPartFile(QFileInfo(path).absolutePath(), part, reason))
        return false;
    // rename() replaces path in one step: a reader sees the old file or the whole new one.
    bool written = write(part, reason);
    if (written) {
        written = std::rename(QFile::encodeName(part).constData(),
                              QFile::encodeName(path).constData()) == 0;
        if (!written)
            reason = QString::fromLocal8Bit(std::strerror(errno));
    }
    if (!written)
        QFile::remove(part);
    return written;
}

} // namespace reports
