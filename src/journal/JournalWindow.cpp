#include "JournalWindow.h"

#include "JournalGrid.h"
#include "data/Error.h"
#include "data/Listener.h"
#include "state/Channels.h"
#include "state/ClosedMonths.h"
#include "state/DataModule.h"
#include "ui/BusyCursor.h"
#include "ui/Controls.h"
#include "ui/LiveFollower.h"
#include "ui/LiveGrid.h"
#include "ui/MessageTexts.h"
#include "ui/Messages.h"
#include "ui/ResultSetModel.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace journal {

namespace {

constexpr int clientWidth = 1461;
constexpr int clientHeight = 592;
constexpr int gateIntervalMs = 30000;

bool isWeekend(const QDate& d) {
    return d.dayOfWeek() == Qt::Saturday || d.dayOfWeek() == Qt::Sunday;
}

} // namespace

JournalWindow::JournalWindow(state::DataModule& dm, QWidget* parent)
    : ui::Form(QStringLiteral("TForm1"), QStringLiteral("Табель"), parent), dm_(dm), positions_(dm),
      today_([] { return QDate::currentDate(); }) {
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);

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
    const char* const shiftNames[4] = {Names::shift1, Names::shift2, Names::shift3,
                                       Names::overtime};
    for (int i = 0; i < 4; ++i) {
        auto* rb = new QRadioButton(shiftTitles[i], this);
        rb->setObjectName(QLatin1String(shiftNames[i]));
        ui::reserveBoldWidth(rb);
        shiftChoices_[size_t(i)] = rb;
        top->addWidget(rb);
        connect(rb, &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                showShift(i + 1);
        });
    }
    ui::tabToCheckedChoice(
        {shiftChoices_[0], shiftChoices_[1], shiftChoices_[2], shiftChoices_[3]});
    top->addSpacing(12);

    dateEdit_ = new ui::DatePicker(Names::date, this);
    connect(dateEdit_, &ui::DatePicker::confirmed, this, &JournalWindow::loadPickedDate);
    connect(dateEdit_, &QDateEdit::dateChanged, this,
            [this](const QDate& date) { dm_.session.journalDate = date; });
    // The calendar's closing is what picks a date, whether a day was clicked or not.
    dateEdit_->calendarWidget()->window()->installEventFilter(this);
    top->addWidget(dateEdit_);
    top->addSpacing(12);

    dayOffBox_ = new QCheckBox(QStringLiteral("Выходной"), this);
    dayOffBox_->setObjectName(QLatin1String(Names::dayOff));
    ui::reserveBoldWidth(dayOffBox_);
    connect(dayOffBox_, &QCheckBox::toggled, this, &JournalWindow::markDayOff);
    top->addWidget(dayOffBox_);
    top->addSpacing(12);

    stayOnDateBox_ = new QCheckBox(QStringLiteral("Оставаться на выбранной дате"), this);
    stayOnDateBox_->setObjectName(QLatin1String(Names::stayOnDate));
    connect(stayOnDateBox_, &QCheckBox::clicked, this, &JournalWindow::stayOnDateChosen);
    top->addWidget(stayOnDateBox_);
    closedMark_ = new QLabel(this);
    closedMark_->setObjectName(QLatin1String(Names::closedMark));
    closedMark_->setStyleSheet(QStringLiteral("color: #C00000; font-weight: bold"));
    top->addSpacing(12);
    top->addWidget(closedMark_);
    top->addStretch(1);

    styles_ = new QComboBox(this);
    styles_->setObjectName(QLatin1String(Names::styles));
    QStringList keys = QStyleFactory::keys();
    keys.sort(Qt::CaseInsensitive);
    styles_->addItems(keys);
    styles_->setCurrentIndex(-1);
    connect(styles_, &QComboBox::textActivated, this, &JournalWindow::styleChosen);
    top->addWidget(styles_);
    layout->addLayout(top);

    // The grid: one model per shift, the grid shows the selected one.
    grid_ = new ui::LiveGrid(Names::grid, this);
    grid_->setMultiSelect(true);
    grid_->setSortRule(journalSortFor);
    grid_->setItemDelegateForColumn(ColOk, new ForegroundKeepingDelegate(grid_));
    grid_->installEventFilter(this);
    connect(grid_, &QAbstractItemView::doubleClicked, this,
            [this] { runGuarded([this] { rowDoubleClicked(); }); });
    grid_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* historyAction = new QAction(QStringLiteral("История"), grid_);
    historyAction->setObjectName(QLatin1String(Names::historyItem));
    connect(historyAction, &QAction::triggered, this,
            [this] { runGuarded([this] { showHistory(); }); });
    grid_->addAction(historyAction);
    for (int shift = 1; shift <= 4; ++shift) {
        auto* model = new ui::ResultSetModel(dm_.journal(shift), journalColumns(), this);
        model->setCellRole(acceptanceColours(*model));
        models_[size_t(shift - 1)] = model;
        grid_->bind(model);
    }
    layout->addWidget(grid_, 1);

    auto* bottom = new QHBoxLayout;
    constexpr int gap = 16;
    bottom->addWidget(
        addButton(Names::add, QStringLiteral("Добавить"), [this] { emit addRequested(); }));
    bottom->addSpacing(gap);
    bottom->addWidget(
        addButton(Names::change, QStringLiteral("Изменить"), [this] { emit changeRequested(); }));
    bottom->addSpacing(gap);
    bottom->addWidget(
        addButton(Names::remove, QStringLiteral("Удалить"), [this] { deleteCurrent(); }));
    bottom->addWidget(
        addButton(Names::history, QStringLiteral("История"), [this] { showHistory(); }));
    bottom->addSpacing(gap);
    bottom->addWidget(
        addButton(Names::accept, QStringLiteral("Принять"), [this] { acceptSelected(); }));
    bottom->addWidget(
        addButton(Names::acceptAll, QStringLiteral("Принять ВСЕ"), [this] { acceptAll(); }));
    bottom->addSpacing(gap);
    bottom->addWidget(addButton(Names::refresh, QStringLiteral("Обновить"), [this] { refresh(); }));
    bottom->addStretch(1);
    bottom->addWidget(addButton(Names::exit, QStringLiteral("Выход"), [this] { close(); }));
    layout->addLayout(bottom);

    setClientSize(clientWidth, clientHeight);

    shiftChoices_[0]->setChecked(true);

    gateTimer_ = new QTimer(this);
    gateTimer_->setObjectName(QLatin1String(Names::gateTimer));
    gateTimer_->setInterval(gateIntervalMs);
    connect(gateTimer_, &QTimer::timeout, this, &JournalWindow::gateTick);
    gateTimer_->start();

    follower_ = new ui::LiveFollower(*this, dm_.listener, state::journalChannel,
                                     [this](const QString& payload, const data::ResultSet& query) {
                                         return concerns(payload, query);
                                     });
    follower_->add(*grid_);
    connect(follower_, &ui::LiveFollower::followed, this, &JournalWindow::followedServer);
}

