#pragma once

#include "SummaryReports.h"
#include "output/Spreadsheet.h"
#include "ui/Form.h"

#include <QDate>
#include <array>

class QLabel;
class QPushButton;
class QRadioButton;

namespace data {
class Connection;
}
namespace state {
class DataModule;
}

namespace ui {
class DatePicker;
}

// The summary reports dialog (TForm18): a period and a product kind, then a preview of one of
// the table's reports or the export of the period's output. It reads, and never writes, the
// database. They read from the report server when one is set; the dialog says when its data
// are more than a minute old.
namespace reports {

class ReportsDialog : public ui::Form {
    Q_OBJECT
public:
    struct Names {
        // How old the report server's data are; hidden while they are current.
        static constexpr const char* lag = "LabelLag";
    };

    explicit ReportsDialog(state::DataModule& dm, QWidget* parent = nullptr);

    // The opener: the whole month before today's, then shown modally. The product kind and
    // the export's caption stay as the last use left them.
    void openFrom(const QDate& today);

    // The period and kind as the controls hold them.
    ReportPeriod period() const;

private:
    // The connection the reports read from now; shows the fallback notice and the lag.
    data::Connection& readyConnection();
    void previewReport(int number);
    void exportToSpreadsheet();

    state::DataModule& dm_;
    std::array<QRadioButton*, 3> kindButtons_{}; // all, finished products, blanks
    ui::DatePicker* fromPicker_ = nullptr;
    ui::DatePicker* toPicker_ = nullptr;
    QLabel* lagLabel_ = nullptr;
    QPushButton* exportButton_ = nullptr; // its caption shows the export's progress
    output::Spreadsheet spreadsheet_;
};

} // namespace reports
