#include "Value.h"

#include "Error.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace data::value {

QString wellFormed(const QString& text) {
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out[i];
        if (c.isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

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
    return field.isEmpty() ? QString() : QStringLiteral(" (поле %1)").arg(excerpt(field));
}

[[noreturn]] void notA(const QString& what, const QVariant& v, const QString& field) {
    throw ConversionError(QStringLiteral("«%1» не является %2%3")
                              .arg(excerpt(toString(v)), what, fieldSuffix(field)));
}

[[noreturn]] void outOfRange(const QString& value, qint64 min, qint64 max, const QString& field) {
    const QString where =
        field.isEmpty() ? QString() : QStringLiteral(" поля %1").arg(excerpt(field));
    throw ConversionError(QStringLiteral("Значение %1%2 вне допустимого диапазона (от %3 до %4)")
                              .arg(excerpt(value), where)
                              .arg(min)
                              .arg(max));
}

// A plain decimal integer, sign allowed: "12", "-7", "+3".
bool isIntegerText(QStringView text) {
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i)
        if (text[i] < QLatin1Char('0') || text[i] > QLatin1Char('9'))
            return false;
    return true;
}

bool parseDouble(QString text, double& out) {
    text = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    out = text.toDouble(&ok);
    return ok && std::isfinite(out);
}

qint64 wholeDouble(double d, const QVariant& v, qint64 min, qint64 max, const QString& field) {
    if (!std::isfinite(d) || d != std::trunc(d))
        notA(QStringLiteral("целым числом"), v, field);
    // 2^63 itself is out of range; every double below it converts exactly.
    if (d < -9223372036854775808.0 || d >= 9223372036854775808.0 || qint64(d) < min ||
        qint64(d) > max)
        outOfRange(toString(v), min, max, field);
    return qint64(d);
}

} // namespace

bool isNull(const QVariant& v) {
    return !v.isValid() || v.isNull();
}

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

bool same(const QVariant& a, const QVariant& b) {
    if (isNull(a) || isNull(b))
        return isNull(a) && isNull(b);
    if (isNumber(a) || isNumber(b)) {
        try {
            return toDouble(a) == toDouble(b);
        } catch (const ConversionError&) {
            return false;
        }
    }
    return toString(a) == toString(b);
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

qint64 checkedRange(qint64 v, qint64 min, qint64 max, const QString& field) {
    if (v < min || v > max)
        outOfRange(QString::number(v), min, max, field);
    return v;
}

qint64 toInteger(const QVariant& v, qint64 min, qint64 max, const QString& field) {
    if (isNull(v))
        return 0;
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
        return checkedRange(v.toLongLong(), min, max, field);
    case QMetaType::ULongLong: {
        const qulonglong u = v.toULongLong();
        if (u > qulonglong(std::numeric_limits<qint64>::max()))
            outOfRange(QString::number(u), min, max, field);
        return checkedRange(qint64(u), min, max, field);
    }
    case QMetaType::Double:
        return wholeDouble(v.toDouble(), v, min, max, field);
    case QMetaType::QString: {
        const QString& s = *static_cast<const QString*>(v.constData());
        const QStringView text = QStringView(s).trimmed();
        if (text.isEmpty())
            throw ConversionError(QStringLiteral("Пустое значение не является целым числом%1")
                                      .arg(fieldSuffix(field)));
        if (isIntegerText(text)) {
            const QByteArray digits = text.toLatin1();
            const char* b = digits.constData();
            const char* e = b + digits.size();
            if (*b == '+')
                ++b;
            qint64 i = 0;
            if (std::from_chars(b, e, i).ec != std::errc())
                outOfRange(text.toString(), min, max, field); // wider than 64 bits
            return checkedRange(i, min, max, field);
        }
        double d;
        if (parseDouble(s, d))
            return wholeDouble(d, v, min, max, field);
        break;
    }
    default:
        break;
    }
    notA(QStringLiteral("целым числом"), v, field);
}

qint64 toInt64(const QVariant& v, const QString& field) {
    return toInteger(v, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(),
                     field);
}

double rounded(double v, int places) {
    const double scale = std::pow(10.0, places);
    return std::round(v * scale) / scale;
}

qint32 toInt32(const QVariant& v, const QString& field) {
    return qint32(toInteger(v, std::numeric_limits<qint32>::min(),
                            std::numeric_limits<qint32>::max(), field));
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
        if (p == text + length) {
            if (ec == std::errc())
                return i;
            // A whole number wider than 64 bits keeps its exact digits.
            return QString::fromLatin1(text, length);
        }
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
        return fromServer(text, length);
    }
}

QString fromServer(const char* text, qsizetype length) {
    QString s = QString::fromUtf8(text, length);
    // fromUtf8 drops one leading byte order mark; the server keeps it as a character.
    if (length >= 3 && uchar(text[0]) == 0xEF && uchar(text[1]) == 0xBB && uchar(text[2]) == 0xBF)
        s.prepend(QChar(0xFEFF));
    return s;
}

QString fromServer(const char* text) {
    return text ? fromServer(text, qsizetype(std::strlen(text))) : QString();
}

std::optional<QByteArray> parameterText(const QVariant& v, const QString& place) {
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
    default: {
        QByteArray text = wellFormed(v.toString()).toUtf8();
        // libpq sends a parameter up to its first NUL: "a\0b" would be stored as "a".
        if (text.contains('\0'))
            throw ConversionError(
                QStringLiteral("Текст%1 содержит нулевой символ (код 0), его нельзя передать в БД")
                    .arg(place.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(place)));
        return text;
    }
    }
}

} // namespace data::value
