#include "HistoryWindow.h"

#include "History.h"
#include "JournalStatements.h"
#include "data/Error.h"
#include "data/SqlText.h"
#include "output/Spreadsheet.h"
#include "reference/Pickers.h"
#include "state/DataModule.h"
#include "ui/Controls.h"
#include "ui/DataGrid.h"
#include "ui/ResultSetModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace journal {

HistoryWindow::HistoryWindow(state::DataModule& dm, QWidget* parent)
    : ui::Form(QStringLiteral("THistory"), QStringLiteral("История изменений"), parent), dm_(dm),
      rows_(std::make_unique<data::ResultSet>(dm.connection, QStringLiteral("History"))) {
    auto* layout = new QVBoxLayout(this);

    periodBar_ = new QWidget(this);
    auto* bar = new QHBoxLayout(periodBar_);
    bar->setContentsMargins(0, 0, 0, 0);
    fromEdit_ = new ui::DatePicker(Names::from, periodBar_);
    toEdit_ = new ui::DatePicker(Names::to, periodBar_);
    workerEdit_ = new QLineEdit(periodBar_);
    workerEdit_->setObjectName(QLatin1String(Names::worker));
    workerEdit_->setPlaceholderText(QStringLiteral("все"));
    workerEdit_->setMaximumWidth(80);
    ui::filterKeys(workerEdit_, ui::TypedKeys::Digits);
    bar->addWidget(new QLabel(QStringLiteral("С"), periodBar_));
    bar->addWidget(fromEdit_);
    bar->addWidget(new QLabel(QStringLiteral("по"), periodBar_));
    bar->addWidget(toEdit_);
    bar->addSpacing(12);
    bar->addWidget(new QLabel(QStringLiteral("Табельный №"), periodBar_));
    bar->addWidget(workerEdit_);
    pickWorkerButton_ =
        addButton(Names::pickWorker, QStringLiteral("..."), [this] { pickWorker(); });
    pickWorkerButton_->setFixedWidth(28);
    pickWorkerButton_->setToolTip(QStringLiteral("Выбрать рабочего из списка"));
    pickWorkerButton_->hide();
    bar->addWidget(pickWorkerButton_);
    bar->addWidget(addButton(Names::show, QStringLiteral("Показать"), [this] { loadPeriod(); }));
    bar->addWidget(
        addButton(Names::spreadsheet, QStringLiteral("Excel"), [this] { exportShown(); }));
    bar->addStretch(1);
    layout->addWidget(periodBar_);

    grid_ = new ui::DataGrid(Names::grid, this);
    model_ = new ui::ResultSetModel(*rows_, historyColumns(), this);
    model_->setCellRole(historyTexts(*model_));
    grid_->showModel(model_);
    // Wider with the window; a change longer still shows whole in its tooltip.
    grid_->horizontalHeader()->setStretchLastSection(true);
    connect(grid_, &QAbstractItemView::doubleClicked, this,
            [this] { runGuarded([this] { openCurrentPosition(); }); });
    layout->addWidget(grid_, 1);

    auto* bottom = new QHBoxLayout;
    positionButton_ = addButton(Names::position, QStringLiteral("История позиции"),
                                [this] { openCurrentPosition(); });
    bottom->addWidget(positionButton_);
    bottom->addStretch(1);
    QPushButton* close = addButton(Names::close, QStringLiteral("Закрыть"), [this] { reject(); });
    bottom->addWidget(close);
    layout->addLayout(bottom);
    setCancelButton(close);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    setSizeGripEnabled(true);
    setMinimumSize(640, 300);
    resize(1280, 560);
}

void HistoryWindow::setWorkersPicker(reference::WorkersList& workers) {
    workers_ = &workers;
    pickWorkerButton_->show();
}

// The worker's number, which no list of the journal shows, from the workers list.
void HistoryWindow::pickWorker() {
    if (!workers_)
        return;
    if (const std::optional<reference::PickedWorker> picked = workers_->pick())
        workerEdit_->setText(QString::number(picked->id));
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::loadPosition(int positionId) {
    periodBar_->hide();
    positionButton_->hide();
    setWindowTitle(QStringLiteral("История позиции № %1").arg(positionId));
    rows_->close();
    rows_->setFreshPlans(false);
    rows_->setSql(statements::positionHistory());
    rows_->setParam(QStringLiteral("id_smena"), positionId);
    rows_->open();
}

void HistoryWindow::loadPeriod() {
    periodBar_->show();
    positionButton_->show();
    setWindowTitle(QStringLiteral("История изменений журнала"));
    const QString typed = workerEdit_->text().trimmed();
    std::optional<int> worker;
    if (!typed.isEmpty())
        worker = sqltext::typedInteger(typed, 0, 2147483647, QStringLiteral("Табельный №")).toInt();
    if (fromEdit_->date() > toEdit_->date())
        throw data::Error(QStringLiteral("Начало периода позже его конца"));
    openPeriodHistory(*rows_, fromEdit_->date(), toEdit_->date(), worker);
}

void HistoryWindow::exportShown() {
    if (!rows_->isOpen())
        loadPeriod();
    output::Spreadsheet book;
    book.open({});
    writeHistory(*rows_, book);
    book.show(true);
}

void HistoryWindow::showPosition(int positionId) {
    loadPosition(positionId);
    exec();
    rows_->close();
}

void HistoryWindow::showPeriod(const QDate& from, const QDate& to) {
    fromEdit_->setDate(from);
    toEdit_->setDate(to);
    loadPeriod();
    exec();
    rows_->close();
}

// A position's whole history, also of one deleted since.
void HistoryWindow::openCurrentPosition() {
    if (periodBar_->isHidden() || !rows_->isOpen() || rows_->isEmpty())
        return;
    HistoryWindow position(dm_, this);
    position.showPosition(rows_->asInt(QStringLiteral("id_smena")));
}

} // namespace journal
