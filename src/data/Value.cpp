#include "Value.h"

#include "Error.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <limits>

namespace data::value {

namespace {

enum Oid : unsigned int {
    Bool = 16,
    Int8 = 20,
    Int2 = 21,
    Int4 = 23,
    OidType = 26,
    Float4 = 700,
    Float8 = 701,
    Date = 1082,
    Timestamp = 1114,
    TimestampTz = 1184,
    Numeric = 1700,
};

QString fieldSuffix(const QString& field) {
    return field.isEmpty() ? QString() : QStringLiteral(" (поле %1)").arg(field);
}

[[noreturn]] void notA(const QString& what, const QVariant& v, const QString& field) {
    throw ConversionError(
        QStringLiteral("«%1» не является %2%3").arg(v.toString(), what, fieldSuffix(field)));
}

bool parseInt64(QStringView text, qint64& out) {
    const QByteArray bytes = text.trimmed().toLatin1();
    const char* b = bytes.constData();
    const char* e = b + bytes.size();
    if (b != e && *b == '+')
        ++b;
    auto [p, ec] = std::from_chars(b, e, out);
    return b != e && ec == std::errc() && p == e;
}

bool parseDouble(QString text, double& out) {
    text = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    out = text.toDouble(&ok);
    return ok && std::isfinite(out);
}

} // namespace

bool isNull(const QVariant& v) {
    return !v.isValid() || v.isNull();
}

QString toString(const QVariant& v) {
    if (isNull(v))
        return {};
    switch (v.typeId()) {
    case QMetaType::Double: {
        char buf[64];
        auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v.toDouble());
        return QString::fromLatin1(buf, int(p - buf));
    }
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return dt.time() == QTime(0, 0) ? dt.date().toString(QStringLiteral("dd.MM.yyyy"))
                                        : dt.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    }
    default:
        return v.toString();
    }
}

double toDouble(const QVariant& v, const QString& field) {
    if (isNull(v))
        return 0.0;
    switch (v.typeId()) {
    case QMetaType::Double:
        return v.toDouble();
    case QMetaType::LongLong:
    case QMetaType::Int:
        return double(v.toLongLong());
    case QMetaType::QString: {
        double d;
        if (v.toString().trimmed().isEmpty())
            return 0.0;
        if (parseDouble(v.toString(), d))
            return d;
        break;
    }
    default:
        break;
    }
    notA(QStringLiteral("числом"), v, field);
}

qint64 toInt64(const QVariant& v, const QString& field) {
    if (isNull(v))
        return 0;
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return v.toLongLong();
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (std::isfinite(d) && std::fabs(d) < 9.2e18)
            return std::llround(d);
        break;
    }
    case QMetaType::QString: {
        qint64 i;
        if (v.toString().trimmed().isEmpty())
            return 0;
        if (parseInt64(v.toString(), i))
            return i;
        double d;
        if (parseDouble(v.toString(), d) && std::fabs(d) < 9.2e18 && d == std::trunc(d))
            return qint64(d);
        break;
    }
    default:
        break;
    }
    notA(QStringLiteral("целым числом"), v, field);
}

qint32 checkedInt32(qint64 v, const QString& field) {
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        throw ConversionError(
            QStringLiteral("Значение %1%2 вне допустимого диапазона (от -2147483648 до 2147483647)")
                .arg(v)
                .arg(fieldSuffix(field)));
    return qint32(v);
}

qint32 toInt32(const QVariant& v, const QString& field) {
    if (v.typeId() == QMetaType::Double) {
        const double d = v.toDouble();
        if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
            notA(QStringLiteral("целым числом"), v, field);
    }
    return checkedInt32(toInt64(v, field), field);
}

QDate toDate(const QVariant& v, const QString& field) {
    if (isNull(v))
        return {};
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        for (const char* format : {"dd.MM.yyyy", "yyyy-MM-dd"}) {
            const QDate d = QDate::fromString(s, QLatin1String(format));
            if (d.isValid())
                return d;
        }
    }
    notA(QStringLiteral("датой"), v, field);
}

QDateTime toDateTime(const QVariant& v, const QString& field) {
    if (isNull(v))
        return {};
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    return toDate(v, field).startOfDay();
}

QVariant decode(const char* text, int length, unsigned int typeOid) {
    switch (typeOid) {
    case Bool:
        return qint64(length > 0 && text[0] == 't' ? 1 : 0);
    case Int2:
    case Int4:
    case Int8:
    case OidType: {
        qint64 i = 0;
        std::from_chars(text, text + length, i);
        return i;
    }
    case Float4:
    case Float8: {
        double d = 0;
        auto [p, ec] = std::from_chars(text, text + length, d);
        if (ec != std::errc()) // NaN, Infinity
            return QString::fromLatin1(text, length);
        return d;
    }
    case Numeric: {
        qint64 i = 0;
        auto [p, ec] = std::from_chars(text, text + length, i);
        if (ec == std::errc() && p == text + length)
            return i;
        double d = 0;
        auto [q, ec2] = std::from_chars(text, text + length, d);
        if (ec2 == std::errc() && q == text + length)
            return d;
        return QString::fromLatin1(text, length);
    }
    case Date: {
        // "2026-12-10"; anything else (BC dates, infinity) goes through the slow path.
        auto num = [text](int from, int count) {
            int v = 0;
            for (int i = from; i < from + count; ++i)
                v = v * 10 + (text[i] - '0');
            return v;
        };
        if (length == 10 && text[4] == '-' && text[7] == '-')
            return QDate(num(0, 4), num(5, 2), num(8, 2));
        return QDate::fromString(QString::fromLatin1(text, length), Qt::ISODate);
    }
    case Timestamp:
    case TimestampTz: {
        // "2026-12-10 08:30:00[.123][+03]": the zone, when present, is the session's own.
        QString s = QString::fromLatin1(text, length);
        static const QRegularExpression zoneSuffix(QStringLiteral("[+-]\\d\\d(:?\\d\\d)?$"));
        const int zone = s.indexOf(zoneSuffix, 19);
        if (zone > 0)
            s.truncate(zone);
        s.replace(10, 1, QLatin1Char('T'));
        return QDateTime::fromString(s, Qt::ISODateWithMs);
    }
    default:
        return QString::fromUtf8(text, length);
    }
}

std::optional<QByteArray> parameterText(const QVariant& v) {
    if (isNull(v))
        return std::nullopt;
    switch (v.typeId()) {
    case QMetaType::Bool:
        return QByteArray(v.toBool() ? "true" : "false");
    case QMetaType::Double:
        return toString(v).toLatin1();
    case QMetaType::QDate:
        return v.toDate().toString(Qt::ISODate).toLatin1();
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).toLatin1();
    default:
        return v.toString().toUtf8();
    }
}

} // namespace data::value
