#include "WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace output {

namespace {

QString newPartName(const QString& folder) {
    return folder + QStringLiteral("/.tabel-%1.part")
                        .arg(QRandomGenerator::global()->generate64(), 16, 16, QChar(u'0'));
}

} // namespace

bool createPartFile(const QString& folder, QString& partPath, QString& reason) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        partPath = newPartName(folder);
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

namespace {

// The mode a file created now gets: what the umask leaves of rw for all.
mode_t modeOfANewFile() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly | QIODevice::Text)) {
        while (!status.atEnd()) {
            const QByteArray line = status.readLine();
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return 0666 & ~mode_t(mask);
            }
        }
    }
    const mode_t mask = ::umask(077);
    ::umask(mask);
    return 0666 & ~mask;
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A part file only its owner may read while it is written, kept open so its owner and mode
// are set on the very file that was made, whatever is done to the name meanwhile.
struct PrivatePart {
    QString path;
    int fd = -1;
    ~PrivatePart() {
        if (fd >= 0)
            ::close(fd);
    }
    bool create(const QString& folder, QString& reason) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            path = newPartName(folder);
            fd = ::open(QFile::encodeName(path).constData(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd >= 0)
                return true;
            if (errno != EEXIST) {
                reason = systemError();
                return false;
            }
        }
        reason = QStringLiteral("не удалось подобрать имя временного файла");
        return false;
    }
    // Still the file that was made: the writer filled it in place, nobody put another there.
    bool unchanged() const {
        struct stat opened {
        }, named{};
        return ::fstat(fd, &opened) == 0 &&
               ::lstat(QFile::encodeName(path).constData(), &named) == 0 &&
               S_ISREG(named.st_mode) && opened.st_dev == named.st_dev &&
               opened.st_ino == named.st_ino;
    }
};

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
    PrivatePart part;
    if (!part.create(QFileInfo(target).absolutePath(), reason))
        return false;
    bool written = write(part.path, reason);
    if (written && !part.unchanged()) {
        written = false;
        reason = QStringLiteral("временный файл %1 подменён во время записи").arg(part.path);
    }
    // The file keeps its owner, then its permissions: a report kept private stays private, and
    // a change of owner after the mode would clear the set-user and set-group bits.
    if (written) {
        written = (!exists || ::geteuid() != 0 ||
                   ::fchown(part.fd, existing.st_uid, existing.st_gid) == 0) &&
                  ::fchmod(part.fd, exists ? existing.st_mode & 07777 : modeOfANewFile()) == 0;
        if (!written)
            reason = systemError();
    }
    // rename() replaces the file in one step: a reader sees the old file or the whole new one.
    const QByteArray partName = QFile::encodeName(part.path);
    if (written) {
        written = std::rename(partName.constData(), QFile::encodeName(target).constData()) == 0;
        if (!written)
            reason = systemError();
    }
    if (!written)
        QFile::remove(part.path);
    return written;
}

} // namespace output
