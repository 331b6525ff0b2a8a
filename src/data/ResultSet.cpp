#include "ResultSet.h"

#include "Connection.h"
#include "Error.h"
#include "FilterExpression.h"
#include "LibPq.h"
#include "Transaction.h"
#include "Value.h"

#include <QCollator>
#include <algorithm>
#include <limits>

namespace data {

namespace {

QString quoteIdentifier(const QString& name) {
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

const QCollator& collator() {
    static const QCollator c = [] {
        QCollator k(QLocale(QLocale::Russian, QLocale::Russia));
        k.setCaseSensitivity(Qt::CaseInsensitive);
        return k;
    }();
    return c;
}

// Orders nulls first, numbers by value, dates by time, text by the Russian alphabet.
int compareCells(const QVariant& a, const QVariant& b) {
    const bool an = value::isNull(a), bn = value::isNull(b);
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    if (value::isNumber(a) && value::isNumber(b)) {
        if (a.typeId() == QMetaType::LongLong && b.typeId() == QMetaType::LongLong) {
            const qint64 x = a.toLongLong(), y = b.toLongLong();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.typeId() == QMetaType::QDate && b.typeId() == QMetaType::QDate) {
        const QDate x = a.toDate(), y = b.toDate();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.typeId() == QMetaType::QDateTime && b.typeId() == QMetaType::QDateTime) {
        const QDateTime x = a.toDateTime(), y = b.toDateTime();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const int c = collator().compare(value::toString(a), value::toString(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace

ResultSet::ResultSet(Connection& connection, const QString& name, QObject* parent)
    : QObject(parent), connection_(&connection) {
    setObjectName(name);
}

void ResultSet::setConnection(Connection& connection) {
    close();
    connection_ = &connection;
}

ResultSet::~ResultSet() = default;

void ResultSet::setSql(const QString& sql) {
    sql_ = sql;
}

int ResultSet::fieldIndex(const QString& field) const {
    const QString key = field.trimmed().toLower();
    for (size_t i = 0; i < lowerFields_.size(); ++i)
        if (lowerFields_[i] == key)
            return int(i);
    return -1;
}

int ResultSet::requireField(const QString& field) const {
    const int i = fieldIndex(field);
    if (i < 0)
        throw ConversionError(QStringLiteral("Поле «%1» не найдено в наборе данных %2")
                                  .arg(excerpt(field), objectName()));
    return i;
}

void ResultSet::requireOpen() const {
    if (!open_)
        throw DbError(QStringLiteral("Набор данных %1 закрыт").arg(objectName()));
}

void ResultSet::requireBrowse() const {
    if (state_ != State::Browse)
        throw DbError(QStringLiteral("Набор данных %1 в режиме правки").arg(objectName()));
}

struct ResultSet::Fetched {
    std::shared_ptr<::pg_result> result;
    std::vector<QString> fields, lowerFields;
    std::vector<unsigned int> types;
    std::vector<int> typmods;
    std::vector<SortKey> sortKeys;
    std::unique_ptr<FilterExpression> filter;
};

// Runs the statement; the set itself is not touched, so a failure leaves it as it was.
void ResultSet::setServerSetting(const QString& name, const QString& value) {
    const auto it = std::find_if(serverSettings_.begin(), serverSettings_.end(),
                                 [&name](const auto& s) { return s.first == name; });
    if (it != serverSettings_.end())
        serverSettings_.erase(it);
    if (!value.isEmpty())
        serverSettings_.emplace_back(name, value);
}

ResultSet::Fetched ResultSet::fetch() const {
    if (serverSettings_.empty() || connection_->inTransaction())
        return fetchRows();
    // set_config(..., true) lasts to the transaction's end: the session's own settings are back
    // for the next statement, also when this one fails.
    Transaction read(*connection_);
    for (const auto& [name, value] : serverSettings_)
        connection_->exec("select set_config($1, $2, true)", {name.toUtf8(), value.toUtf8()},
                          Connection::Access::Read);
    Fetched f = fetchRows();
    read.commit();
    return f;
}

ResultSet::Fetched ResultSet::fetchRows() const {
    const ParsedStatement parsed = parseStatement(sql_);
    PgResult result =
        connection_->exec(parsed.positional, params_.bind(parsed), Connection::Access::Read,
                          freshPlans_ ? Connection::Plan::Fresh : Connection::Plan::Kept);
    pg_result* r = result.get();
    Fetched f;
    const int columns = libpq::api().PQnfields(r);
    for (int c = 0; c < columns; ++c) {
        f.fields.push_back(value::fromServer(libpq::api().PQfname(r, c)));
        f.lowerFields.push_back(f.fields.back().toLower());
        f.types.push_back(libpq::api().PQftype(r, c));
        f.typmods.push_back(libpq::api().PQfmod(r, c));
    }
    f.result.reset(result.release(), libpq::api().PQclear);
    return f;
}

// The sort and filter expressions against the fetched columns.
void ResultSet::compile(Fetched& f, const QString& sort) const {
    const auto column = [&f](const QString& field) {
        const auto it =
            std::find(f.lowerFields.begin(), f.lowerFields.end(), field.trimmed().toLower());
        return it == f.lowerFields.end() ? -1 : int(it - f.lowerFields.begin());
    };
    f.sortKeys = parseSortExpression(sort);
    for (const SortKey& k : f.sortKeys)
        if (column(k.field) < 0)
            throw ConversionError(QStringLiteral("Поле «%1» не найдено в наборе данных %2")
                                      .arg(excerpt(k.field), objectName()));
    if (!filterText_.trimmed().isEmpty())
        f.filter = std::make_unique<FilterExpression>(filterText_, column);
}

void ResultSet::take(Fetched&& f) {
    fields_ = std::move(f.fields);
    lowerFields_ = std::move(f.lowerFields);
    types_ = std::move(f.types);
    typmods_ = std::move(f.typmods);
    result_ = std::move(f.result);
    storeRows_ = libpq::api().PQntuples(result_.get());
    cells_.assign(size_t(storeRows_) * fields_.size(), QVariant());
    ready_.assign(cells_.size(), 0);
    open_ = true;
    state_ = State::Browse;
    sortKeys_ = std::move(f.sortKeys);
    filterExpr_ = std::move(f.filter);
    rebuildVisible();
    setCurrent(visible_.empty() ? -1 : 0);
    emit reset();
}

void ResultSet::open() {
    if (open_)
        return;
    Fetched f = fetch();
    try {
        compile(f, sortText_);
    } catch (...) {
        close();
        throw;
    }
    take(std::move(f));
}

void ResultSet::close() {
    const bool wasOpen = open_;
    open_ = false;
    result_.reset();
    cells_.clear();
    cells_.shrink_to_fit();
    ready_.clear();
    ready_.shrink_to_fit();
    visible_.clear();
    storeRows_ = 0;
    sortText_.clear();
    sortKeys_.clear();
    state_ = State::Browse;
    current_ = -1;
    eof_ = bof_ = true;
    if (wasOpen)
        emit reset();
}

void ResultSet::reopen() {
    Fetched f = fetch();
    compile(f, {});
    close();
    take(std::move(f));
}

void ResultSet::rebuildVisible() {
    std::vector<int> order(static_cast<size_t>(storeRows_));
    for (int i = 0; i < storeRows_; ++i)
        order[size_t(i)] = i;
    if (!sortKeys_.empty()) {
        std::vector<std::pair<int, bool>> keys;
        for (const SortKey& k : sortKeys_)
            keys.emplace_back(fieldIndex(k.field), k.descending);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            for (const auto& [column, descending] : keys) {
                const int c = compareCells(cell(a, column), cell(b, column));
                if (c != 0)
                    return descending ? c > 0 : c < 0;
            }
            return false;
        });
    }
    visible_.clear();
    if (filtered_ && filterExpr_) {
        const FilterExpression::CellAccess access = [this](int row, int column) -> const QVariant& {
            return cell(row, column);
        };
        for (int row : order)
            if (filterExpr_->matches(access, row))
                visible_.push_back(row);
    } else {
        visible_ = std::move(order);
    }
}

void ResultSet::decodeCell(int storeRow, int column, size_t index) const {
    pg_result* r = result_.get();
    cells_[index] =
        !r || storeRow >= libpq::api().PQntuples(r) || libpq::api().PQgetisnull(r, storeRow, column)
            ? QVariant()
            : value::decode(libpq::api().PQgetvalue(r, storeRow, column),
                            libpq::api().PQgetlength(r, storeRow, column), types_[size_t(column)]);
    ready_[index] = 1;
}

std::vector<QVariant> ResultSet::rowValues(int storeRow) const {
    std::vector<QVariant> out;
    out.reserve(fields_.size());
    for (int c = 0; c < fieldCount(); ++c)
        out.push_back(cell(storeRow, c));
    return out;
}

void ResultSet::setCurrent(int row) {
    if (visible_.empty()) {
        current_ = -1;
        eof_ = bof_ = true;
    } else {
        current_ = std::clamp(row, 0, int(visible_.size()) - 1);
        eof_ = bof_ = false;
    }
    emit currentChanged(current_);
}

void ResultSet::first() {
    setCurrent(0);
}

void ResultSet::last() {
    setCurrent(int(visible_.size()) - 1);
}

void ResultSet::next() {
    if (current_ + 1 >= int(visible_.size())) {
        eof_ = true;
        return;
    }
    setCurrent(current_ + 1);
}

void ResultSet::prior() {
    if (current_ <= 0) {
        bof_ = true;
        return;
    }
    setCurrent(current_ - 1);
}

void ResultSet::moveTo(int row) {
    setCurrent(row);
}

bool ResultSet::locate(const QString& field, const QVariant& wanted) {
    requireOpen();
    const int column = requireField(field);
    for (size_t i = 0; i < visible_.size(); ++i) {
        if (value::same(cell(visible_[i], column), wanted)) {
            setCurrent(int(i));
            return true;
        }
    }
    return false;
}

void ResultSet::setSort(const QString& expression) {
    std::vector<SortKey> keys = parseSortExpression(expression);
    if (open_)
        for (const SortKey& k : keys)
            requireField(k.field);
    sortText_ = expression;
    sortKeys_ = std::move(keys);
    if (!open_)
        return;
    const int keep = current_ >= 0 ? visible_[size_t(current_)] : -1;
    rebuildVisible();
    const auto found = std::find(visible_.begin(), visible_.end(), keep);
    emit reset();
    setCurrent(found == visible_.end() ? 0 : int(found - visible_.begin()));
}

void ResultSet::setFilter(const QString& expression) {
    std::unique_ptr<FilterExpression> compiled;
    if (open_ && !expression.trimmed().isEmpty())
        compiled = std::make_unique<FilterExpression>(
            expression, [this](const QString& f) { return fieldIndex(f); });
    filterText_ = expression;
    filterExpr_ = std::move(compiled);
    if (open_ && filtered_) {
        rebuildVisible();
        emit reset();
        setCurrent(0);
    }
}

void ResultSet::setFiltered(bool on) {
    if (on == filtered_)
        return;
    filtered_ = on;
    if (open_) {
        rebuildVisible();
        emit reset();
        setCurrent(0);
    }
}

const QVariant& ResultSet::valueAt(int row, int column) const {
    return cell(visible_.at(size_t(row)), column);
}

void ResultSet::releaseDecoded(int first, int last) const {
    const size_t columns = fields_.size();
    for (int row = std::max(first, 0); row < last && row < int(visible_.size()); ++row) {
        const size_t start = size_t(visible_[size_t(row)]) * columns;
        for (size_t i = start; i < start + columns; ++i)
            if (ready_[i]) {
                cells_[i] = QVariant();
                ready_[i] = 0;
            }
    }
}

QVariant ResultSet::value(const QString& field) const {
    requireOpen();
    const int column = requireField(field);
    if (state_ != State::Browse)
        return buffer_[size_t(column)];
    if (current_ < 0)
        return {};
    return cell(visible_[size_t(current_)], column);
}

bool ResultSet::isNull(const QString& field) const {
    return value::isNull(value(field));
}
QString ResultSet::asString(const QString& field) const {
    return value::toString(value(field));
}
double ResultSet::asDouble(const QString& field) const {
    return value::toDouble(value(field), field);
}
qint32 ResultSet::asInt(const QString& field) const {
    return value::toInt32(value(field), field);
}
qint64 ResultSet::asInt64(const QString& field) const {
    return value::toInt64(value(field), field);
}
QDate ResultSet::asDate(const QString& field) const {
    return value::toDate(value(field), field);
}

void ResultSet::setUpdateTable(const QString& table, const QString& keyField) {
    updateTable_ = table;
    keyField_ = keyField;
}

void ResultSet::append() {
    requireOpen();
    requireBrowse();
    if (updateTable_.isEmpty())
        throw DbError(QStringLiteral("Набор данных %1 только для чтения").arg(objectName()));
    buffer_.assign(fields_.size(), QVariant());
    modified_.assign(fields_.size(), false);
    state_ = State::Insert;
}

void ResultSet::edit() {
    requireOpen();
    if (state_ != State::Browse)
        return;
    if (updateTable_.isEmpty())
        throw DbError(QStringLiteral("Набор данных %1 только для чтения").arg(objectName()));
    if (current_ < 0)
        throw DbError(QStringLiteral("Набор данных %1 пуст").arg(objectName()));
    buffer_ = rowValues(visible_[size_t(current_)]);
    modified_.assign(fields_.size(), false);
    state_ = State::Edit;
}

void ResultSet::setValue(const QString& field, const QVariant& v) {
    if (state_ == State::Browse)
        throw DbError(QStringLiteral("Набор данных %1 не в режиме правки").arg(objectName()));
    const int column = requireField(field);
    buffer_[size_t(column)] = v;
    modified_[size_t(column)] = true;
}

void ResultSet::cancel() {
    state_ = State::Browse;
}

void ResultSet::storeReturnedRow(pg_result* r, int storeRow) {
    for (int c = 0; c < libpq::api().PQnfields(r); ++c) {
        const int column = fieldIndex(value::fromServer(libpq::api().PQfname(r, c)));
        if (column < 0)
            continue;
        const size_t i = size_t(storeRow) * fields_.size() + size_t(column);
        cells_[i] =
            libpq::api().PQgetisnull(r, 0, c)
                ? QVariant()
                : value::decode(libpq::api().PQgetvalue(r, 0, c), libpq::api().PQgetlength(r, 0, c),
                                libpq::api().PQftype(r, c));
        ready_[i] = 1;
    }
}

namespace {

// "where" part that finds one row again: by its key, or by every value it was read with.
QString rowCondition(const std::vector<QString>& fields, const std::vector<QVariant>& original,
                     int keyColumn, const QString& table,
                     std::vector<std::optional<QByteArray>>& params) {
    if (keyColumn >= 0) {
        params.push_back(value::parameterText(
            original[size_t(keyColumn)], QStringLiteral("поле %1").arg(fields[size_t(keyColumn)])));
        return QStringLiteral("%1 = $%2")
            .arg(quoteIdentifier(fields[size_t(keyColumn)]))
            .arg(params.size());
    }
    QStringList parts;
    for (size_t c = 0; c < fields.size(); ++c) {
        params.push_back(
            value::parameterText(original[c], QStringLiteral("поле %1").arg(fields[c])));
        parts << QStringLiteral("%1 is not distinct from $%2")
                     .arg(quoteIdentifier(fields[c]))
                     .arg(params.size());
    }
    return QStringLiteral("ctid = (select ctid from %1 where %2 limit 1)")
        .arg(table, parts.join(QLatin1String(" and ")));
}

enum IntegerOid : unsigned int { Int8 = 20, Int2 = 21, Int4 = 23, Numeric = 1700 };

// The range of an integer column: smallint, integer, bigint, numeric(p,0) up to 18 digits.
std::optional<std::pair<qint64, qint64>> integerRange(unsigned int type, int typmod) {
    switch (type) {
    case Int2:
        return std::pair<qint64, qint64>{std::numeric_limits<qint16>::min(),
                                         std::numeric_limits<qint16>::max()};
    case Int4:
        return std::pair<qint64, qint64>{std::numeric_limits<qint32>::min(),
                                         std::numeric_limits<qint32>::max()};
    case Int8:
        return std::pair<qint64, qint64>{std::numeric_limits<qint64>::min(),
                                         std::numeric_limits<qint64>::max()};
    case Numeric: {
        if (typmod < 4)
            return std::nullopt; // numeric without precision
        const int precision = ((typmod - 4) >> 16) & 0xffff;
        const int scale = (((typmod - 4) & 0x7ff) ^ 1024) - 1024;
        if (scale != 0 || precision > 18)
            return std::nullopt;
        qint64 max = 1;
        for (int i = 0; i < precision; ++i)
            max *= 10;
        return std::pair<qint64, qint64>{-(max - 1), max - 1};
    }
    default:
        return std::nullopt;
    }
}

} // namespace

// A value as it is sent for its column. An integer column gets a whole number in its range
// or nothing: the server would refuse 40000 for smallint only in English, and would round
// 2.5 into numeric(15,0) without a word.
std::optional<QByteArray> ResultSet::writtenValue(size_t column) const {
    const QVariant& v = buffer_[column];
    if (!value::isNull(v))
        if (const auto range = integerRange(types_[column], typmods_[column]))
            return QByteArray::number(
                value::toInteger(v, range->first, range->second, fields_[column]));
    return value::parameterText(v, QStringLiteral("поле %1").arg(fields_[column]));
}

void ResultSet::post() {
    if (state_ == State::Browse)
        return;
    std::vector<std::optional<QByteArray>> params;
    QStringList columns, values;
    for (size_t c = 0; c < fields_.size(); ++c) {
        if (!modified_[c])
            continue;
        params.push_back(writtenValue(c));
        columns << quoteIdentifier(fields_[c]);
        values << QStringLiteral("$%1").arg(params.size());
    }
    QString sql;
    int storeRow = -1;
    if (state_ == State::Insert) {
        sql = columns.isEmpty()
                  ? QStringLiteral("insert into %1 default values returning *").arg(updateTable_)
                  : QStringLiteral("insert into %1 (%2) values (%3) returning *")
                        .arg(updateTable_, columns.join(QLatin1String(", ")),
                             values.join(QLatin1String(", ")));
    } else {
        if (columns.isEmpty()) {
            state_ = State::Browse;
            return;
        }
        storeRow = visible_[size_t(current_)];
        const std::vector<QVariant> original = rowValues(storeRow);
        QStringList sets;
        for (int i = 0; i < columns.size(); ++i)
            sets << columns[i] + QStringLiteral(" = ") + values[i];
        const QString where =
            rowCondition(fields_, original, fieldIndex(keyField_), updateTable_, params);
        sql = QStringLiteral("update %1 set %2 where %3 returning *")
                  .arg(updateTable_, sets.join(QLatin1String(", ")), where);
    }
    PgResult result = connection_->exec(sql.toUtf8(), params);
    if (libpq::api().PQntuples(result.get()) == 0)
        throw DbError(
            QStringLiteral("Запись не найдена: её изменили или удалили на другой рабочей станции"));
    if (state_ == State::Insert) {
        storeRow = storeRows_++;
        cells_.insert(cells_.end(), buffer_.begin(), buffer_.end());
        ready_.insert(ready_.end(), buffer_.size(), 1);
        storeReturnedRow(result.get(), storeRow);
        visible_.push_back(storeRow);
        state_ = State::Browse;
        emit reset();
        setCurrent(int(visible_.size()) - 1);
    } else {
        storeReturnedRow(result.get(), storeRow);
        state_ = State::Browse;
        emit rowChanged(current_);
    }
}

void ResultSet::remove() {
    requireOpen();
    requireBrowse();
    if (updateTable_.isEmpty())
        throw DbError(QStringLiteral("Набор данных %1 только для чтения").arg(objectName()));
    if (current_ < 0)
        throw DbError(QStringLiteral("Набор данных %1 пуст").arg(objectName()));
    const int storeRow = visible_[size_t(current_)];
    const std::vector<QVariant> original = rowValues(storeRow);
    std::vector<std::optional<QByteArray>> params;
    const QString where =
        rowCondition(fields_, original, fieldIndex(keyField_), updateTable_, params);
    connection_->exec(QStringLiteral("delete from %1 where %2").arg(updateTable_, where).toUtf8(),
                      params);
    visible_.erase(visible_.begin() + current_);
    const int row = current_;
    emit reset();
    setCurrent(row);
}

} // namespace data
