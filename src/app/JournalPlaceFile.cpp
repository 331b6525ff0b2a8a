#include "JournalPlaceFile.h"

#include "StyleFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace app {

QString stayOnDateFilePath() {
    return QFileInfo(styleFilePath()).dir().filePath(QStringLiteral("t_stay_on_date.txt"));
}

bool readStayOnDate(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.readLine().trimmed() == "1";
}

void writeStayOnDate(const QString& path, bool on) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    // A file that cannot be written only costs the choice at the next start.
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(on ? "1\r\n" : "0\r\n");
}

} // namespace app
