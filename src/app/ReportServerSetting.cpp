#include "ReportServerSetting.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace app {

QString reportSettingsPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(folder).filePath(QStringLiteral("t_report.txt"));
}

data::ReportServer readReportServer(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
    return {lines.value(0).trimmed(), lines.value(1).trimmed()};
}

data::ReportServer takeReportServer(QStringList& arguments) {
    data::ReportServer named;
    for (int i = 1; i + 1 < arguments.size();) {
        const QString option = arguments[i];
        if (option == QLatin1String("--report-server") || option == QLatin1String("--report-db")) {
            (option == QLatin1String("--report-server") ? named.server : named.database) =
                arguments[i + 1];
            arguments.remove(i, 2);
        } else {
            ++i;
        }
    }
    return named.isSet() ? named : readReportServer(reportSettingsPath());
}

} // namespace app
