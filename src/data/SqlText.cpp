#include "SqlText.h"

#include "Error.h"
#include "Value.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <limits>

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

namespace {

// "(поле Кол-во)" after a refusal, so the user knows which box to mend.
QString inField(const QString& fieldCaption) {
    return fieldCaption.isEmpty() ? QString()
                                  : QStringLiteral(" (поле %1)").arg(data::excerpt(fieldCaption));
}

void refuseEmpty(const QString& text, const QString& fieldCaption) {
    if (text.isEmpty() && !fieldCaption.isEmpty())
        throw data::ConversionError(
            QStringLiteral("Поле «%1» не заполнено").arg(data::excerpt(fieldCaption)));
}

} // namespace

QString typedDecimal(const QString& typed, const QString& fieldCaption) {
    QString text = typed.trimmed();
    refuseEmpty(text, fieldCaption);
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    if (!number.match(text).hasMatch())
        throw data::ConversionError(QStringLiteral("«%1» не является числом%2")
                                        .arg(data::excerpt(typed), inField(fieldCaption)));
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

namespace {

data::ConversionError negative(const QString& typed, const QString& fieldCaption) {
    return data::ConversionError(QStringLiteral("Значение %1 поля %2 не может быть отрицательным")
                                     .arg(data::excerpt(typed.trimmed()), fieldCaption));
}

} // namespace

QString typedDecimal(const QString& typed, double max, const QString& fieldCaption) {
    QString text = typedDecimal(typed, fieldCaption);
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (text.startsWith(QLatin1Char('-'))) {
        if (v != 0)
            throw negative(typed, fieldCaption);
        text.remove(0, 1);
    }
    if (!ok || !std::isfinite(v) || v > max)
        throw data::ConversionError(
            QStringLiteral("Значение %1 поля %2 вне допустимого диапазона (от 0 до %3)")
                .arg(data::excerpt(typed.trimmed()), fieldCaption, decimal(max)));
    return text;
}

QString typedInteger(const QString& typed) {
    return typedInteger(typed, std::numeric_limits<qint64>::min(),
                        std::numeric_limits<qint64>::max(), {});
}

QString typedInteger(const QString& typed, qint64 min, qint64 max, const QString& fieldCaption) {
    const QString text = typed.trimmed();
    refuseEmpty(text, fieldCaption);
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+$"));
    if (!number.match(text).hasMatch())
        throw data::ConversionError(QStringLiteral("«%1» не является целым числом%2")
                                        .arg(data::excerpt(typed), inField(fieldCaption)));
    // Digits only by now: what remains to refuse is a sign the field does not take, or a
    // number too wide for it.
    static const QRegularExpression zero(QStringLiteral("^[+-]?0+$"));
    if (min >= 0 && text.startsWith(QLatin1Char('-')) && !zero.match(text).hasMatch())
        throw negative(typed, fieldCaption);
    return integer(data::value::toInteger(text, min, max, fieldCaption));
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
    if (text.contains(QChar(0)))
        throw data::ConversionError(
            QStringLiteral("Текст содержит нулевой символ (код 0), его нельзя передать в БД"));
    QString q = data::value::wellFormed(text);
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
