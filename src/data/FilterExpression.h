#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace data {

// A client-side row filter: comparisons of a column with a number or a quoted text
// ("naimen=0", "fio like 'Ив%'"), joined by and / or (and binds tighter), with
// parentheses and not. Text comparisons and like ignore letter case, Cyrillic included;
// like also takes ё and е as one letter, as a search does;
// in a like pattern % and _ are wildcards and a backslash takes the next character as is.
class FilterExpression {
public:
    using ColumnLookup = std::function<int(const QString& field)>; // -1 when unknown
    using CellAccess = std::function<const QVariant&(int row, int column)>;

    // Throws ConversionError for a malformed expression, an unknown column or parentheses and
    // not nested deeper than 100 levels. And/or chains of any length are fine.
    FilterExpression(const QString& expression, const ColumnLookup& columns);
    ~FilterExpression();
    FilterExpression(FilterExpression&&) noexcept;
    FilterExpression& operator=(FilterExpression&&) noexcept;

    bool matches(const CellAccess& cell, int row) const;

    struct Node;

private:
    std::unique_ptr<Node> root_;
};

} // namespace data
