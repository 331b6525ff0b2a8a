#include "TimesheetWindow.h"

#include "TimesheetExport.h"
#include "data/DataModule.h"
#include "data/Error.h"
#include "output/ReportOutput.h"
#include "ui/BusyCursor.h"
#include "ui/DataGrid.h"
#include "ui/Messages.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace timesheet {

TimesheetWindow::TimesheetWindow(data::DataModule& dm, QWidget* parent)
    : ui::Form(QStringLiteral("TForm19"), QStringLiteral("Табель по времени"), parent), dm_(dm),
      rebuild_(dm.connection), print_(dm.connection) {
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    for (int shift = 1; shift <= 3; ++shift) {
        auto* tab = new QWidget;
        tab->setObjectName(QStringLiteral("TabSheet%1").arg(shift));
        auto* grid =
            new ui::DataGrid(QStringLiteral("DBGrid%1").arg(shift).toLatin1().constData(), tab);
        // Day columns are narrower than the style's least width.
        grid->horizontalHeader()->setMinimumSectionSize(16);
        auto* model = new TimesheetModel(dm_.timesheet(shift), marks_, grid);
        model->setGrid(grid);
        grid->showModel(model);
        grids_[size_t(shift - 1)] = grid;
        models_[size_t(shift - 1)] = model;
        auto* layout = new QVBoxLayout(tab);
        if (shift == 1) {
            Button2 = addButton("Button2", QStringLiteral("Excel"), [this] { exportMonth(); });
            Button1 = addButton("Button1", QStringLiteral("Перестроить"), [this] { rebuild(); });
            PB = new QProgressBar(tab);
            PB->setObjectName(QStringLiteral("PB"));
            PB->setRange(1, 1);
            PB->setValue(1);
            // Laid out while hidden, so it paints at its place the moment it is shown.
            QSizePolicy keep = PB->sizePolicy();
            keep.setRetainSizeWhenHidden(true);
            PB->setSizePolicy(keep);
            PB->hide();
            auto* top = new QHBoxLayout;
            top->addWidget(Button2);
            top->addWidget(Button1);
            top->addWidget(PB, 1);
            layout->addLayout(top);
        }
        layout->addWidget(grid);
        PageControl1->addTab(tab, QStringLiteral("Смена №%1").arg(shift));
    }

    Button6 = addButton("Button6", QStringLiteral("Печать"), [this] { printMonth(); });
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems(monthNames());
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    fillYears(today_().year());
    Button5 = addButton("Button5", QStringLiteral("Обновить"), [this] { refresh(); });
    Button4 = addButton("Button4", QStringLiteral("Выход"), [this] { reject(); });
    setCancelButton(Button4);
    for (QComboBox* list : {ComboBox1, ComboBox2})
        connect(list, &QComboBox::currentIndexChanged, this,
                [this] { runGuarded([this] { selectMonth(); }); });

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Button6);
    bottom->addWidget(ComboBox1);
    bottom->addWidget(ComboBox2);
    bottom->addWidget(Button5);
    bottom->addStretch(1);
    bottom->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(bottom);
    setClientSize(940, 600);
}

int TimesheetWindow::month() const {
    return ComboBox1->currentIndex() + 1;
}

int TimesheetWindow::year() const {
    return ComboBox2->currentText().toInt();
}

// Fills the list without selecting a year: the opener does that.
void TimesheetWindow::fillYears(int journalYear) {
    const QSignalBlocker blocked(ComboBox2);
    ComboBox2->clear();
    ComboBox2->addItems(yearList(today_(), journalYear));
    ComboBox2->setCurrentIndex(-1);
}

void TimesheetWindow::openFor(const QDate& journalDate) {
    const QDate date = journalDate.isValid() ? journalDate : today_();
    fillYears(date.year());
    {
        const QSignalBlocker months(ComboBox1), years(ComboBox2);
        ComboBox1->setCurrentIndex(date.month() - 1);
        ComboBox2->setCurrentIndex(ComboBox2->findText(QString::number(date.year())));
    }
    selectMonth();
    exec();
    closeGrids();
}

void TimesheetWindow::selectMonth() {
    if (ComboBox1->currentIndex() < 0 || ComboBox2->currentIndex() < 0)
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
}

std::array<TimesheetWindow::Place, 3> TimesheetWindow::places() const {
    std::array<Place, 3> kept;
    for (int shift = 1; shift <= 3; ++shift) {
        const data::ResultSet& rows = dm_.timesheet(shift);
        if (rows.isOpen() && rows.recNo() >= 0)
            kept[size_t(shift - 1)] = {rows.value(QStringLiteral("w_id")), rows.recNo()};
    }
    return kept;
}

void TimesheetWindow::closeGrids() {
    for (int shift = 1; shift <= 3; ++shift)
        dm_.timesheet(shift).close();
}

// Each grid comes back on the worker it stood on, else on the same row number.
void TimesheetWindow::reopen(const std::array<Place, 3>& kept) {
    closeGrids();
    for (int shift = 1; shift <= 3; ++shift)
        dm_.timesheet(shift).open();
    for (int shift = 1; shift <= 3; ++shift) {
        data::ResultSet& rows = dm_.timesheet(shift);
        const Place& place = kept[size_t(shift - 1)];
        if (place.row >= 0 && !rows.locate(QStringLiteral("w_id"), place.worker))
            rows.moveTo(place.row);
    }
}

void TimesheetWindow::refresh() {
    reopen(places());
}

// The progress bar only brackets the one statement batch: nothing runs between the
// transaction's begin and commit, not even the event loop.
void TimesheetWindow::rebuild() {
    const int m = month(), y = year();
    const int days = QDate(y, m, 1).daysInMonth();
    PB->setRange(1, days);
    PB->setValue(1);
    PB->show();
    PB->repaint();
    ui::BusyCursor busy;
    const std::array<Place, 3> kept = places();
    closeGrids();
    try {
        rebuild_.run(m, y);
    } catch (...) {
        PB->hide();
        try {
            reopen(kept);
        } catch (const data::Error&) {
            // The rebuild's own error is the one to show.
        }
        throw;
    }
    PB->setValue(days);
    PB->repaint();
    reopen(kept);
    PB->hide();
}

void TimesheetWindow::exportMonth() {
    timesheet::exportMonth(print_, month(), year(),
                           ComboBox1->currentText() + QLatin1Char(' ') + ComboBox2->currentText(),
                           [this](const QString& caption) {
                               Button2->setText(caption);
                               Button2->repaint();
                           });
}

void TimesheetWindow::printMonth() {
    output::PreparedReport pages;
    {
        struct CloseAfter {
            data::ResultSet& rows;
            ~CloseAfter() { rows.close(); }
        } closeAfter{print_.H_Tabel};
        print_.openMonth(month(), year());
        pages = print_.prepare(ComboBox1->currentText(), ComboBox2->currentText());
    }
    output::preview(pages, output::Zoom::WholePage, this, ui::Messages::error);
}

bool TimesheetWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        Button2->setText(QStringLiteral("Excel"));
    return ui::Form::event(e);
}

} // namespace timesheet
