#include "JournalWindow.h"

#include "JournalGrid.h"
#include "data/DataModule.h"
#include "ui/ActionGuard.h"
#include "ui/BusyCursor.h"
#include "ui/ResultSetModel.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace journal {

namespace {

constexpr int clientWidth = 1461;
constexpr int clientHeight = 592;
constexpr int gateIntervalMs = 30000;

// Enter in the date picker confirms a typed date; typing alone does not.
class DatePicker : public QDateEdit {
public:
    using QDateEdit::QDateEdit;
    std::function<void()> onEnter;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
        QDateEdit::keyPressEvent(e);
        if (enter) {
            e->accept(); // no default button of the window may take it
            if (onEnter)
                onEnter();
        }
    }
};

// A highlighted choice: given background and bold text; otherwise the usual look.
void highlight(QWidget* w, bool on, const QColor& colour) {
    QPalette p = w->parentWidget() ? w->parentWidget()->palette() : QApplication::palette();
    if (on)
        p.setColor(w->backgroundRole(), colour);
    w->setPalette(on ? p : QPalette());
    w->setAutoFillBackground(on);
    QFont f = w->font();
    f.setBold(on);
    w->setFont(f);
}

// Room for the bold text of a highlighted choice, so the bar does not shift when it changes.
void reserveBoldWidth(QAbstractButton* b) {
    QFont bold = b->font();
    bold.setBold(true);
    const int extra = QFontMetrics(bold).horizontalAdvance(b->text()) -
                      b->fontMetrics().horizontalAdvance(b->text());
    b->setMinimumWidth(b->sizeHint().width() + extra);
}

bool isWeekend(const QDate& d) {
    return d.dayOfWeek() == Qt::Saturday || d.dayOfWeek() == Qt::Sunday;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

JournalWindow::JournalWindow(data::DataModule& dm, QWidget* parent)
    : QDialog(parent), dm_(dm), today_([] { return QDate::currentDate(); }),
      smena_gds_use_cnt(dm.ADO_DB, QStringLiteral("smena_gds_use_cnt")),
      smena_accept_row(dm.ADO_DB, QStringLiteral("smena_accept_row")) {
    smena_gds_use_cnt.setSql(
        QStringLiteral("select count(id) as id_cnt from "
                       "accounts_dep.smena_gds_use sgu where sgu.id_smena = :id_smena"));
    smena_accept_row.setSql(QStringLiteral("select accounts_dep.smena__accept_row_hwo(:id)"));
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Табель"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    auto* menu = new QMenuBar(this);
    buildMenu(menu);
    layout->setMenuBar(menu);

    // Top bar: shift choices, date, day off, and the style chooser at the right.
    auto* top = new QHBoxLayout;
    const QString shiftTitles[4] = {QStringLiteral("Смена №1"), QStringLiteral("Смена №2"),
                                    QStringLiteral("Смена №3"), QStringLiteral("Переработка")};
    for (int i = 0; i < 4; ++i) {
        auto* rb = new QRadioButton(shiftTitles[i], this);
        rb->setObjectName(QStringLiteral("RadioButton%1").arg(i + 1));
        reserveBoldWidth(rb);
        shiftChoices_[size_t(i)] = rb;
        top->addWidget(rb);
        connect(rb, &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                showShift(i + 1);
        });
    }
    top->addSpacing(12);

    auto* picker = new DatePicker(this);
    picker->setObjectName(QStringLiteral("DateT"));
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    picker->onEnter = [this] { loadPickedDate(); };
    dateT_ = picker;
    // The calendar's closing is what picks a date, whether a day was clicked or not.
    dateT_->calendarWidget()->window()->installEventFilter(this);
    top->addWidget(dateT_);
    top->addSpacing(12);

    cBox1_ = new QCheckBox(QStringLiteral("Выходной"), this);
    cBox1_->setObjectName(QStringLiteral("CBox1"));
    reserveBoldWidth(cBox1_);
    connect(cBox1_, &QCheckBox::toggled, this, &JournalWindow::markDayOff);
    top->addWidget(cBox1_);
    top->addStretch(1);

    styles_ = new QComboBox(this);
    styles_->setObjectName(QStringLiteral("ComboBox1"));
    QStringList keys = QStyleFactory::keys();
    keys.sort(Qt::CaseInsensitive);
    styles_->addItems(keys);
    styles_->setCurrentIndex(-1);
    connect(styles_, &QComboBox::textActivated, this, &JournalWindow::styleChosen);
    top->addWidget(styles_);
    layout->addLayout(top);

    // The grid: one model per shift, the grid shows the selected one.
    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("DBGrid2"));
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSortingEnabled(false);
    grid_->setShowGrid(true);
    grid_->setWordWrap(false);
    grid_->verticalHeader()->setVisible(false);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->horizontalHeader()->setSectionsClickable(true);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->horizontalHeader()->setStretchLastSection(false);
    grid_->setItemDelegateForColumn(ColOk, new ForegroundKeepingDelegate(grid_));
    {
        // The selection stays as visible as with focus.
        QPalette p = grid_->palette();
        for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
            p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
        grid_->setPalette(p);
    }
    for (int shift = 1; shift <= 4; ++shift) {
        auto* model = new ui::ResultSetModel(dm_.journal(shift), journalColumns(), this);
        model->setCellRole(acceptanceColours(*model));
        models_[size_t(shift - 1)] = model;
    }
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &JournalWindow::sortByTitle);
    layout->addWidget(grid_, 1);

    // Bottom bar.
    auto* bottom = new QHBoxLayout;
    constexpr int gap = 16;
    bottom->addWidget(button(this, "Button1", QStringLiteral("Добавить")));
    bottom->addSpacing(gap);
    bottom->addWidget(button(this, "Button2", QStringLiteral("Изменить")));
    bottom->addSpacing(gap);
    // Each of these runs as one guarded action: an error ends it with its own text.
    auto actionButton = [this](const char* name, const QString& text,
                               void (JournalWindow::*action)()) {
        QPushButton* b = button(this, name, text);
        connect(b, &QPushButton::clicked, this,
                [this, action] { ui::guarded([this, action] { (this->*action)(); }, this); });
        return b;
    };
    bottom->addWidget(
        actionButton("Button3", QStringLiteral("Удалить"), &JournalWindow::deleteCurrent));
    bottom->addSpacing(gap);
    bottom->addWidget(
        actionButton("Button5", QStringLiteral("Принять"), &JournalWindow::acceptSelected));
    bottom->addWidget(
        actionButton("Button6", QStringLiteral("Принять ВСЕ"), &JournalWindow::acceptAll));
    bottom->addSpacing(gap);
    QPushButton* refreshButton = button(this, "Button8", QStringLiteral("Обновить"));
    connect(refreshButton, &QPushButton::clicked, this, &JournalWindow::refresh);
    bottom->addWidget(refreshButton);
    bottom->addStretch(1);
    QPushButton* exitButton = button(this, "Button4", QStringLiteral("Выход"));
    connect(exitButton, &QPushButton::clicked, this, &QDialog::close);
    bottom->addWidget(exitButton);
    layout->addLayout(bottom);

    // The client area is fixed; the menu bar comes on top of it.
    setFixedSize(clientWidth, clientHeight + menu->sizeHint().height());

    shiftChoices_[0]->setChecked(true);

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(gateIntervalMs);
    connect(timer1_, &QTimer::timeout, this, &JournalWindow::gateTick);
    timer1_->start();
}

