#include "SqlText.h"

#include "Error.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>

namespace sqltext {

QString integer(qint64 v) {
    return QString::number(v);
}

QString decimal(double v) {
    if (!std::isfinite(v))
        throw data::ConversionError(QStringLiteral("Недопустимое число"));
    if (v == 0)
        v = 0; // no "-0"
    char buf[400];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return QString::fromLatin1(buf, int(p - buf));
}

QString typedDecimal(const QString& typed) {
    QString text = typed.trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    if (!number.match(text).hasMatch())
        throw data::ConversionError(QStringLiteral("«%1» не является числом").arg(typed));
    if (text.startsWith(QLatin1Char('+')))
        text.remove(0, 1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (text.startsWith(QLatin1Char('.')))
        text.prepend(QLatin1Char('0'));
    if (text.startsWith(QLatin1String("-.")))
        text.insert(1, QLatin1Char('0'));
    return text;
}

QString typedInteger(const QString& typed) {
    const QString text = typed.trimmed();
    static const QRegularExpression number(QStringLiteral("^[+-]?\\d+$"));
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!number.match(text).hasMatch() || !ok)
        throw data::ConversionError(QStringLiteral("«%1» не является целым числом").arg(typed));
    return integer(v);
}

QString date(const QDate& d) {
    if (!d.isValid())
        throw data::ConversionError(QStringLiteral("Неверная дата"));
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

QString toDate(const QDate& d) {
    return QStringLiteral("to_date('%1', 'DD.MM.YYYY')").arg(date(d));
}

QString quoted(const QString& text) {
    QString q = text;
    q.remove(QChar(0));
    q.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

namespace {

QString escapeLike(const QString& typed) {
    QString out;
    out.reserve(typed.size());
    for (QChar c : typed) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

} // namespace

QString likePrefix(const QString& typed) {
    return quoted(escapeLike(typed) + QLatin1Char('%'));
}

QString filterEquals(const QString& field, qint64 v) {
    return field + QLatin1Char('=') + integer(v);
}

QString filterLikePrefix(const QString& field, const QString& typed) {
    return field + QLatin1String(" like ") + likePrefix(typed);
}

} // namespace sqltext
