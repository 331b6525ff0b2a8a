#include "ReferenceList.h"

#include "data/DataModule.h"
#include "data/SqlText.h"
#include "ui/DataGrid.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace reference {

ReferenceList::ReferenceList(data::DataModule& dm, data::ResultSet& query, const Layout& layout,
                             QWidget* parent)
    : ui::Form(QLatin1String(layout.objectName), layout.caption, parent), dm_(dm), query_(query),
      searchKeys_(layout.searchKeys), searchField_(layout.searchField) {
    DBGrid1 = new ui::DataGrid("DBGrid1", this);
    model_ = new ui::ResultSetModel(query, layout.columns, this);
    DBGrid1->showModel(model_);
    connect(DBGrid1, &QAbstractItemView::doubleClicked, this,
            [this] { runGuarded([this] { rowDoubleClicked(); }); });

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->installEventFilter(this);
    Edit1->hide(); // only a picker's opener shows it
    connect(Edit1, &QLineEdit::textChanged, this,
            [this](const QString& text) { runGuarded([&] { search(text); }); });

    if (layout.editButtons)
        Button1 = addButton("Button1", QStringLiteral("Добавить"));
    Button2 = addButton("Button2", QStringLiteral("Изменить"), [this] { changeOrTake(); });
    if (layout.editButtons)
        Button3 = addButton("Button3", QStringLiteral("Удалить"));
    Button4 = addButton("Button4", QStringLiteral("Выход"), [this] { close(); });
    setCancelButton(Button4);

    auto* buttons = buttonRow_ = new QHBoxLayout;
    for (QPushButton* b : {Button1, Button2, Button3})
        if (b)
            buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(Button4);
    auto* column = new QVBoxLayout(this);
    column->addWidget(DBGrid1, 1);
    column->addWidget(Edit1);
    column->addLayout(buttons);
    setClientSize(layout.clientSize.width(), layout.clientSize.height());
}

bool ReferenceList::runPicker() {
    query_.open();
    enterPickerMode();
    const bool taken = exec() == QDialog::Accepted;
    leavePickerMode();
    Edit1->hide();
    closeQuery();
    return taken;
}

void ReferenceList::enterPickerMode() {
    picker_ = true;
    Button2->setText(QStringLiteral("Выбрать"));
    for (QPushButton* b : {Button1, Button3})
        if (b)
            b->hide();
    setDefaultButton(Button2);
    Edit1->show();
    const QSignalBlocker quiet(Edit1);
    Edit1->clear();
    search(QString());
}

void ReferenceList::leavePickerMode() {
    Button2->setDefault(false);
    Button2->setAutoDefault(false);
    query_.setFiltered(false);
}

void ReferenceList::runList() {
    picker_ = false;
    query_.open();
    Button2->setText(QStringLiteral("Изменить"));
    for (QPushButton* b : {Button1, Button3})
        if (b)
            b->show();
    if (Edit1->isVisibleTo(this))
        search(Edit1->text());
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
    if (watched != Edit1 || event->type() != QEvent::KeyPress)
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
    ui::Form::showEvent(event);
    if (Edit1->isVisibleTo(this))
        Edit1->setFocus();
}

} // namespace reference
