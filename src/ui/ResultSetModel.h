#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <functional>
#include <vector>

namespace data {
class ResultSet;
}

namespace ui {

// A grid's view of a result set: the grid shows the result set's visible rows in its
// order and never keeps rows of its own.
class ResultSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString field;
        QString title;
        int width = 80;
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
        // Display text of a value; the default shows it as the result set reads it.
        std::function<QString(const QVariant&)> format = {};
        bool hidden = false;
    };
    // The value of the key field of a row, so a window can find the row it saved.
    static constexpr int KeyRole = Qt::UserRole + 1;
    // Extra roles of a cell (colours, fonts): row and column of the grid, the role.
    using CellRole = std::function<QVariant(int row, int column, int role)>;

    explicit ResultSetModel(data::ResultSet& resultSet, std::vector<Column> columns,
                            QObject* parent = nullptr);

    void setCellRole(CellRole role) { cellRole_ = std::move(role); }
    void setBoldTitles(bool bold) { boldTitles_ = bold; }
    void setKeyField(const QString& field) { keyField_ = field; }
    data::ResultSet& resultSet() const { return resultSet_; }
    const std::vector<Column>& columns() const { return columns_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void refresh();

    data::ResultSet& resultSet_;
    std::vector<Column> columns_;
    std::vector<int> fieldIndex_;
    CellRole cellRole_;
    QString keyField_ = QStringLiteral("id");
    bool boldTitles_ = true;
};

// A number as the workstation shows it: the result set's shortest text, with a decimal comma.
QString withDecimalComma(const QVariant& value);

} // namespace ui
