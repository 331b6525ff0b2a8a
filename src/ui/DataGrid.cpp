#include "DataGrid.h"

#include "ActionGuard.h"
#include "ResultSetModel.h"
#include "data/ResultSet.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <algorithm>

namespace ui {

DataGrid::DataGrid(const char* objectName, QWidget* parent) : QTableView(parent) {
    setObjectName(QLatin1String(objectName));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    // The selected row stays as visible as with the focus.
    QPalette p = palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
    setPalette(p);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &DataGrid::sortByTitle);
}

void DataGrid::setMultiSelect(bool on) {
    setSelectionMode(on ? QAbstractItemView::ExtendedSelection
                        : QAbstractItemView::SingleSelection);
}

QList<int> DataGrid::selectedRowNumbers() const {
    QList<int> rows;
    if (selectionModel())
        for (const QModelIndex& index : selectionModel()->selectedRows())
            rows << index.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DataGrid::showModel(ResultSetModel* model) {
    if (model_) {
        disconnect(&model_->resultSet(), nullptr, this, nullptr);
        disconnect(model_, nullptr, this, nullptr);
    }
    QItemSelectionModel* previous = selectionModel();
    model_ = model;
    setModel(model);
    delete previous;
    data::ResultSet& query = model->resultSet();
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [&query](const QModelIndex& current) {
                if (current.isValid() && current.row() != query.recNo())
                    query.moveTo(current.row());
            });
    connect(&query, &data::ResultSet::currentChanged, this, &DataGrid::followQuery);
    // A reset forgets the grid's current row; the query still knows it.
    connect(model, &QAbstractItemModel::modelReset, this,
            [this, &query] { followQuery(query.recNo()); });
    applyColumns();
    followQuery(query.isOpen() ? query.recNo() : -1);
}

void DataGrid::followQuery(int row) {
    if (!model_ || row < 0 || row >= model_->rowCount() || currentIndex().row() == row)
        return;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(model_->index(row, column));
}

void DataGrid::applyColumns() {
    const auto& columns = model_->columns();
    for (int c = 0; c < int(columns.size()); ++c) {
        setColumnWidth(c, columns[size_t(c)].width);
        setColumnHidden(c, columns[size_t(c)].hidden);
    }
}

void DataGrid::sortByTitle(int column) {
    if (!model_ || !sortRule_)
        return;
    data::ResultSet& query = model_->resultSet();
    const std::optional<QString> expression = sortRule_(column, query.sort());
    if (expression)
        guarded([&] { query.setSort(*expression); }, window());
}

} // namespace ui