// A position of a shift's shown date.
bool JournalWindow::concerns(const QString& payload, const data::ResultSet& query) {
    const std::optional<state::Announcement> change = state::parseAnnouncement(payload);
    return change && change->shift >= 1 && change->shift <= 4 &&
           &query == &dm_.journal(change->shift) &&
           query.param(QStringLiteral("data")).toDate() == change->date;
}

JournalWindow::~JournalWindow() = default;

void JournalWindow::buildMenu(QMenuBar* menu) {
    auto named = [](QAction* a, const char* name) {
        a->setObjectName(QLatin1String(name));
        return a;
    };
    QMenu* references = menu->addMenu(QStringLiteral("&Справочники"));
    named(references->menuAction(), Names::referencesMenu);
    named(references->addAction(QStringLiteral("&Рабочие")), Names::workersItem)->setEnabled(false);
    named(references->addAction(QStringLiteral("&Изделия")), Names::productsItem)
        ->setEnabled(false);
    connect(named(references->addAction(QStringLiteral("&Операции")), Names::operationTypesItem),
            &QAction::triggered, this, &JournalWindow::operationTypesRequested);
    connect(named(references->addAction(QStringLiteral("&Цены")), Names::pricesItem),
            &QAction::triggered, this, &JournalWindow::pricesRequested);
    named(references->addAction(QStringLiteral("&Внеурочное")), Names::overtimeItem);

    connect(named(menu->addAction(QStringLiteral("&Табель по времени")), Names::timesheetItem),
            &QAction::triggered, this, &JournalWindow::timesheetRequested);

    QMenu* reports = menu->addMenu(QStringLiteral("&Отчеты"));
    named(reports->menuAction(), Names::reportsMenu);
    connect(named(reports->addAction(QStringLiteral("&Сводные отчеты")), Names::summaryReportsItem),
            &QAction::triggered, this, &JournalWindow::reportsRequested);
    connect(
        named(reports->addAction(QStringLiteral("&История изменений")), Names::periodHistoryItem),
        &QAction::triggered, this, &JournalWindow::periodHistoryRequested);

    connect(named(menu->addAction(QStringLiteral("В&ыход")), Names::exitItem), &QAction::triggered,
            this, &QDialog::close);
}

