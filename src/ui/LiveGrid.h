#pragma once

// A grid bound to queries, one shown at a time, that keeps the user's place whenever one of
// them is read again: its sort, the current row by key (else by row number), the selected rows
// by key and both scroll bars. A LiveFollower reads them again as the server announces changes.

#include "DataGrid.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <utility>
#include <vector>

namespace data {
class ResultSet;
}

namespace ui {

class LiveGrid : public DataGrid {
    Q_OBJECT
public:
    explicit LiveGrid(const char* objectName, QWidget* parent = nullptr);
    ~LiveGrid() override;

    // A model whose query the grid may show (a shift of the journal not shown now); the grid
    // keeps its place too. Showing a model binds it.
    void bind(ResultSetModel* model);
    void showModel(ResultSetModel* model) override;
    const std::vector<ResultSetModel*>& boundModels() const { return models_; }
    // The live grid a query is bound to; none when no live grid binds it.
    static LiveGrid* boundTo(const data::ResultSet& query);

    // Where the user stands in a query. Selection and scroll are the grid's, so they are kept
    // only for the query it shows.
    struct Place {
        QString sort;
        QVariant key; // of the current row
        int row = -1; // the current row's number, for when its key is gone
        bool shown = false;
        QVariantList selected; // keys
        int scrollX = 0;
        int scrollY = 0;
    };
    Place place(const data::ResultSet& query) const;
    Place place() const; // of the query shown
    // Runs the query again and comes back to the place, taken before something else moved it
    // (a dialog, a rebuild that closed it). When the statement fails it throws and the rows stay
    // as they were.
    void reread(data::ResultSet& query, const Place& place);
    void reread(data::ResultSet& query) { reread(query, place(query)); }
    void reread(); // the query shown

    // Runs a load of the grid's queries under the busy cursor, through the action guard (false
    // when an error ended it); the server is not followed while it runs or its error is shown.
    bool load(const std::function<void()>& reading);
    bool loading() const { return loading_; }
    // Marks the grid as loading while it lives (a load, a re-run of the follower), so the
    // window knows a box shown meanwhile for one of the load's own.
    class Loading {
    public:
        explicit Loading(LiveGrid& grid) : grid_(grid), was_(std::exchange(grid.loading_, true)) {}
        ~Loading() { grid_.loading_ = was_; }
        Loading(const Loading&) = delete;
        Loading& operator=(const Loading&) = delete;

    private:
        LiveGrid& grid_;
        bool was_;
    };

private:
    QString keyField(const data::ResultSet& query) const;
    bool shows(const data::ResultSet& query) const;

    std::vector<ResultSetModel*> models_;
    bool loading_ = false;
};

// Reads a query again keeping its place: the live grid's bound to it, or, bound to none, its
// sort and its current row by keyField (else by number). For writers that do not know which
// window shows the query (a norms window saving what the operations list shows).
void readAgainKeepingPlace(data::ResultSet& query, const QString& keyField = QStringLiteral("id"));

} // namespace ui
