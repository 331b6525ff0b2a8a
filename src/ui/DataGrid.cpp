#include "DataGrid.h"

#include "ActionGuard.h"
#include "ResultSetModel.h"
#include "data/ResultSet.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <algorithm>

namespace ui {

namespace {
const char* const decimalCommaProperty = "decimalComma";
}

// Cell editors of an editable grid: a point typed where the column wants a comma becomes one,
// a text the model refuses stays in its open editor to be corrected, and Esc keeps what was
// typed and goes on to the window, whose Esc then acts as everywhere else.
class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(DataGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    mutable bool refused = false; // by the model, at the last commit

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        const ResultSetModel* model = grid_->resultModel();
        if (editor && model && index.column() < int(model->columns().size()))
            editor->setProperty(decimalCommaProperty,
                                model->columns()[size_t(index.column())].decimalComma);
        return editor;
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        refused = !model->setData(index, line ? QVariant(line->text()) : QVariant(), Qt::EditRole);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            auto* line = qobject_cast<QLineEdit*>(editor);
            if (line && key->text() == QLatin1String(".") &&
                editor->property(decimalCommaProperty).toBool()) {
                line->insert(QStringLiteral(","));
                return true;
            }
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
                if (grid_->commitEditor() && grid_->parentWidget()) {
                    QKeyEvent again(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                    QApplication::sendEvent(grid_->parentWidget(), &again);
                }
                return true;
            }
            // Tried first: Qt would close the editor and move on whatever the model said.
            const bool leaves = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                                key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
            if (leaves && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                refused = false;
                emit commitData(editor);
                if (refused)
                    return true;
            }
        }
        // Losing the focus writes nothing yet: what the user does next (a button, another
        // cell, closing) commits the editor first, and only once; a window left for another
        // program keeps its editor as it was.
        if (editor && event->type() == QEvent::FocusOut)
            return false;
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    DataGrid* grid_;
};

DataGrid::DataGrid(const char* objectName, QWidget* parent)
    : QTableView(parent), delegate_(new CellDelegate(this)) {
    setObjectName(QLatin1String(objectName));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setItemDelegate(delegate_);
    setSortingEnabled(false);
    setWordWrap(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // Rows are entered through the cells, where a changed row is written before it is left.
    verticalHeader()->setSectionsClickable(false);
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
    const bool editable = model->isEditable();
    setEditTriggers(editable ? QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                                   QAbstractItemView::EditKeyPressed
                             : QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(editable ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
    // Tab walks the cells only where they are typed into; elsewhere it leaves for the next control.
    setTabKeyNavigation(editable);
    data::ResultSet& query = model->resultSet();
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &DataGrid::rowChanged);
    connect(&query, &data::ResultSet::currentChanged, this, &DataGrid::followQuery);
    // A reset forgets the grid's current row; the query still knows it.
    connect(model, &QAbstractItemModel::modelReset, this,
            [this, &query] { followQuery(query.recNo()); });
    applyColumns();
    followQuery(query.isOpen() ? query.recNo() : -1);
}

void DataGrid::rowChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (!current.isValid())
        return;
    data::ResultSet& query = model_->resultSet();
    const int pending = model_->pendingRow();
    if (pending >= 0 && current.row() != pending) {
        // Left some way that did not write first (a program moving the grid).
        if (!writePendingRow() && previous.row() == pending)
            QMetaObject::invokeMethod(
                this, [this, pending] { setCurrentIndex(model_->index(pending, 0)); },
                Qt::QueuedConnection);
        return;
    }
    // The empty row of an editable grid has no row in the query.
    if (current.row() < query.rowCount() && current.row() != query.recNo())
        query.moveTo(current.row());
}

void DataGrid::followQuery(int row) {
    if (!model_)
        return;
    // An editable grid always stands on a cell, the empty row at least.
    if (row < 0 && !currentIndex().isValid())
        row = model_->newRow();
    if (row < 0 || row >= model_->rowCount() || currentIndex().row() == row)
        return;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(model_->index(row, column));
}

bool DataGrid::commitEditor() {
    QWidget* editor = state() == EditingState ? indexWidget(currentIndex()) : nullptr;
    if (!editor)
        return true;
    delegate_->refused = false;
    commitData(editor);
    if (delegate_->refused) {
        editor->setFocus(); // the typed text stays to be corrected
        return false;
    }
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void DataGrid::discardEditor() {
    if (QWidget* editor = state() == EditingState ? indexWidget(currentIndex()) : nullptr)
        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

bool DataGrid::writePendingRow() {
    if (!model_ || model_->pendingRow() < 0)
        return true;
    return guarded([this] { model_->writePending(); }, window());
}

// A click on another cell takes the open editor's text first and stays put when it is
// refused; a click on another row writes the changed row first and then only ends the change.
void DataGrid::mousePressEvent(QMouseEvent* event) {
    if (model_ && model_->isEditable()) {
        const QModelIndex target = indexAt(event->position().toPoint());
        if (target.isValid() && target != currentIndex()) {
            if (!commitEditor()) {
                event->accept();
                return;
            }
            if (target.row() != currentIndex().row() && model_->pendingRow() >= 0) {
                writePendingRow();
                event->accept();
                return;
            }
        }
    }
    QTableView::mousePressEvent(event);
}

// A key that leaves a changed row (Up, Down, Tab past the last column...) writes it instead
// of moving.
QModelIndex DataGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex target = QTableView::moveCursor(action, modifiers);
    if (!model_ || !model_->isEditable() || !target.isValid() ||
        target.row() == currentIndex().row())
        return target;
    if (!commitEditor())
        return currentIndex();
    if (model_->pendingRow() < 0)
        return target;
    writePendingRow();
    return currentIndex();
}

void DataGrid::applyColumns() {
    const auto& columns = model_->columns();
    for (int c = 0; c < int(columns.size()); ++c) {
        setColumnWidth(c, std::max(columns[size_t(c)].width, titleWidth(c)));
        setColumnHidden(c, columns[size_t(c)].hidden);
    }
}

// As the header measures a title, without its least section size: narrow columns stay narrow.
int DataGrid::titleWidth(int column) const {
    const QHeaderView* header = horizontalHeader();
    QStyleOptionHeader option;
    option.initFrom(header);
    option.orientation = Qt::Horizontal;
    option.section = column;
    option.text = model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    const QVariant font = model_->headerData(column, Qt::Horizontal, Qt::FontRole);
    if (font.isValid())
        option.fontMetrics = QFontMetrics(font.value<QFont>().resolve(header->font()));
    return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), header).width();
}

int DataGrid::fullWidth() const {
    int width = 2 * frameWidth() +
                style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    for (int c = 0; model_ && c < model_->columnCount(); ++c)
        if (!isColumnHidden(c))
            width += columnWidth(c);
    return width;
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