data::ResultSet& JournalWindow::currentJournalQuery() {
    return selectedJournal(dm_);
}

QDate JournalWindow::journalDate() const {
    return dateEdit_->date();
}

bool JournalWindow::dayOff() const {
    return dayOffBox_->isChecked();
}

void JournalWindow::setStayOnDate(bool on) {
    stayOnDateBox_->setChecked(on);
}

bool JournalWindow::staysOnDate() const {
    return stayOnDateBox_->isChecked();
}

void JournalWindow::noteAdded(int positionId) {
    addedId_ = positionId;
}

void JournalWindow::setToday(std::function<QDate()> today) {
    today_ = std::move(today);
}

bool JournalWindow::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::WindowActivate:
        if (skipNextActivation_)
            skipNextActivation_ = false;
        else if (!grid_->loading())
            comeBack();
        break;
    case QEvent::WindowDeactivate: {
        // Leaving for another program, for a drop-down, or for the error box of a failed
        // load is no visit to another window of this one: reloading on return would lose
        // the picked date or repeat the same error for ever.
        const QWidget* next = QApplication::activeWindow();
        skipNextActivation_ = grid_->loading() || !next || next->windowType() == Qt::Popup;
        break;
    }
    default:
        break;
    }
    return ui::Form::event(e);
}

bool JournalWindow::eventFilter(QObject* watched, QEvent* e) {
    // Queued, so the load comes after the calendar has given the focus back.
    if (e->type() == QEvent::Hide && watched == dateEdit_->calendarWidget()->window())
        QMetaObject::invokeMethod(this, &JournalWindow::loadPickedDate, Qt::QueuedConnection);
    if (e->type() == QEvent::KeyPress && watched == grid_ && gridKey(*static_cast<QKeyEvent*>(e)))
        return true;
    return ui::Form::eventFilter(watched, e);
}

void JournalWindow::showEvent(QShowEvent* e) {
    ui::Form::showEvent(e);
    skipNextActivation_ = false; // a new showing always loads
    freshShowing_ = true;
}

