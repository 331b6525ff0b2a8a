#pragma once

#include "MonthMarks.h"
#include "ui/ResultSetModel.h"

#include <array>

class QTableView;

namespace ui {
class DataGrid;
}

// A shift's timesheet grid: the name, 31 day columns drawn by the day-cell rule under titles
// marked for the chosen month, and the bold shaded total. The marks belong to the window and
// change only when another month is chosen.
namespace timesheet {

using Marks = std::array<DayColumn, 31>;

class TimesheetModel : public ui::ResultSetModel {
    Q_OBJECT
public:
    TimesheetModel(data::ResultSet& rows, const Marks& marks, QObject* parent = nullptr);

    // The grid whose selected cell is left to the selection colours; the rest of its row
    // keeps the marks.
    void setGrid(const ui::DataGrid* grid) { grid_ = grid; }
    // The marks were changed: titles are drawn anew (the cells follow the query's reopening).
    void marksChanged();

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Widens the day columns of the grid over this model so that each of its values shows
    // whole, in the bold of a full day, and a day's 24 hours always do; never narrower than
    // the column table. Returns the width set.
    int fitDayColumns(QTableView& grid) const;

    static constexpr int dayColumns = 31, totalColumn = 32;

private:
    QVariant cellRole(int row, int column, int role) const;
    QColor inkColour(Ink ink) const;

    const Marks& marks_;
    const ui::DataGrid* grid_ = nullptr;
};

} // namespace timesheet
