#include "ReportsDialog.h"

#include "data/DataModule.h"
#include "output/ReportOutput.h"
#include "ui/BusyCursor.h"
#include "ui/Controls.h"
#include "ui/Messages.h"

#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

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

ReportsDialog::ReportsDialog(data::DataModule& dm, QWidget* parent)
    : ui::Form(QStringLiteral("TForm18"), QStringLiteral("Отчеты"), parent), dm_(dm) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);

    QGroupBox* kinds = boldFrame("RadioGroup1", QStringLiteral("Вид продукции"), this);
    auto* kindLayout = new QVBoxLayout(kinds);
    const QString kindTexts[] = {QStringLiteral("Все"), QStringLiteral("Готовая продукция"),
                                 QStringLiteral("Заготовки")};
    for (int i = 0; i < 3; ++i) {
        RadioGroup1[size_t(i)] = new QRadioButton(kindTexts[i], kinds);
        RadioGroup1[size_t(i)]->setObjectName(QStringLiteral("RadioGroup1_%1").arg(i));
        plainFont(RadioGroup1[size_t(i)]);
        kindLayout->addWidget(RadioGroup1[size_t(i)]);
    }
    RadioGroup1[0]->setChecked(true);
    layout->addWidget(kinds);

    QGroupBox* periodBox = boldFrame("GroupBox1", QStringLiteral("Период отбора"), this);
    auto* periodLayout = new QGridLayout(periodBox);
    auto* label1 = new QLabel(QStringLiteral("с"), periodBox);
    label1->setObjectName(QStringLiteral("Label1"));
    auto* label2 = new QLabel(QStringLiteral("по"), periodBox);
    label2->setObjectName(QStringLiteral("Label2"));
    DTPicker1 = new ui::DatePicker("DTPicker1", periodBox);
    DTPicker2 = new ui::DatePicker("DTPicker2", periodBox);
    for (QWidget* w : {static_cast<QWidget*>(label1), static_cast<QWidget*>(label2),
                       static_cast<QWidget*>(DTPicker1), static_cast<QWidget*>(DTPicker2)})
        plainFont(w);
    periodLayout->addWidget(label1, 0, 0);
    periodLayout->addWidget(DTPicker1, 0, 1);
    periodLayout->addWidget(label2, 1, 0);
    periodLayout->addWidget(DTPicker2, 1, 1);
    layout->addWidget(periodBox);

    struct ReportButton {
        const char* name;
        const char* text;
        int number;
    };
    const ReportButton reportButtons[] = {
        {"Button4", "Отчет по рабочим", 16},
        {"Button2", "Отчет по продукции", 17},
        {"Button1", "Детальный отчет по рабочим", 20},
        {"Button3", "Детальный отчет по продукции", 21},
        {"Button7", "Детальный отчет по заявкам", 25},
    };
    for (const ReportButton& b : reportButtons)
        layout->addWidget(addButton(b.name, QString::fromUtf8(b.text),
                                    [this, number = b.number] { previewReport(number); }));
    Button6 = addButton("Button6", progressText(0, 0), [this] { exportToSpreadsheet(); });
    layout->addWidget(Button6);
    QPushButton* button5 = addButton("Button5", QStringLiteral("Выход"), [this] { reject(); });
    layout->addWidget(button5);
    // No default button: Enter in a picker starts nothing.
    setCancelButton(button5);

    for (QWidget* w : {static_cast<QWidget*>(kinds), static_cast<QWidget*>(periodBox)})
        w->setFixedWidth(columnWidth);
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setFixedWidth(columnWidth);
    setClientSize(columnWidth + 2 * margin, layout->sizeHint().height());
}

void ReportsDialog::openFrom(const QDate& today) {
    const ReportPeriod offered = defaultPeriod(today);
    DTPicker1->setDate(offered.from);
    DTPicker2->setDate(offered.to);
    exec();
}

ReportPeriod ReportsDialog::period() const {
    ReportPeriod p{DTPicker1->date(), DTPicker2->date(), -1};
    if (RadioGroup1[1]->isChecked())
        p.kind = 0;
    else if (RadioGroup1[2]->isChecked())
        p.kind = 1;
    return p;
}

void ReportsDialog::previewReport(int number) {
    output::PreparedReport pages;
    {
        ui::BusyCursor busy;
        pages = prepareSummary(dm_.connection, number, period());
    }
    output::preview(pages, output::Zoom::PageWidth, this, ui::Messages::error);
}

void ReportsDialog::exportToSpreadsheet() {
    excel_.open(QString());
    ui::BusyCursor busy;
    // The caption is painted at once: running the event loop here would let a second export
    // or the closing of the dialog start half-way through this one.
    QElapsedTimer painted;
    painted.start();
    exportSummary(dm_.connection, period(), excel_, [this, &painted](int done, int total) {
        Button6->setText(progressText(done, total));
        if (done == 0 || done == total || painted.elapsed() >= 40) {
            Button6->repaint();
            painted.restart();
        }
    });
    excel_.show(true);
}

} // namespace reports