// Each key does what its button does, and only while the button is enabled; on an accepted
// row, which cannot be changed, Enter and F2 open its view.
bool JournalWindow::gridKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier)
        return false;
    const struct {
        Qt::Key key;
        const char* button;
        bool viewsAccepted;
    } keys[] = {{Qt::Key_Return, Names::change, true},  {Qt::Key_Enter, Names::change, true},
                {Qt::Key_F2, Names::change, true},      {Qt::Key_Insert, Names::add, false},
                {Qt::Key_Delete, Names::remove, false}, {Qt::Key_F5, Names::refresh, false}};
    for (const auto& k : keys) {
        if (key.key() != k.key)
            continue;
        auto* button = findChild<QPushButton*>(QLatin1String(k.button));
        if (!button || !button->isEnabled())
            return true;
        data::ResultSet& query = currentJournalQuery();
        if (k.viewsAccepted && query.isOpen() && !query.isEmpty() &&
            isAccepted(query.asString(QStringLiteral("ok"))))
            emit viewRequested();
        else
            button->click();
        return true;
    }
    return false;
}

void JournalWindow::returnFromDialog() {
    comeBack();
    skipNextActivation_ = true;
}

void JournalWindow::runDialog(const std::function<bool()>& dialog, Return back) {
    data::ResultSet& shown = currentJournalQuery();
    const ui::LiveGrid::Place place = grid_->place(shown);
    if (dialog()) {
        comeBack(place);
        skipNextActivation_ = true;
    } else if (back == Return::Always) {
        grid_->reread(shown, place);
    }
}

// The operators only accept: for them (app::Rights at login) a double-click is "Принять".
void JournalWindow::rowDoubleClicked() {
    if (dm_.session.acceptOnDoubleClick)
        acceptSelected();
    else
        emit viewRequested();
}

// Each query keeps the rows it shows until its new ones have arrived, so a reload that fails
// (a lost server) leaves the journal readable.
void JournalWindow::comeBack(std::optional<ui::LiveGrid::Place> shownPlace) {
    const QString current = QApplication::style()->name();
    int item = -1;
    for (int i = 0; i < styles_->count(); ++i)
        if (styles_->itemText(i).compare(current, Qt::CaseInsensitive) == 0)
            item = i;
    styles_->setCurrentIndex(item);

    // The date the journal was read for, not one typed and never confirmed.
    const QDate shown = currentJournalQuery().param(QStringLiteral("data")).toDateTime().date();
    const bool stay = staysOnDate() && !freshShowing_ && shown.isValid();
    freshShowing_ = false;
    const int added = std::exchange(addedId_, 0);
    if (stay && added > 0 && shownPlace) {
        shownPlace->key = added;
        shownPlace->selected = {added};
    }
    const QDate date = stay ? shown : today_();
    dateEdit_->setDate(date);
    if (!stay && isWeekend(date))
        dayOffBox_->setChecked(true);
    grid_->load([&] {
        follower_->caughtUp();
        for (int shift = 1; shift <= 4; ++shift) {
            data::ResultSet& q = dm_.journal(shift);
            const ui::LiveGrid::Place place =
                shownPlace && &q == &currentJournalQuery() ? *shownPlace : grid_->place(q);
            q.setParam(QStringLiteral("data"), date.startOfDay());
            grid_->reread(q, place);
        }
    });
    markClosedMonth(date);
}

// Another date: its rows in the statement's order, from the first.
void JournalWindow::loadPickedDate() {
    const QDate date = dateEdit_->date();
    const bool loaded = grid_->load([&] {
        follower_->caughtUp();
        for (int shift = 1; shift <= 4; ++shift) {
            data::ResultSet& q = dm_.journal(shift);
            q.setParam(QStringLiteral("data"), date.startOfDay());
            q.reopen();
        }
    });
    if (!loaded)
        return;
    markClosedMonth(date);
    dayOffBox_->setChecked(isWeekend(date));
    grid_->setFocus();
}

void JournalWindow::refresh() {
    grid_->load([this] {
        follower_->caughtUp();
        for (int shift = 1; shift <= 4; ++shift)
            dm_.journal(shift).reopen();
    });
    markClosedMonth(dateEdit_->date());
}

