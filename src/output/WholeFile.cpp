#include "WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace output {

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

namespace {

// The file a path names: through symbolic links to the file at their end, which may not exist
// yet. Empty when the links go round in a circle.
QString linkedFile(const QString& path) {
    QString file = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(file);
        if (!info.isSymLink())
            return file;
        file = info.symLinkTarget();
    }
    return {};
}

} // namespace

bool writeWhole(const QString& path,
                const std::function<bool(const QString& part, QString& reason)>& write,
                QString& reason) {
    if (path.isEmpty()) {
        reason = QStringLiteral("не указано имя файла");
        return false;
    }
    // A link is written through: the file it names gets the content and the link stays.
    const QString target = linkedFile(path);
    if (target.isEmpty()) {
        reason = QStringLiteral("ссылки на файл идут по кругу");
        return false;
    }
    struct stat existing {};
    const bool exists = ::stat(QFile::encodeName(target).constData(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        reason = QStringLiteral("это не обычный файл (папка, устройство, канал или сокет), "
                                "записать туда нельзя");
        return false;
    }
    QString part;
    if (!createPartFile(QFileInfo(target).absolutePath(), part, reason))
        return false;
    bool written = write(part, reason);
    const QByteArray partName = QFile::encodeName(part);
    // The file keeps its permissions and owner: a report kept private stays private.
    if (written && exists) {
        written = ::chmod(partName.constData(), existing.st_mode & 07777) == 0 &&
                  (::geteuid() != 0 ||
                   ::chown(partName.constData(), existing.st_uid, existing.st_gid) == 0);
        if (!written)
            reason = QString::fromLocal8Bit(std::strerror(errno));
    }
    // rename() replaces the file in one step: a reader sees the old file or the whole new one.
    if (written) {
        written = std::rename(partName.constData(), QFile::encodeName(target).constData()) == 0;
        if (!written)
            reason = QString::fromLocal8Bit(std::strerror(errno));
    }
    if (!written)
        QFile::remove(part);
    return written;
}

} // namespace output
