#include "ResultSetModel.h"

#include "ActionGuard.h"
#include "LiveGrid.h"
#include "data/Error.h"
#include "data/ResultSet.h"
#include "data/Value.h"

namespace ui {

ResultSetModel::ResultSetModel(data::ResultSet& resultSet, std::vector<Column> columns,
                               QObject* parent)
    : QAbstractTableModel(parent), resultSet_(resultSet), columns_(std::move(columns)) {
    connect(&resultSet_, &data::ResultSet::reset, this, &ResultSetModel::refresh);
    connect(&resultSet_, &data::ResultSet::rowChanged, this,
            [this](int row) { emit dataChanged(index(row, 0), index(row, columnCount() - 1)); });
    refresh();
}

void ResultSetModel::refresh() {
    beginResetModel();
    fieldIndex_.clear();
    for (const Column& c : columns_)
        fieldIndex_.push_back(resultSet_.isOpen() ? resultSet_.fieldIndex(c.field) : -1);
    endResetModel();
}

void ResultSetModel::setEditable(bool editable) {
    if (editable == editable_)
        return;
    beginResetModel();
    editable_ = editable;
    endResetModel();
}

int ResultSetModel::newRow() const {
    return editable_ && resultSet_.isOpen() ? resultSet_.rowCount() : -1;
}

int ResultSetModel::pendingRow() const {
    if (!editable_ || !resultSet_.isOpen())
        return -1;
    switch (resultSet_.state()) {
    case data::ResultSet::State::Edit:
        return resultSet_.recNo();
    case data::ResultSet::State::Insert:
        return newRow();
    case data::ResultSet::State::Browse:
        break;
    }
    return -1;
}

int ResultSetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !resultSet_.isOpen())
        return 0;
    return resultSet_.rowCount() + (editable_ ? 1 : 0);
}

int ResultSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

// A pending row shows what was typed into it; the empty row shows nothing until then.
QVariant ResultSetModel::cellValue(int row, int column) const {
    if (fieldIndex_[size_t(column)] < 0)
        return {};
    if (row == pendingRow())
        return resultSet_.value(columns_[size_t(column)].field);
    if (row >= resultSet_.rowCount())
        return {};
    return resultSet_.valueAt(row, fieldIndex_[size_t(column)]);
}

QString ResultSetModel::editorText(int row, int column) const {
    const QVariant v = cellValue(row, column);
    const Column& c = columns_[size_t(column)];
    return c.editText ? c.editText(v) : data::value::toString(v);
}

QVariant ResultSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Column& column = columns_[size_t(index.column())];
    const bool stored = index.row() < resultSet_.rowCount();
    if (role == KeyRole) {
        const int key = resultSet_.fieldIndex(keyField_);
        return key < 0 || !stored ? QVariant() : resultSet_.valueAt(index.row(), key);
    }
    if (cellRole_ && stored) {
        QVariant v = cellRole_(index.row(), index.column(), role);
        if (v.isValid())
            return v;
    }
    switch (role) {
    case Qt::DisplayRole: {
        if (fieldIndex_[size_t(index.column())] < 0)
            return {};
        const QVariant v = cellValue(index.row(), index.column());
        return column.format ? column.format(v) : data::value::toString(v);
    }
    case Qt::EditRole:
        if (!editable_)
            return {};
        return editorText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment);
    default:
        return {};
    }
}

QVariant ResultSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        // The row indicator of an editable grid: the row being changed and the empty one.
        if (!editable_ || role != Qt::DisplayRole || section < 0 || section >= rowCount())
            return {};
        if (section == pendingRow())
            return QStringLiteral("✎");
        return section == newRow() ? QStringLiteral("*") : QString();
    }
    if (section < 0 || section >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return columns_[size_t(section)].title;
    case Qt::FontRole: {
        QFont f;
        f.setBold(boldTitles_);
        return f;
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignCenter | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags ResultSetModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (editable_ && index.isValid() && columns_[size_t(index.column())].parse &&
        fieldIndex_[size_t(index.column())] >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool ResultSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable) || index.row() >= rowCount())
        return false;
    const int row = index.row(), column = index.column();
    const int pending = pendingRow();
    if (pending >= 0 && pending != row)
        return false; // one row at a time: the grid writes a row before it leaves it
    const QString typed = value.toString();
    if (typed == editorText(row, column))
        return true;
    return guarded([&] {
        const QVariant parsed = columns_[size_t(column)].parse(typed);
        if (!data::value::same(parsed, cellValue(row, column)))
            setCell(row, column, parsed);
    });
}

void ResultSetModel::setCell(int row, int column, const QVariant& value) {
    if (resultSet_.state() == data::ResultSet::State::Browse) {
        if (row == newRow()) {
            resultSet_.append();
        } else {
            if (resultSet_.recNo() != row)
                resultSet_.moveTo(row);
            resultSet_.edit();
        }
    }
    resultSet_.setValue(columns_[size_t(column)].field, value);
    pendingChanged(row);
}

void ResultSetModel::pendingChanged(int row) {
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
}

void ResultSetModel::writePending() {
    if (pendingRow() < 0)
        return;
    if (beforeWrite_)
        beforeWrite_(resultSet_);
    try {
        resultSet_.post();
    } catch (const data::DbError& e) {
        if (writeRefused_)
            writeRefused_(e);
        throw;
    }
    // Read again, so the row takes its place in the statement's order with what the server
    // made of it, and stays the current one.
    readAgainKeepingPlace(resultSet_, keyField_);
}

void ResultSetModel::dropPending() {
    const int row = pendingRow();
    if (row < 0)
        return;
    resultSet_.cancel();
    pendingChanged(row);
}

} // namespace ui
