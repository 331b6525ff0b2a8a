#include "TimesheetGrid.h"

#include "data/ResultSet.h"
#include "data/Value.h"
#include "ui/DataGrid.h"

#include <QApplication>
#include <QBrush>
#include <QItemSelectionModel>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <algorithm>

namespace timesheet {

namespace {

const QColor red(0xFF, 0x00, 0x00);
const QColor silver(0xC0, 0xC0, 0xC0);
const QColor shade(0xC0, 0xDC, 0xC0);
const QColor totalFill(0xE1, 0xE4, 0xFF);
constexpr int dayWidth = 20;

// An empty stored cell counts as no hours.
int hoursOf(const QVariant& v) {
    return data::value::isNull(v) ? 0 : v.toInt();
}

std::vector<ui::ResultSetModel::Column> gridColumns() {
    std::vector<ui::ResultSetModel::Column> list;
    list.push_back({QStringLiteral("fio"), QStringLiteral("Фамилия И. О."), 208});
    for (int day = 1; day <= 31; ++day) {
        ui::ResultSetModel::Column c{QStringLiteral("d%1").arg(day), QString::number(day), dayWidth,
                                     Qt::AlignCenter};
        c.format = [](const QVariant& v) { return QString::number(hoursOf(v)); };
        list.push_back(std::move(c));
    }
    list.push_back({QStringLiteral("summ"), QStringLiteral("Итого"), 47});
    return list;
}

// The column width in which the grid's style lays the text out without eliding it: the
// style's margins around the text, and the grid line that the column gives up.
int cellWidthFor(const QTableView& grid, const QFont& font, const QString& text) {
    QStyleOptionViewItem option;
    option.initFrom(&grid);
    option.font = font;
    option.fontMetrics = QFontMetrics(font);
    option.text = text;
    option.features = QStyleOptionViewItem::HasDisplay;
    option.displayAlignment = Qt::AlignCenter;
    const QSize content =
        grid.style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), &grid);
    return content.width() + (grid.showGrid() ? 1 : 0);
}

} // namespace

TimesheetModel::TimesheetModel(data::ResultSet& rows, const Marks& marks, QObject* parent)
    : ui::ResultSetModel(rows, gridColumns(), parent), marks_(marks) {
    setKeyField(QStringLiteral("w_id"));
    setCellRole([this](int row, int column, int role) { return cellRole(row, column, role); });
}

void TimesheetModel::marksChanged() {
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int TimesheetModel::fitDayColumns(QTableView& grid) const {
    QFont bold = grid.font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    QString widest = QStringLiteral("24");
    const data::ResultSet& rows = resultSet();
    if (rows.isOpen())
        for (int day = 1; day <= dayColumns; ++day) {
            const int field = rows.fieldIndex(QStringLiteral("d%1").arg(day));
            for (int row = 0; row < rows.rowCount(); ++row) {
                const QString text = QString::number(hoursOf(rows.valueAt(row, field)));
                // Digits are about equally wide: only a value as long may be wider.
                if (text.size() >= widest.size() &&
                    metrics.horizontalAdvance(text) > metrics.horizontalAdvance(widest))
                    widest = text;
            }
        }
    const int width = std::max(dayWidth, cellWidthFor(grid, bold, widest));
    for (int column = 1; column <= dayColumns; ++column)
        grid.setColumnWidth(column, width);
    return width;
}

QColor TimesheetModel::inkColour(Ink ink) const {
    const QPalette palette = grid_ ? grid_->palette() : QApplication::palette();
    switch (ink) {
    case Ink::Red:
        return red;
    case Ink::Silver:
        return silver;
    case Ink::Hidden:
        return palette.color(QPalette::Base);
    case Ink::Normal:
        break;
    }
    return palette.color(QPalette::Text);
}

QVariant TimesheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::ForegroundRole && section >= 1 &&
        section <= dayColumns)
        return QBrush(inkColour(titleInk(marks_[size_t(section - 1)])));
    return ui::ResultSetModel::headerData(section, orientation, role);
}

QVariant TimesheetModel::cellRole(int row, int column, int role) const {
    if (column == totalColumn) {
        if (role == Qt::FontRole) {
            QFont f;
            f.setBold(true);
            return f;
        }
        if (role == Qt::BackgroundRole)
            return QBrush(totalFill);
        return {};
    }
    if (column < 1 || column > dayColumns ||
        (role != Qt::FontRole && role != Qt::ForegroundRole && role != Qt::BackgroundRole))
        return {};
    const bool selected =
        grid_ && grid_->selectionModel() && grid_->selectionModel()->isSelected(index(row, column));
    const int hours = hoursOf(
        resultSet().valueAt(row, resultSet().fieldIndex(QStringLiteral("d%1").arg(column))));
    const CellLook look = dayCellLook(hours, marks_[size_t(column - 1)], selected);
    if (look.asSelected)
        return {};
    switch (role) {
    case Qt::FontRole: {
        QFont f;
        f.setBold(look.bold);
        return f;
    }
    case Qt::ForegroundRole:
        return QBrush(inkColour(look.ink));
    default:
        return look.shaded ? QVariant(QBrush(shade)) : QVariant();
    }
}

} // namespace timesheet
