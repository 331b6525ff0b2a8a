#pragma once

#include "Positions.h"
#include "ui/Form.h"
#include "ui/LiveGrid.h"

#include <QDate>
#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QMenuBar;
class QRadioButton;
class QTimer;

namespace data {
class ResultSet;
}
namespace state {
class DataModule;
}

namespace ui {
class DatePicker;
class LiveFollower;
class ResultSetModel;
} // namespace ui

namespace journal {

// The journal of one date and shift (TForm1). Shown modally by the login; closing it ends
// the program. Keeps the session's shift, date and day off up to date for the other windows.
class JournalWindow : public ui::Form {
    Q_OBJECT
public:
    explicit JournalWindow(state::DataModule& dm, QWidget* parent = nullptr);
    ~JournalWindow() override;

    // The documented names of the controls and menu items, their objectNames.
    struct Names {
        static constexpr const char* shift1 = "RadioButton1";
        static constexpr const char* shift2 = "RadioButton2";
        static constexpr const char* shift3 = "RadioButton3";
        static constexpr const char* overtime = "RadioButton4";
        static constexpr const char* date = "DateT";
        static constexpr const char* dayOff = "CBox1";
        static constexpr const char* stayOnDate = "CBoxStay";
        static constexpr const char* styles = "ComboBox1";
        static constexpr const char* grid = "DBGrid2";
        static constexpr const char* add = "Button1";
        static constexpr const char* change = "Button2";
        static constexpr const char* remove = "Button3";
        static constexpr const char* history = "ButtonHistory";
        static constexpr const char* historyItem = "NHistory";
        static constexpr const char* periodHistoryItem = "N12";
        static constexpr const char* accept = "Button5";
        static constexpr const char* acceptAll = "Button6";
        static constexpr const char* refresh = "Button8";
        static constexpr const char* exit = "Button4";
        static constexpr const char* gateTimer = "Timer1";
        static constexpr const char* referencesMenu = "N2";
        static constexpr const char* workersItem = "N1";
        static constexpr const char* productsItem = "N3";
        static constexpr const char* operationTypesItem = "N6";
        static constexpr const char* pricesItem = "N4";
        static constexpr const char* overtimeItem = "N8";
        static constexpr const char* timesheetItem = "N11";
        static constexpr const char* reportsMenu = "N7";
        static constexpr const char* summaryReportsItem = "N10";
        static constexpr const char* exitItem = "N5";
        static constexpr const char* closedMark = "LabelClosed";
    };

    // The journal query of the selected shift (shift 1 for any value out of range).
    data::ResultSet& currentJournalQuery();
    QDate journalDate() const;
    bool dayOff() const;

    // Where "today" comes from; tests put it on a chosen weekday.
    void setToday(std::function<QDate()> today);
    QDate today() const { return today_(); }

    state::DataModule& dataModule() const { return dm_; }

    // The user's choice "Оставаться на выбранной дате": on, a return from another window keeps
    // the date shown instead of going back to today. Set by the program, it announces nothing.
    void setStayOnDate(bool on);
    bool staysOnDate() const;
    // A position a dialog has just added: under the choice above it is the current row when
    // the journal comes back.
    void noteAdded(int positionId);

    // What the journal does when a window opened from it has closed: back to today (or on the
    // date shown, as the user chose), all four shifts read again, each on the place the user
    // had in it. Openers call it before their
    // own closing steps; the activation that a window system sends afterwards then reloads
    // nothing.
    void returnFromDialog();

    // How the journal comes back from a position dialog shown over it.
    enum class Return {
        Always,  // returned from; a dialog not shown reads the date shown again (add, change)
        IfShown, // returned from only if the dialog was shown (view)
    };
    // Notes the place in the shown shift, runs `dialog` (true when it was shown) and comes back
    // to that place as `back` says, whatever the dialog did to the journal's rows. A dialog not
    // shown returns to nothing: the journal stays on its date. An error of the dialog's opener
    // leaves the journal.
    void runDialog(const std::function<bool()>& dialog, Return back);
    ui::LiveGrid* grid() const { return grid_; }

signals:
    // The shift grids of the shown date that changed elsewhere were read again (once a burst).
    void followedServer();
    void styleChosen(const QString& name);
    void stayOnDateChosen(bool on);
    void gateTick();
    void operationTypesRequested();
    void pricesRequested();
    void timesheetRequested();
    void reportsRequested();
    // "Добавить", "Изменить" and a double-click on a row (the position dialog's openers).
    void addRequested();
    void changeRequested();
    void viewRequested();
    // "История" of the current position (button, context menu) and the period's list.
    void historyRequested(int positionId);
    void periodHistoryRequested();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenu(QMenuBar* menu);
    // Back to today, or to the date shown when the user chose to stay on it; the shown shift
    // comes back to `shownPlace` when given.
    void comeBack(std::optional<ui::LiveGrid::Place> shownPlace = std::nullopt);
    // A key of the grid that stands for a button (Enter, F2, Insert, Delete, F5).
    bool gridKey(const QKeyEvent& key);
    void loadPickedDate();
    void refresh();
    void showShift(int shift);
    void markDayOff(bool on);
    // A date of a closed month is read-only: its writing buttons off and a mark shown.
    void markClosedMonth(const QDate& date);
    void acceptSelected();
    void acceptAll();
    void accept(const std::vector<ShownPosition>& positions);
    void deleteCurrent();
    void showHistory();
    void rowDoubleClicked();
    bool concerns(const QString& payload, const data::ResultSet& query);

    state::DataModule& dm_;
    Positions positions_;
    std::function<QDate()> today_;
    std::array<ui::ResultSetModel*, 4> models_{};
    std::array<QRadioButton*, 4> shiftChoices_{};
    ui::DatePicker* dateEdit_ = nullptr;
    QCheckBox* dayOffBox_ = nullptr;
    QCheckBox* stayOnDateBox_ = nullptr;
    QComboBox* styles_ = nullptr;
    QLabel* closedMark_ = nullptr;
    // The writing buttons' state before a closed month turned them off.
    std::vector<std::pair<QWidget*, bool>> lockedByClose_;
    ui::LiveGrid* grid_ = nullptr;
    QTimer* gateTimer_ = nullptr;
    ui::LiveFollower* follower_ = nullptr;
    // The window lost the activation to something that is no other window of the program;
    // the activation that follows reloads nothing.
    bool skipNextActivation_ = false;
    // Shown anew (after the login): the first load is of today whatever the user chose.
    bool freshShowing_ = true;
    int addedId_ = 0;
};

} // namespace journal
