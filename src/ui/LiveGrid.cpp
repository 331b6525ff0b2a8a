#include "LiveGrid.h"

#include "ActionGuard.h"
#include "BusyCursor.h"
#include "ResultSetModel.h"
#include "data/ResultSet.h"
#include "data/Value.h"

#include <QHash>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QSet>
#include <algorithm>

namespace ui {

namespace {

QHash<const data::ResultSet*, LiveGrid*>& registry() {
    static QHash<const data::ResultSet*, LiveGrid*> grids;
    return grids;
}

LiveGrid::Place rowPlace(const data::ResultSet& query, const QString& keyField) {
    LiveGrid::Place place;
    if (!query.isOpen())
        return place;
    place.sort = query.sort();
    place.row = query.recNo();
    const int key = query.fieldIndex(keyField);
    if (place.row >= 0 && key >= 0)
        place.key = query.valueAt(place.row, key);
    return place;
}

// The rows may have moved, or gone: the row of the same key, else the same row number.
void backOnRow(data::ResultSet& query, const LiveGrid::Place& place, const QString& keyField) {
    if (!place.sort.isEmpty())
        query.setSort(place.sort);
    if (place.row < 0 || query.isEmpty())
        return;
    const bool found = !data::value::isNull(place.key) && query.hasField(keyField) &&
                       query.locate(keyField, place.key);
    if (!found)
        query.moveTo(std::min(place.row, query.rowCount() - 1));
}

} // namespace

LiveGrid::LiveGrid(const char* objectName, QWidget* parent) : DataGrid(objectName, parent) {}

LiveGrid::~LiveGrid() {
    // Its models may be its children, gone only after this part of it.
    for (ResultSetModel* model : models_)
        disconnect(model, nullptr, this, nullptr);
    for (auto it = registry().begin(); it != registry().end();)
        it = it.value() == this ? registry().erase(it) : std::next(it);
}

void LiveGrid::bind(ResultSetModel* model) {
    registry().insert(&model->resultSet(), this);
    if (std::find(models_.begin(), models_.end(), model) != models_.end())
        return;
    models_.push_back(model);
    // A model that goes before the grid is bound no longer.
    connect(model, &QObject::destroyed, this, [this](QObject* gone) {
        models_.erase(std::remove(models_.begin(), models_.end(), gone), models_.end());
        for (auto it = registry().begin(); it != registry().end();)
            it = it.value() == this ? registry().erase(it) : std::next(it);
        for (const ResultSetModel* kept : models_)
            registry().insert(&kept->resultSet(), this);
    });
}

void LiveGrid::showModel(ResultSetModel* model) {
    bind(model);
    DataGrid::showModel(model);
}

LiveGrid* LiveGrid::boundTo(const data::ResultSet& query) {
    return registry().value(&query, nullptr);
}

QString LiveGrid::keyField(const data::ResultSet& query) const {
    for (const ResultSetModel* model : models_)
        if (&model->resultSet() == &query)
            return model->keyField();
    return QStringLiteral("id");
}

bool LiveGrid::shows(const data::ResultSet& query) const {
    return resultModel() && &resultModel()->resultSet() == &query;
}

LiveGrid::Place LiveGrid::place(const data::ResultSet& query) const {
    const QString key = keyField(query);
    Place place = rowPlace(query, key);
    if (!query.isOpen() || !shows(query))
        return place;
    place.shown = true;
    const int keyColumn = query.fieldIndex(key);
    if (keyColumn >= 0)
        for (int row : selectedRowNumbers())
            if (row < query.rowCount())
                place.selected << query.valueAt(row, keyColumn);
    place.scrollX = horizontalScrollBar()->value();
    place.scrollY = verticalScrollBar()->value();
    return place;
}

LiveGrid::Place LiveGrid::place() const {
    return resultModel() ? place(resultModel()->resultSet()) : Place{};
}

void LiveGrid::reread() {
    if (resultModel())
        reread(resultModel()->resultSet());
}

void LiveGrid::reread(data::ResultSet& query, const Place& place) {
    const QString key = keyField(query);
    query.reopen();
    backOnRow(query, place, key);
    if (!place.shown || !shows(query))
        return;
    // Moving the current row selected it alone; the selection was the user's.
    if (!place.selected.isEmpty()) {
        QSet<QString> chosen;
        for (const QVariant& k : place.selected)
            chosen.insert(data::value::toString(k));
        const int keyColumn = query.fieldIndex(key);
        QItemSelection kept;
        for (int row = 0; keyColumn >= 0 && row < query.rowCount(); ++row)
            if (chosen.contains(data::value::toString(query.valueAt(row, keyColumn))))
                kept.select(model()->index(row, 0),
                            model()->index(row, model()->columnCount() - 1));
        selectionModel()->select(kept,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    horizontalScrollBar()->setValue(place.scrollX);
    verticalScrollBar()->setValue(place.scrollY);
}

bool LiveGrid::load(const std::function<void()>& reading) {
    BusyCursor busy;
    const Loading loading(*this);
    return guarded(reading, window());
}

void readAgainKeepingPlace(data::ResultSet& query, const QString& keyField) {
    if (LiveGrid* grid = LiveGrid::boundTo(query)) {
        grid->reread(query);
        return;
    }
    const LiveGrid::Place place = rowPlace(query, keyField);
    query.reopen();
    backOnRow(query, place, keyField);
}

} // namespace ui
