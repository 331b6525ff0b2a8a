#include "ReferenceList.h"

#include "data/SqlText.h"
#include "state/DataModule.h"
#include "ui/LiveGrid.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace reference {

ReferenceList::ReferenceList(state::DataModule& dm, data::ResultSet& query, const Layout& layout,
                             QWidget* parent)
    : ui::Form(QLatin1String(layout.objectName), layout.caption, parent), dm_(dm), query_(query),
      clientSize_(layout.clientSize), searchKeys_(layout.searchKeys),
      searchField_(layout.searchField) {
    grid_ = new ui::LiveGrid(Names::grid, this);
    model_ = new ui::ResultSetModel(query, layout.columns, this);
    grid_->showModel(model_);
    connect(grid_, &QAbstractItemView::doubleClicked, this,
            [this] { runGuarded([this] { rowDoubleClicked(); }); });

    searchEdit_ = new QLineEdit(this);
    searchEdit_->setObjectName(QLatin1String(Names::search));
    searchLabel_ = new QLabel(QStringLiteral("&Поиск:"), this);
    searchLabel_->setBuddy(searchEdit_);
    searchLabel_->hide();
    searchEdit_->installEventFilter(this);
    searchEdit_->hide(); // only a picker's opener shows it
    connect(searchEdit_, &QLineEdit::textChanged, this,
            [this](const QString& text) { runGuarded([&] { search(text); }); });

    if (layout.rowButtons == RowButtons::AddAndDelete)
        addRowButton_ = addButton(Names::add, QStringLiteral("Добавить"));
    changeButton_ =
        addButton(Names::change, QStringLiteral("Изменить"), [this] { changeOrTake(); });
    if (layout.rowButtons == RowButtons::AddAndDelete)
        deleteButton_ = addButton(Names::remove, QStringLiteral("Удалить"));
    exitButton_ = addButton(Names::exit, QStringLiteral("Выход"), [this] { close(); });
    setCancelButton(exitButton_);

    auto* buttons = buttonRow_ = new QHBoxLayout;
    for (QPushButton* b : {addRowButton_, changeButton_, deleteButton_})
        if (b)
            buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(exitButton_);
    auto* column = new QVBoxLayout(this);
    column->addWidget(grid_, 1);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel_);
    searchRow->addWidget(searchEdit_, 1);
    column->addLayout(searchRow);
    column->addLayout(buttons);
    fitClientWidth();
}

// The documented width cut the last column and scrolled the grid sideways.
void ReferenceList::fitClientWidth() {
    const QMargins margins = layout()->contentsMargins();
    const int columns = grid_->fullWidth() + margins.left() + margins.right();
    setClientSize(std::max(clientSize_.width(), columns), clientSize_.height());
}

bool ReferenceList::runPicker() {
    query_.open();
    enterPickerMode();
    const bool taken = exec() == QDialog::Accepted;
    leavePickerMode();
    searchEdit_->hide();
    closeQuery();
    return taken;
}

void ReferenceList::enterPickerMode() {
    picker_ = true;
    changeButton_->setText(QStringLiteral("Выбрать"));
    for (QPushButton* b : {addRowButton_, deleteButton_})
        if (b)
            b->hide();
    setDefaultButton(changeButton_);
    searchEdit_->show();
    const QSignalBlocker quiet(searchEdit_);
    searchEdit_->clear();
    search(QString());
}

void ReferenceList::leavePickerMode() {
    changeButton_->setDefault(false);
    changeButton_->setAutoDefault(false);
    query_.setFiltered(false);
}

void ReferenceList::runList() {
    picker_ = false;
    query_.open();
    changeButton_->setText(QStringLiteral("Изменить"));
    for (QPushButton* b : {addRowButton_, deleteButton_})
        if (b)
            b->show();
    if (searchEdit_->isVisibleTo(this))
        search(searchEdit_->text());
    exec();
    closeQuery();
}

void ReferenceList::closeQuery() {
    query_.setFiltered(false);
    query_.close();
}

QString ReferenceList::filterFor(const QString& text) const {
    return text.isEmpty() ? QString() : sqltext::filterLikePrefix(searchField_, text);
}

void ReferenceList::search(const QString& text) {
    const QString filter = filterFor(text);
    if (filter.isEmpty()) {
        query_.setFiltered(false);
        return;
    }
    query_.setFilter(filter);
    query_.setFiltered(true);
}

void ReferenceList::changeOrTake() {
    if (picker_)
        take();
    else if (query_.isOpen() && !query_.isEmpty())
        changeCurrentRow();
}

void ReferenceList::take() {
    // A take on an empty list closes the window with nothing taken.
    if (!query_.isOpen() || query_.isEmpty()) {
        reject();
        return;
    }
    takeCurrentRow();
    accept();
}

bool ReferenceList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == searchEdit_ &&
        (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent))
        searchLabel_->setVisible(!searchEdit_->isHidden());
    if (watched != searchEdit_ || event->type() != QEvent::KeyPress)
        return ui::Form::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Up:
        if (query_.isOpen())
            query_.prior();
        return true;
    case Qt::Key_Down:
        if (query_.isOpen())
            query_.next();
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return false;
    default:
        break;
    }
    if (searchKeys_ == SearchKeys::All)
        return false;
    // Only what types a character gets through.
    const bool typing = !key->text().isEmpty() && key->text().at(0).isPrint() &&
                        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    return !typing;
}

void ReferenceList::showEvent(QShowEvent* event) {
    fitClientWidth(); // a style chosen since may draw wider frames and scroll bars
    ui::Form::showEvent(event);
    if (searchEdit_->isVisibleTo(this))
        searchEdit_->setFocus();
}

} // namespace reference
