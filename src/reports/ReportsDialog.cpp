#include "ReportsDialog.h"

#include "state/DataModule.h"
#include "ui/BusyCursor.h"
#include "ui/Controls.h"
#include "ui/Messages.h"
#include "ui/PreviewWindow.h"
#include "ui/ReportReading.h"

#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <initializer_list>

namespace reports {

namespace {

constexpr int columnWidth = 180;
constexpr int margin = 8;

// A frame with a bold caption over controls in the usual font.
QGroupBox* boldFrame(const char* name, const QString& caption, QWidget* parent) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    QFont bold = box->font();
    bold.setBold(true);
    box->setFont(bold);
    return box;
}

void plainFont(QWidget* w) {
    QFont f = w->font();
    f.setBold(false);
    w->setFont(f);
}

QString progressText(int done, int total) {
    return QStringLiteral("Excel (%1 из %2)").arg(done).arg(total);
}

} // namespace

ReportsDialog::ReportsDialog(state::DataModule& dm, QWidget* parent)
    : ui::Form(QStringLiteral("TForm18"), QStringLiteral("Отчеты"), parent), dm_(dm) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);

    QGroupBox* kinds = boldFrame("RadioGroup1", QStringLiteral("Вид продукции"), this);
    auto* kindLayout = new QVBoxLayout(kinds);
    const QString kindTexts[] = {QStringLiteral("Все"), QStringLiteral("Готовая продукция"),
                                 QStringLiteral("Заготовки")};
    for (int i = 0; i < 3; ++i) {
        QRadioButton*& button = kindButtons_[size_t(i)];
        button = new QRadioButton(kindTexts[i], kinds);
        button->setObjectName(QStringLiteral("RadioGroup1_%1").arg(i));
        plainFont(button);
        kindLayout->addWidget(button);
    }
    kindButtons_[0]->setChecked(true);
    ui::tabToCheckedChoice({kindButtons_[0], kindButtons_[1], kindButtons_[2]});
    layout->addWidget(kinds);

    QGroupBox* periodBox = boldFrame("GroupBox1", QStringLiteral("Период отбора"), this);
    auto* periodLayout = new QGridLayout(periodBox);
    auto* fromLabel = new QLabel(QStringLiteral("с"), periodBox);
    fromLabel->setObjectName(QStringLiteral("Label1"));
    auto* toLabel = new QLabel(QStringLiteral("по"), periodBox);
    toLabel->setObjectName(QStringLiteral("Label2"));
    fromPicker_ = new ui::DatePicker("DTPicker1", periodBox);
    toPicker_ = new ui::DatePicker("DTPicker2", periodBox);
    for (QWidget* w : std::initializer_list<QWidget*>{fromLabel, toLabel, fromPicker_, toPicker_})
        plainFont(w);
    periodLayout->addWidget(fromLabel, 0, 0);
    periodLayout->addWidget(fromPicker_, 0, 1);
    periodLayout->addWidget(toLabel, 1, 0);
    periodLayout->addWidget(toPicker_, 1, 1);
    layout->addWidget(periodBox);

    for (const SummaryReport& r : summaryReports())
        layout->addWidget(addButton(r.button, QString::fromUtf8(r.caption),
                                    [this, number = r.number] { previewReport(number); }));
    lagLabel_ = new QLabel(this);
    lagLabel_->setObjectName(QLatin1String(Names::lag));
    lagLabel_->setWordWrap(true);
    lagLabel_->setFixedWidth(columnWidth);
    lagLabel_->hide();
    layout->addWidget(lagLabel_);

    exportButton_ = addButton("Button6", progressText(0, 0), [this] { exportToSpreadsheet(); });
    layout->addWidget(exportButton_);
    QPushButton* exitButton = addButton("Button5", QStringLiteral("Выход"), [this] { reject(); });
    layout->addWidget(exitButton);
    // No default button: Enter in a picker starts nothing.
    setCancelButton(exitButton);

    for (QWidget* w : std::initializer_list<QWidget*>{kinds, periodBox})
        w->setFixedWidth(columnWidth);
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setFixedWidth(columnWidth);
    setClientSize(columnWidth + 2 * margin, layout->sizeHint().height());
}

void ReportsDialog::openFrom(const QDate& today) {
    const ReportPeriod offered = defaultPeriod(today);
    fromPicker_->setDate(offered.from);
    toPicker_->setDate(offered.to);
    readyConnection();
    exec();
}

ReportPeriod ReportsDialog::period() const {
    ReportPeriod p{fromPicker_->date(), toPicker_->date(), -1};
    if (kindButtons_[1]->isChecked())
        p.kind = 0;
    else if (kindButtons_[2]->isChecked())
        p.kind = 1;
    return p;
}

data::Connection& ReportsDialog::readyConnection() {
    const data::ReportSource::Ready ready = ui::readyForReport(dm_.reports, this);
    const QString lag = ready.lag ? data::ReportSource::lagText(*ready.lag) : QString();
    if (lag != lagLabel_->text()) {
        lagLabel_->setText(lag);
        lagLabel_->setVisible(!lag.isEmpty());
        setClientSize(columnWidth + 2 * margin, layout()->sizeHint().height());
    }
    return ready.connection;
}

void ReportsDialog::previewReport(int number) {
    data::Connection& connection = readyConnection();
    std::unique_ptr<output::Preparation> pages;
    {
        ui::BusyCursor busy;
        pages = startSummary(connection, number, period());
    }
    ui::preview(std::move(pages), ui::Zoom::PageWidth, this);
}

void ReportsDialog::exportToSpreadsheet() {
    checkPeriod(period()); // before a workbook is opened for nothing
    data::Connection& connection = readyConnection();
    spreadsheet_.open(QString());
    ui::BusyCursor busy;
    // The caption is painted at once: running the event loop here would let a second export
    // or the closing of the dialog start half-way through this one.
    QElapsedTimer painted;
    painted.start();
    exportSummary(connection, period(), spreadsheet_, [this, &painted](int done, int total) {
        exportButton_->setText(progressText(done, total));
        if (done == 0 || done == total || painted.elapsed() >= 40) {
            exportButton_->repaint();
            painted.restart();
        }
    });
    spreadsheet_.show(true);
}

} // namespace reports
