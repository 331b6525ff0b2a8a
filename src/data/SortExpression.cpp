#include "SortExpression.h"

#include "Error.h"

#include <QRegularExpression>

namespace data {

std::vector<SortKey> parseSortExpression(const QString& expression) {
    std::vector<SortKey> keys;
    static const QRegularExpression space(QStringLiteral("\\s+"));
    for (const QString& part : expression.split(QLatin1Char(','))) {
        const QStringList words = part.trimmed().split(space, Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        SortKey key{words[0], false};
        if (words.size() == 2 && words[1].compare(QLatin1String("desc"), Qt::CaseInsensitive) == 0)
            key.descending = true;
        else if (words.size() > 2 ||
                 (words.size() == 2 &&
                  words[1].compare(QLatin1String("asc"), Qt::CaseInsensitive) != 0))
            throw ConversionError(
                QStringLiteral("Неверное выражение сортировки: «%1»").arg(excerpt(expression)));
        keys.push_back(key);
    }
    return keys;
}

} // namespace data
