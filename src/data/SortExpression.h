#pragma once

#include <QString>
#include <vector>

namespace data {

// "marka DESC, fio, id ASC": column names, each optionally followed by ASC or DESC.
struct SortKey {
    QString field;
    bool descending = false;
};

// Throws ConversionError for a malformed expression.
std::vector<SortKey> parseSortExpression(const QString& expression);

} // namespace data
