#pragma once

// "История": the changes of one position, newest first, or of a period (optionally of one
// worker) with its export; a period's row leads to its position's history, a deleted one too.

#include "ui/Form.h"

#include <QDate>
#include <memory>

class QLabel;
class QLineEdit;
class QWidget;

namespace data {
class ResultSet;
}
namespace state {
class DataModule;
}

namespace reference {
class WorkersList;
}
namespace ui {
class DataGrid;
class DatePicker;
class ResultSetModel;
} // namespace ui

namespace journal {

class HistoryWindow : public ui::Form {
    Q_OBJECT
public:
    explicit HistoryWindow(state::DataModule& dm, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    struct Names {
        static constexpr const char* grid = "DBGridHistory";
        static constexpr const char* from = "DateFrom";
        static constexpr const char* to = "DateTo";
        static constexpr const char* worker = "EditWorker";
        static constexpr const char* pickWorker = "ButtonWorker";
        static constexpr const char* show = "ButtonShow";
        static constexpr const char* spreadsheet = "ButtonExcel";
        static constexpr const char* position = "ButtonPosition";
        static constexpr const char* close = "ButtonClose";
    };

    // The picker that "..." beside "Табельный №" opens; without one the button stays hidden.
    void setWorkersPicker(reference::WorkersList& workers);

    // Shows the window modally over the position's changes.
    void showPosition(int positionId);
    // Shows the window modally over the period's changes, the period's controls above.
    void showPeriod(const QDate& from, const QDate& to);

    // What the window shows; for an opener's tests.
    void loadPosition(int positionId);
    void loadPeriod();
    void exportShown();
    data::ResultSet& rows() const { return *rows_; }
    ui::DataGrid* grid() const { return grid_; }

private:
    void openCurrentPosition();
    void pickWorker();

    state::DataModule& dm_;
    std::unique_ptr<data::ResultSet> rows_;
    ui::ResultSetModel* model_ = nullptr;
    ui::DataGrid* grid_ = nullptr;
    QWidget* periodBar_ = nullptr;
    ui::DatePicker* fromEdit_ = nullptr;
    ui::DatePicker* toEdit_ = nullptr;
    QLineEdit* workerEdit_ = nullptr;
    QWidget* pickWorkerButton_ = nullptr;
    reference::WorkersList* workers_ = nullptr;
    QWidget* positionButton_ = nullptr;
};

} // namespace journal
