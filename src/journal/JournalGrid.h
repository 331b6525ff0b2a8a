#pragma once

#include "ui/ResultSetModel.h"

#include <QStyledItemDelegate>
#include <optional>
#include <vector>

namespace data {
class ResultSet;
}
namespace state {
class DataModule;
}

namespace journal {

// The journal query of the selected shift, the one the grid shows (shift 1 for any value out
// of range).
data::ResultSet& selectedJournal(state::DataModule& dm);

// Grid columns of the journal, in the order and widths the window shows them.
enum JournalColumn {
    ColFio = 0,
    ColMarka,
    ColVid,
    ColNmn,
    ColColor,
    ColTime,
    ColKolVo,
    ColBrak,
    ColSumma,
    ColPrize,
    ColOk,
    ColVvod,
    ColIdDoc,
    JournalColumnCount
};

std::vector<ui::ResultSetModel::Column> journalColumns();

// The sort expression a click on a column title sets, given the query's current one:
// ascending after a descending sort, descending otherwise. None for titles that do not sort.
std::optional<QString> journalSortFor(int column, const QString& currentSort);

// Acceptance colours of the OK cells: bold green for an accepted state, bold red otherwise.
ui::ResultSetModel::CellRole acceptanceColours(const ui::ResultSetModel& model);

// Keeps a cell's own text colour on a selected row, so acceptance stays readable.
class ForegroundKeepingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace journal
