#include "Channels.h"

#include <QStringList>

namespace state {

std::optional<Announcement> parseAnnouncement(const QString& payload) {
    const QStringList parts = payload.split(QLatin1Char(' '));
    if (parts.size() != 3)
        return std::nullopt;
    Announcement a;
    a.date = QDate::fromString(parts[0], Qt::ISODate);
    bool shiftOk = false, idOk = false;
    a.shift = parts[1].toInt(&shiftOk);
    a.id = parts[2].toInt(&idOk);
    if (!a.date.isValid() || !shiftOk || !idOk)
        return std::nullopt;
    return a;
}

} // namespace state