// The rights switch the same buttons (at login): a button they turned on while the month was
// closed is turned off again and comes back on when an open month is shown.
void JournalWindow::markClosedMonth(const QDate& date) {
    std::optional<state::ClosedMonth> closed;
    try {
        closed = state::closedMonthOf(dm_.connection, date);
    } catch (const data::Error&) {
        // A lost server: the journal's own load tells it; the writes are refused by the server.
    }
    closedMark_->setText(closed ? QStringLiteral("Месяц %1 закрыт").arg(closed->monthText())
                                : QString());
    closedMark_->setToolTip(closed ? closed->statusText() : QString());
    if (!closed) {
        for (auto [widget, enabled] : lockedByClose_)
            widget->setEnabled(enabled);
        lockedByClose_.clear();
        return;
    }
    for (const char* name :
         {Names::add, Names::change, Names::remove, Names::accept, Names::acceptAll}) {
        auto* button = findChild<QWidget*>(QLatin1String(name));
        const auto kept = std::find_if(lockedByClose_.begin(), lockedByClose_.end(),
                                       [button](const auto& p) { return p.first == button; });
        if (kept == lockedByClose_.end())
            lockedByClose_.emplace_back(button, button->isEnabled());
        else if (button->isEnabled())
            kept->second = true;
        button->setEnabled(false);
    }
}

void JournalWindow::showShift(int shift) {
    grid_->showModel(models_[size_t(shift - 1)]);
    for (int i = 0; i < 4; ++i)
        ui::highlight(shiftChoices_[size_t(i)], i == shift - 1, QColor(0x00, 0x80, 0x00));
    dm_.session.selectedShift = shift;
}

void JournalWindow::markDayOff(bool on) {
    ui::highlight(dayOffBox_, on, QColor(0xFF, 0x00, 0x00));
    dm_.session.dayOff = on;
}

void JournalWindow::accept(const std::vector<ShownPosition>& positions) {
    positions_.accept(positions, [this](const Refusal& refused) {
        ui::Messages::error(refused.message(), this);
    });
}

// The user's place is noted first: walking the rows moves the grid.
void JournalWindow::acceptSelected() {
    data::ResultSet& query = currentJournalQuery();
    if (query.isEmpty())
        return;
    const ui::LiveGrid::Place place = grid_->place(query);
    std::vector<ShownPosition> chosen;
    const QList<int> rows = grid_->selectedRowNumbers();
    for (int row : rows) {
        query.moveTo(row);
        chosen.push_back(ShownPosition::current(query));
    }
    query.moveTo(place.row);
    if (rows.isEmpty())
        chosen.push_back(ShownPosition::current(query));
    accept(chosen);
    grid_->reread(query, place);
}

void JournalWindow::acceptAll() {
    data::ResultSet& query = currentJournalQuery();
    const ui::LiveGrid::Place place = grid_->place(query);
    std::vector<ShownPosition> all;
    for (int row = 0; row < query.rowCount(); ++row) {
        query.moveTo(row);
        all.push_back(ShownPosition::current(query));
    }
    query.moveTo(place.row);
    accept(all);
    grid_->reread(query, place);
}

void JournalWindow::showHistory() {
    data::ResultSet& query = currentJournalQuery();
    if (!query.isOpen() || query.isEmpty())
        return;
    emit historyRequested(query.asInt(QStringLiteral("id")));
}

void JournalWindow::deleteCurrent() {
    data::ResultSet& query = currentJournalQuery();
    if (!query.isOpen() || query.isEmpty())
        return;
    if (isAccepted(query.asString(QStringLiteral("ok"))))
        throw data::Error(ui::texts::acceptedPositionIsFixed());
    std::optional<Positions::Deleted> deleted;
    bool asked = false;
    if (ui::Messages::askDelete(QStringLiteral("Удалить позицию из списка?"), this)) {
        asked = true;
        deleted = positions_.remove(query.asInt(QStringLiteral("id")));
    }
    query.reopen();
    if (asked && !deleted)
        throw data::Error(Refusal{0, Refusal::ChangedElsewhere, {}}.message());
}

} // namespace journal
