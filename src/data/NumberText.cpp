#include "NumberText.h"

#include "Value.h"

#include <QLocale>
#include <QVarLengthArray>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace data::value {

int decimalsOf(const QString& mask) {
    if (mask.isEmpty())
        return -1;
    const qsizetype dot = mask.indexOf(QLatin1Char('.'));
    return dot < 0 ? 0 : int(mask.size() - dot - 1);
}

// Rounds on the 15-digit decimal form rather than on the binary value, so 2.675 with two
// decimals gives 2.68 as written, and a half goes away from zero.
QString fixed(double x, int decimals, QChar point) {
    if (!std::isfinite(x))
        return QString::number(x);
    // d.dddddddddddddde±XX, as printf's "%.14e" writes it, many times faster.
    char sci[40] = {};
    std::to_chars(sci, sci + sizeof sci - 1, std::fabs(x), std::chars_format::scientific, 14);
    char digits[15];
    digits[0] = sci[0];
    std::memcpy(digits + 1, sci + 2, 14);
    // |x| = 0.digits × 10^(exponent + 1); |x| × 10^decimals keeps the first `keep` digits.
    const int keep = std::atoi(sci + 17) + 1 + decimals;
    // round(|x| × 10^decimals); a report prints a million of these, so no heap for the usual.
    QVarLengthArray<char, 64> scaled;
    if (keep <= 0) {
        scaled.append(keep == 0 && digits[0] >= '5' ? '1' : '0');
    } else if (keep >= 15) {
        scaled.append(digits, 15);
        for (int i = 15; i < keep; ++i)
            scaled.append('0');
    } else {
        scaled.append(digits, keep);
        if (digits[keep] >= '5') {
            int i = keep - 1;
            while (i >= 0 && scaled[i] == '9')
                scaled[i--] = '0';
            if (i >= 0)
                ++scaled[i];
            else
                scaled.insert(scaled.cbegin(), '1');
        }
    }
    qsizetype first = 0;
    while (first < scaled.size() && scaled[first] == '0')
        ++first;
    const qsizetype significant = scaled.size() - first;
    const bool negative = x < 0 && significant > 0;
    // Zeros in front when the number has fewer digits than its decimals and one more.
    const qsizetype padded = std::max<qsizetype>(significant, qsizetype(decimals) + 1);
    const qsizetype whole = padded - decimals;
    QString out(qsizetype(negative) + whole + (decimals > 0 ? decimals + 1 : 0), Qt::Uninitialized);
    QChar* o = out.data();
    if (negative)
        *o++ = QLatin1Char('-');
    const qsizetype zeros = padded - significant;
    for (qsizetype j = 0; j < padded; ++j) {
        if (j == whole)
            *o++ = point;
        *o++ = QLatin1Char(j < zeros ? '0' : scaled[first + j - zeros]);
    }
    return out;
}

QString formatNumber(const QVariant& v, int decimals, QChar point) {
    if (decimals >= 0)
        return fixed(v.toDouble(), decimals, point);
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
        return QString::number(v.toLongLong());
    return shortest(v.toDouble(), point);
}

QString shortest(double x, QChar point) {
    if (!std::isfinite(x))
        return QString::number(x);
    char buffer[40] = {};
    std::to_chars(buffer, buffer + sizeof buffer - 1, x, std::chars_format::scientific, 14);
    const int exponent = std::atoi(buffer + (x < 0 ? 18 : 17));
    if (x == 0 || exponent < -15 || exponent > 20) {
        char general[40] = {};
        std::to_chars(general, general + sizeof general - 1, x, std::chars_format::general, 15);
        QString s = QString::fromLatin1(general); // as "%.15g"
        if (s == QLatin1String("-0"))
            s = QStringLiteral("0");
        return s.replace(QLatin1Char('.'), point);
    }
    // 15 significant digits in fixed form, then the zeros past the last digit that counts.
    QString s = fixed(x, std::max(0, 14 - exponent), point);
    if (s.contains(point)) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(point))
            s.chop(1);
    }
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

QString formatValue(const QVariant& value, const QString& mask) {
    if (isNull(value))
        return {};
    if (!isNumber(value))
        return toString(value);
    return formatNumber(value, decimalsOf(mask), QLocale().decimalPoint().at(0));
}

QString withDecimalComma(const QVariant& value) {
    const QChar comma(QLatin1Char(','));
    if (isNumber(value))
        return formatNumber(value, -1, comma);
    const QString text = toString(value);
    bool ok = false;
    const double x = text.trimmed().toDouble(&ok);
    if (ok)
        return shortest(x, comma);
    return QString(text).replace(QLatin1Char('.'), comma);
}

} // namespace data::value
