#include "TimesheetWindow.h"

#include "TimesheetExport.h"
#include "data/Error.h"
#include "state/Channels.h"
#include "state/ClosedMonths.h"
#include "state/DataModule.h"
#include "ui/BusyCursor.h"
#include "ui/Controls.h"
#include "ui/LiveFollower.h"
#include "ui/LiveGrid.h"
#include "ui/Messages.h"
#include "ui/PreviewWindow.h"
#include "ui/ReportReading.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace timesheet {

TimesheetWindow::TimesheetWindow(state::DataModule& dm, QWidget* parent)
    : ui::Form(QStringLiteral("TForm19"), QStringLiteral("Табель по времени"), parent), dm_(dm),
      rebuild_(dm.connection), print_(dm.connection) {
    shiftTabs_ = new QTabWidget(this);
    shiftTabs_->setObjectName(QLatin1String(Names::shiftTabs));
    int dayWidth = 0;
    for (int shift = 1; shift <= 3; ++shift) {
        auto* tab = new QWidget;
        tab->setObjectName(QLatin1String(Names::shiftPages[shift - 1]));
        auto* grid = new ui::LiveGrid(Names::shiftGrids[shift - 1], tab);
        // Day columns are narrower than the style's least width.
        grid->horizontalHeader()->setMinimumSectionSize(16);
        auto* model = new TimesheetModel(dm_.timesheet(shift), marks_, grid);
        model->setKeyField(QStringLiteral("w_id"));
        model->setGrid(grid);
        grid->showModel(model);
        // The current cell alone takes the selection colours: the rest of the row keeps its
        // weekend, full-day and overtime marks.
        grid->setSelectionBehavior(QAbstractItemView::SelectItems);
        dayWidth = model->fitDayColumns(*grid);
        connect(model, &QAbstractItemModel::modelReset, grid,
                [model, grid] { model->fitDayColumns(*grid); });
        grids_[size_t(shift - 1)] = grid;
        models_[size_t(shift - 1)] = model;
        auto* layout = new QVBoxLayout(tab);
        if (shift == 1) {
            exportButton_ =
                addButton(Names::spreadsheet, QStringLiteral("Excel"), [this] { exportMonth(); });
            rebuildButton_ =
                addButton(Names::rebuild, QStringLiteral("Перестроить"), [this] { rebuild(); });
            rebuildProgress_ = new QProgressBar(tab);
            rebuildProgress_->setObjectName(QLatin1String(Names::progress));
            rebuildProgress_->setRange(1, 1);
            rebuildProgress_->setValue(1);
            // Laid out while hidden, so it paints at its place the moment it is shown.
            QSizePolicy keep = rebuildProgress_->sizePolicy();
            keep.setRetainSizeWhenHidden(true);
            rebuildProgress_->setSizePolicy(keep);
            rebuildProgress_->hide();
            auto* top = new QHBoxLayout;
            top->addWidget(exportButton_);
            top->addWidget(rebuildButton_);
            top->addWidget(rebuildProgress_, 1);
            layout->addLayout(top);
        }
        layout->addWidget(grid);
        shiftTabs_->addTab(tab, QStringLiteral("Смена №%1").arg(shift));
    }

    printButton_ = addButton(Names::print, QStringLiteral("Печать"), [this] { printMonth(); });
    monthBox_ = new QComboBox(this);
    monthBox_->setObjectName(QLatin1String(Names::month));
    monthBox_->addItems(monthNames());
    yearBox_ = new QComboBox(this);
    yearBox_->setObjectName(QLatin1String(Names::year));
    fillYears(today_().year());
    refreshButton_ = addButton(Names::refresh, QStringLiteral("Обновить"), [this] { refresh(); });
    closeMonthButton_ =
        addButton(Names::closeMonth, QStringLiteral("Закрыть месяц"), [this] { closeMonth(); });
    reopenMonthButton_ =
        addButton(Names::reopenMonth, QStringLiteral("Открыть месяц"), [this] { reopenMonth(); });
    exitButton_ = addButton(Names::exit, QStringLiteral("Выход"), [this] { reject(); });
    // offered once a month is shown and the right known
    closeMonthButton_->setEnabled(false);
    reopenMonthButton_->setEnabled(false);
    closedMark_ = new QLabel(this);
    closedMark_->setObjectName(QLatin1String(Names::closedMark));
    closedMark_->setStyleSheet(QStringLiteral("color: #C00000; font-weight: bold"));
    setCancelButton(exitButton_);
    for (QComboBox* list : {monthBox_, yearBox_})
        connect(list, &QComboBox::currentIndexChanged, this,
                [this] { runGuarded([this] { selectMonth(); }); });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(printButton_);
    bottom->addWidget(monthBox_);
    bottom->addWidget(yearBox_);
    bottom->addWidget(refreshButton_);
    bottom->addSpacing(16);
    bottom->addWidget(closeMonthButton_);
    bottom->addWidget(reopenMonthButton_);
    bottom->addWidget(closedMark_);
    bottom->addStretch(1);
    bottom->addWidget(exitButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(shiftTabs_, 1);
    layout->addLayout(bottom);
    // Wider day columns widen the window, so that a month still shows without scrolling.
    const int tableWidth = models_[0]->columns()[1].width;
    setClientSize(940 + TimesheetModel::dayColumns * (dayWidth - tableWidth), 600);
    // Made before the grid and moved into its page, the buttons above it came after it.
    ui::setTabOrder({exportButton_, rebuildButton_, grids_[0]});

    follower_ = new ui::LiveFollower(*this, dm_.listener, state::timesheetChannel,
                                     [this](const QString& payload, const data::ResultSet& rows) {
                                         return concerns(payload, rows);
                                     });
    for (ui::LiveGrid* grid : grids_)
        follower_->add(*grid);
    connect(follower_, &ui::LiveFollower::followed, this, &TimesheetWindow::followedServer);
}

int TimesheetWindow::month() const {
    return monthBox_->currentIndex() + 1;
}

int TimesheetWindow::year() const {
    return yearBox_->currentText().toInt();
}

// Fills the list without selecting a year: the opener does that.
void TimesheetWindow::fillYears(int journalYear) {
    const QSignalBlocker blocked(yearBox_);
    yearBox_->clear();
    yearBox_->addItems(yearList(today_(), journalYear));
    yearBox_->setCurrentIndex(-1);
}

void TimesheetWindow::openFor(const QDate& journalDate) {
    const QDate date = journalDate.isValid() ? journalDate : today_();
    fillYears(date.year());
    {
        const QSignalBlocker months(monthBox_), years(yearBox_);
        monthBox_->setCurrentIndex(date.month() - 1);
        yearBox_->setCurrentIndex(yearBox_->findText(QString::number(date.year())));
    }
    selectMonth();
    exec();
    closeGrids();
}

void TimesheetWindow::selectMonth() {
    if (monthBox_->currentIndex() < 0 || yearBox_->currentIndex() < 0)
        return;
    const int m = month(), y = year();
    marks_ = monthMarks(m, y);
    for (int shift = 1; shift <= 3; ++shift) {
        data::ResultSet& rows = dm_.timesheet(shift);
        rows.close();
        rows.setParam(QStringLiteral("mnth"), m);
        rows.setParam(QStringLiteral("yea"), y);
        rows.open();
        models_[size_t(shift - 1)]->marksChanged();
    }
    showClosed();
}

void TimesheetWindow::showClosed() {
    const std::optional<state::ClosedMonth> closed =
        state::closedMonthOf(dm_.connection, QDate(year(), month(), 1));
    const bool may = state::mayCloseMonths(dm_.connection);
    closedMark_->setText(closed ? closed->statusText() : QString());
    closeMonthButton_->setEnabled(may && !closed);
    reopenMonthButton_->setEnabled(may && closed);
    rebuildButton_->setEnabled(!closed);
}

void TimesheetWindow::closeMonth() {
    askAndChangeMonth(QStringLiteral("Закрытие месяца"),
                      QStringLiteral("Закрыть месяц %1? Позиции, материалы и табель этого "
                                     "месяца больше нельзя будет изменить."),
                      state::closeMonth);
}

void TimesheetWindow::reopenMonth() {
    askAndChangeMonth(QStringLiteral("Открытие месяца"),
                      QStringLiteral("Открыть месяц %1? Его позиции, материалы и табель "
                                     "снова можно будет изменять."),
                      state::reopenMonth);
}

// The mark and the buttons show what the server holds afterwards, also when it refused.
void TimesheetWindow::askAndChangeMonth(const QString& title, const QString& question,
                                        void (*change)(data::Connection&, int, int)) {
    const QString name = monthBox_->currentText() + QLatin1Char(' ') + yearBox_->currentText();
    if (ui::Messages::show(title, question.arg(name), ui::Messages::Icon::Question,
                           ui::Messages::Buttons::YesNo, this) != ui::Messages::Answer::Yes)
        return;
    try {
        change(dm_.connection, year(), month());
    } catch (...) {
        showClosed();
        throw;
    }
    showClosed();
}

void TimesheetWindow::closeGrids() {
    for (int shift = 1; shift <= 3; ++shift)
        dm_.timesheet(shift).close();
}

// Each grid comes back on the worker it stood on, else on the same row number.
void TimesheetWindow::refresh() {
    follower_->caughtUp();
    for (ui::LiveGrid* grid : grids_)
        grid->reread();
}

// A row of the month in the grid's shift; a rebuild's row of another shift reads all three.
bool TimesheetWindow::concerns(const QString& payload, const data::ResultSet& rows) const {
    const std::optional<state::Announcement> change = state::parseAnnouncement(payload);
    if (!change || change->date.month() != month() || change->date.year() != year())
        return false;
    return change->shift < 1 || change->shift > 3 || &rows == &dm_.timesheet(change->shift);
}

// The progress bar only brackets the one statement batch: nothing runs between the
// transaction's begin and commit, not even the event loop.
void TimesheetWindow::rebuild() {
    const int m = month(), y = year();
    // Refused before the progress starts; the server refuses it as well.
    if (const std::optional<state::ClosedMonth> closed =
            state::closedMonthOf(dm_.connection, QDate(y, m, 1))) {
        showClosed();
        throw data::Error(
            QStringLiteral("Месяц %1 закрыт: перестроить табель нельзя").arg(closed->monthText()));
    }
    const int days = QDate(y, m, 1).daysInMonth();
    rebuildProgress_->setRange(1, days);
    rebuildProgress_->setValue(1);
    rebuildProgress_->show();
    rebuildProgress_->repaint();
    ui::BusyCursor busy;
    std::array<ui::LiveGrid::Place, 3> kept;
    for (int shift = 1; shift <= 3; ++shift)
        kept[size_t(shift - 1)] = grids_[size_t(shift - 1)]->place(dm_.timesheet(shift));
    const auto readAgain = [&] {
        for (int shift = 1; shift <= 3; ++shift)
            grids_[size_t(shift - 1)]->reread(dm_.timesheet(shift), kept[size_t(shift - 1)]);
    };
    closeGrids();
    try {
        rebuild_.run(m, y);
    } catch (...) {
        rebuildProgress_->hide();
        try {
            readAgain();
        } catch (const data::Error&) {
            // The rebuild's own error is the one to show.
        }
        throw;
    }
    rebuildProgress_->setValue(days);
    rebuildProgress_->repaint();
    readAgain();
    rebuildProgress_->hide();
}

void TimesheetWindow::exportMonth() {
    print_.monthRows.setConnection(ui::readyForReport(dm_.reports, this).connection);
    timesheet::exportMonth(print_, month(), year(),
                           monthBox_->currentText() + QLatin1Char(' ') + yearBox_->currentText(),
                           [this](const QString& caption) {
                               exportButton_->setText(caption);
                               exportButton_->repaint();
                           });
}

void TimesheetWindow::printMonth() {
    print_.monthRows.setConnection(ui::readyForReport(dm_.reports, this).connection);
    output::PreparedReport pages;
    {
        const data::CloseOnExit closeRows(print_.monthRows);
        print_.openMonth(month(), year());
        pages = print_.prepare(monthBox_->currentText(), yearBox_->currentText());
    }
    ui::preview(std::move(pages), ui::Zoom::WholePage, this);
}

bool TimesheetWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        exportButton_->setText(QStringLiteral("Excel"));
    return ui::Form::event(e);
}

} // namespace timesheet
