#include "NumberText.h"

#include "Value.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

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
    char buffer[40] = {};
    // d.dddddddddddddde±XX, as printf's "%.14e" writes it, many times faster.
    std::to_chars(buffer, buffer + sizeof buffer - 1, std::fabs(x), std::chars_format::scientific,
                  14);
    std::string digits(1, buffer[0]);
    digits.append(buffer + 2, 14);
    // |x| = 0.digits × 10^(exponent + 1); |x| × 10^decimals keeps the first `keep` digits.
    const int keep = std::atoi(buffer + 17) + 1 + decimals;
    std::string scaled; // round(|x| × 10^decimals)
    if (keep <= 0) {
        scaled = keep == 0 && digits[0] >= '5' ? "1" : "0";
    } else if (keep >= int(digits.size())) {
        scaled = digits + std::string(size_t(keep) - digits.size(), '0');
    } else {
        scaled = digits.substr(0, size_t(keep));
        if (digits[size_t(keep)] >= '5') {
            int i = keep - 1;
            while (i >= 0 && scaled[size_t(i)] == '9')
                scaled[size_t(i--)] = '0';
            if (i >= 0)
                ++scaled[size_t(i)];
            else
                scaled.insert(scaled.begin(), '1');
        }
    }
    const size_t first = std::min(scaled.find_first_not_of('0'), scaled.size());
    scaled.erase(0, first);
    const bool zero = scaled.empty();
    if (scaled.size() < size_t(decimals) + 1)
        scaled.insert(0, size_t(decimals) + 1 - scaled.size(), '0');
    QString out = QString::fromLatin1(scaled.data(), qsizetype(scaled.size() - size_t(decimals)));
    if (decimals > 0)
        out +=
            point + QString::fromLatin1(scaled.data() + scaled.size() - size_t(decimals), decimals);
    if (x < 0 && !zero)
        out.prepend(QLatin1Char('-'));
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