JournalWindow::~JournalWindow() = default;

void JournalWindow::buildMenu(QMenuBar* menu) {
    auto named = [](QAction* a, const char* name) {
        a->setObjectName(QLatin1String(name));
        return a;
    };
    QMenu* references = menu->addMenu(QStringLiteral("Справочники"));
    named(references->menuAction(), "N2");
    named(references->addAction(QStringLiteral("Рабочие")), "N1")->setEnabled(false);
    named(references->addAction(QStringLiteral("Изделия")), "N3")->setEnabled(false);
    connect(named(references->addAction(QStringLiteral("Операции")), "N6"), &QAction::triggered,
            this, &JournalWindow::operationTypesRequested);
    connect(named(references->addAction(QStringLiteral("Цены")), "N4"), &QAction::triggered, this,
            &JournalWindow::pricesRequested);
    named(references->addAction(QStringLiteral("Внеурочное")), "N8");

    connect(named(menu->addAction(QStringLiteral("Табель по времени")), "N11"), &QAction::triggered,
            this, &JournalWindow::timesheetRequested);

    QMenu* reports = menu->addMenu(QStringLiteral("Отчеты"));
    named(reports->menuAction(), "N7");
    connect(named(reports->addAction(QStringLiteral("Сводные отчеты")), "N10"), &QAction::triggered,
            this, &JournalWindow::reportsRequested);

    connect(named(menu->addAction(QStringLiteral("Выход")), "N5"), &QAction::triggered, this,
            &QDialog::close);
}

data::ResultSet& JournalWindow::currentJournalQuery() {
    return dm_.journal(selectedShift >= 1 && selectedShift <= 4 ? selectedShift : 1);
}

QDate JournalWindow::journalDate() const {
    return dateT_->date();
}

bool JournalWindow::dayOff() const {
    return cBox1_->isChecked();
}

void JournalWindow::setToday(std::function<QDate()> today) {
    today_ = std::move(today);
}

