#include "ResultSetModel.h"

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

int ResultSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !resultSet_.isOpen() ? 0 : resultSet_.rowCount();
}

int ResultSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant ResultSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Column& column = columns_[size_t(index.column())];
    if (role == KeyRole) {
        const int key = resultSet_.fieldIndex(keyField_);
        return key < 0 ? QVariant() : resultSet_.valueAt(index.row(), key);
    }
    if (cellRole_) {
        QVariant v = cellRole_(index.row(), index.column(), role);
        if (v.isValid())
            return v;
    }
    switch (role) {
    case Qt::DisplayRole: {
        const int field = fieldIndex_[size_t(index.column())];
        if (field < 0)
            return {};
        const QVariant& v = resultSet_.valueAt(index.row(), field);
        return column.format ? column.format(v) : data::value::toString(v);
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column.alignment);
    default:
        return {};
    }
}

QVariant ResultSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
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

QString withDecimalComma(const QVariant& value) {
    return data::value::toString(value).replace(QLatin1Char('.'), QLatin1Char(','));
}

} // namespace ui
