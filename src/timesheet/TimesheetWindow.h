#pragma once

#include "MonthRebuild.h"
#include "TimesheetGrid.h"
#include "TimesheetPrint.h"
#include "ui/Form.h"

#include <QDate>
#include <functional>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace data {
class Connection;
}

namespace state {
class DataModule;
}

namespace ui {
class LiveFollower;
class LiveGrid;
} // namespace ui

// The monthly hours timesheet (TForm19): one grid per shift for the chosen month, the
// month's rebuild from the journal, refresh, export and print. Only the rebuild writes.
namespace timesheet {

class TimesheetWindow : public ui::Form {
    Q_OBJECT
public:
    explicit TimesheetWindow(state::DataModule& dm, QWidget* parent = nullptr);

    // The documented names of the controls, their objectNames; a shift's page and grid at
    // index shift - 1.
    struct Names {
        static constexpr const char* shiftTabs = "PageControl1";
        static constexpr const char* shiftPages[3] = {"TabSheet1", "TabSheet2", "TabSheet3"};
        static constexpr const char* shiftGrids[3] = {"DBGrid1", "DBGrid2", "DBGrid3"};
        static constexpr const char* rebuild = "Button1";
        static constexpr const char* progress = "PB";
        static constexpr const char* spreadsheet = "Button2";
        static constexpr const char* print = "Button6";
        static constexpr const char* month = "ComboBox1";
        static constexpr const char* year = "ComboBox2";
        static constexpr const char* refresh = "Button5";
        static constexpr const char* exit = "Button4";
        static constexpr const char* closeMonth = "ButtonCloseMonth";
        static constexpr const char* reopenMonth = "ButtonReopenMonth";
        static constexpr const char* closedMark = "LabelClosed";
    };

    // The opener: the journal date's month and year, the month selected, the window shown
    // modally; the grids' queries are closed once it is closed.
    void openFor(const QDate& journalDate);

    // Where "today" comes from, for the year list.
    void setToday(std::function<QDate()> today) { today_ = std::move(today); }

    // The month selection of the lists; run by a change of either.
    void selectMonth();
    void refresh();
    void rebuild();
    void exportMonth();
    void printMonth();
    // "Закрыть месяц" / "Открыть месяц": asked first, refused by the server without the right.
    void closeMonth();
    void reopenMonth();
    void askAndChangeMonth(const QString& title, const QString& question,
                           void (*change)(data::Connection&, int, int));

    int month() const;
    int year() const;
    const Marks& marks() const { return marks_; }
    TimesheetModel* model(int shift) const { return models_[size_t(shift - 1)]; }
    TimesheetPrint& printLayout() { return print_; }

signals:
    // The month's grids that changed elsewhere were read again (once a burst).
    void followedServer();

protected:
    bool event(QEvent* e) override;

private:
    void closeGrids();
    void fillYears(int journalYear);
    bool concerns(const QString& payload, const data::ResultSet& rows) const;
    // The shown month's close, read from the server: the mark and what the buttons offer.
    void showClosed();

    state::DataModule& dm_;
    std::function<QDate()> today_ = [] { return QDate::currentDate(); };
    Marks marks_{};
    MonthRebuild rebuild_;
    TimesheetPrint print_;

    QTabWidget* shiftTabs_;
    std::array<ui::LiveGrid*, 3> grids_{};
    ui::LiveFollower* follower_;
    std::array<TimesheetModel*, 3> models_{};
    QPushButton* rebuildButton_;
    QPushButton* exportButton_; // its caption tells an export's progress
    QPushButton* exitButton_;
    QPushButton* refreshButton_;
    QPushButton* printButton_;
    QPushButton* closeMonthButton_;
    QPushButton* reopenMonthButton_;
    QLabel* closedMark_;
    QProgressBar* rebuildProgress_;
    QComboBox* monthBox_;
    QComboBox* yearBox_;
};

} // namespace timesheet