bool JournalWindow::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::WindowActivate:
        if (skipNextActivation_)
            skipNextActivation_ = false;
        else if (!loading_)
            onActivated();
        break;
    case QEvent::WindowDeactivate: {
        // Leaving for another program, for a drop-down, or for the error box of a failed
        // load is no visit to another window of this one: reloading on return would lose
        // the picked date or repeat the same error for ever.
        const QWidget* next = QApplication::activeWindow();
        skipNextActivation_ = loading_ || !next || next->windowType() == Qt::Popup;
        break;
    }
    default:
        break;
    }
    return QDialog::event(e);
}

bool JournalWindow::eventFilter(QObject* watched, QEvent* e) {
    // Queued, so the load comes after the calendar has given the focus back.
    if (e->type() == QEvent::Hide && watched == dateT_->calendarWidget()->window())
        QMetaObject::invokeMethod(this, &JournalWindow::loadPickedDate, Qt::QueuedConnection);
    return QDialog::eventFilter(watched, e);
}

void JournalWindow::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    skipNextActivation_ = false; // a new showing always loads
    if (centred_)
        return;
    centred_ = true;
    if (QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

void JournalWindow::onActivated() {
    const QString current = QApplication::style()->name();
    int item = -1;
    for (int i = 0; i < styles_->count(); ++i)
        if (styles_->itemText(i).compare(current, Qt::CaseInsensitive) == 0)
            item = i;
    styles_->setCurrentIndex(item);

    const QDate today = today_();
    dateT_->setDate(today);
    if (isWeekend(today))
        cBox1_->setChecked(true);
    loadJournal(today);
}

void JournalWindow::loadPickedDate() {
    ui::BusyCursor busy;
    const QDate date = dateT_->date();
    if (!loadJournal(date))
        return;
    cBox1_->setChecked(isWeekend(date));
    grid_->setFocus();
}

bool JournalWindow::loadJournal(const QDate& date) {
    ui::BusyCursor busy;
    loading_ = true;
    const bool ok = ui::guarded(
        [&] {
            for (int shift = 1; shift <= 4; ++shift)
                dm_.journal(shift).close();
            for (int shift = 1; shift <= 4; ++shift) {
                data::ResultSet& q = dm_.journal(shift);
                q.setParam(QStringLiteral("data"), date.startOfDay());
                q.open();
            }
        },
        this);
    loading_ = false;
    return ok;
}

void JournalWindow::refresh() {
    ui::BusyCursor busy;
    loading_ = true;
    ui::guarded(
        [&] {
            for (int shift = 1; shift <= 4; ++shift)
                dm_.journal(shift).close();
            for (int shift = 1; shift <= 4; ++shift)
                dm_.journal(shift).open();
        },
        this);
    loading_ = false;
}

void JournalWindow::showShift(int shift) {
    QItemSelectionModel* previous = grid_->selectionModel();
    grid_->setModel(models_[size_t(shift - 1)]);
    delete previous;
    followCurrentRow();
    applyColumnLayout();
    for (int i = 0; i < 4; ++i)
        highlight(shiftChoices_[size_t(i)], i == shift - 1, QColor(0x00, 0x80, 0x00));
    selectedShift = shift;
}

// The grid's current row and the query's current row are one: a click moves the query, and
// a query that moves (a re-run keeping place) moves the grid.
void JournalWindow::followCurrentRow() {
    auto* model = qobject_cast<ui::ResultSetModel*>(grid_->model());
    data::ResultSet& query = model->resultSet();
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, model,
            [&query](const QModelIndex& current) {
                if (current.isValid() && current.row() != query.recNo())
                    query.moveTo(current.row());
            });
    disconnect(&query, &data::ResultSet::currentChanged, grid_, nullptr);
    connect(&query, &data::ResultSet::currentChanged, grid_, [this, model](int row) {
        if (grid_->model() != model || row < 0 || row >= model->rowCount() ||
            grid_->currentIndex().row() == row)
            return;
        grid_->setCurrentIndex(model->index(
            row, grid_->currentIndex().isValid() ? grid_->currentIndex().column() : 0));
    });
    if (query.isOpen() && query.recNo() >= 0)
        grid_->setCurrentIndex(model->index(query.recNo(), 0));
}

void JournalWindow::markDayOff(bool on) {
    highlight(cBox1_, on, QColor(0xFF, 0x00, 0x00));
}

void JournalWindow::sortByTitle(int column) {
    data::ResultSet& query = currentJournalQuery();
    const std::optional<QString> expression = journalSortFor(column, query.sort());
    if (!expression)
        return;
    ui::guarded([&] { query.setSort(*expression); }, this);
}

void JournalWindow::applyColumnLayout() {
    const auto columns = journalColumns();
    for (int c = 0; c < int(columns.size()); ++c)
        grid_->setColumnWidth(c, columns[size_t(c)].width);
    grid_->setColumnHidden(ColPrize, true);
}

} // namespace journal
