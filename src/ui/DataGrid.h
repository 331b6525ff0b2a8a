#pragma once

#include <QList>
#include <QTableView>
#include <functional>
#include <optional>

namespace ui {

class CellDelegate;
class ResultSetModel;

// A grid over a result set: whole rows selected and kept visible without the focus, columns
// titled, sized and hidden as the model's column table says (widened where the title would be
// cut), titles that sort by a rule,
// and the grid's current row and the query's current row kept as one: a click moves the
// query, a query that moves (a re-run keeping place, a locate) moves the grid.
// Over an editable model typing in a cell starts editing it, Tab moves from cell to cell, a
// refused text keeps its cell and its open editor, and a changed row is written before the
// grid leaves it: the written row then stays current, a refused one keeps the grid. Over any
// other model Tab goes on to the next control.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    // The sort expression a click on a column title sets, given the query's current one;
    // none for a title that does not sort.
    using SortRule = std::function<std::optional<QString>(int column, const QString& currentSort)>;

    DataGrid(const char* objectName, QWidget* parent = nullptr);

    // Shows the model (grids that switch between queries call it at each switch).
    virtual void showModel(ResultSetModel* model);
    ResultSetModel* resultModel() const { return model_; }

    void setSortRule(SortRule rule) { sortRule_ = std::move(rule); }
    // Ctrl+click selects several rows.
    void setMultiSelect(bool on);
    // Rows selected by the user, top to bottom.
    QList<int> selectedRowNumbers() const;
    // The width that shows every column unscrolled beside a vertical scroll bar.
    int fullWidth() const;

    // Puts the text of an open cell editor into the model and closes the editor; false when
    // the model refused the text (it has said why), which then stays in the open editor.
    // True when no editor is open.
    bool commitEditor();
    // Closes an open cell editor, its text unused.
    void discardEditor();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    bool writePendingRow();
    void rowChanged(const QModelIndex& current, const QModelIndex& previous);
    void sortByTitle(int column);
    void followQuery(int row);
    void applyColumns();
    int titleWidth(int column) const;

    ResultSetModel* model_ = nullptr;
    SortRule sortRule_;
    CellDelegate* delegate_;
};

} // namespace ui
