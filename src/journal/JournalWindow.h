#pragma once

#include "data/Command.h"
#include "data/ResultSet.h"

#include <QDate>
#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QTableView;
class QTimer;

namespace data {
class DataModule;
} // namespace data

namespace ui {
class ResultSetModel;
}

namespace journal {

// The journal of one date and shift (TForm1). Shown modally by the login; closing it ends
// the program. Holds the state the other journal windows read.
class JournalWindow : public QDialog {
    Q_OBJECT
public:
    explicit JournalWindow(data::DataModule& dm, QWidget* parent = nullptr);
    ~JournalWindow() override;

    // Shift shown: 1..3, 4 is overtime.
    int selectedShift = 1;
    // Login state, set by the login.
    QString loginName;
    QString loginPassword;
    int buildDate = 0;
    int buildTime = 0;

    // The journal query of the selected shift (shift 1 for any value out of range).
    data::ResultSet& currentJournalQuery();
    QDate journalDate() const;
    bool dayOff() const;

    // Where "today" comes from; tests put it on a chosen weekday.
    void setToday(std::function<QDate()> today);

    data::DataModule& dataModule() const { return dm_; }
    QTableView* grid() const { return grid_; }

signals:
    void styleChosen(const QString& name);
    void gateTick();
    void operationTypesRequested();
    void pricesRequested();
    void timesheetRequested();
    void reportsRequested();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenu(QMenuBar* menu);
    void onActivated();
    void loadPickedDate();
    bool loadJournal(const QDate& date);
    void refresh();
    void showShift(int shift);
    void followCurrentRow();
    void markDayOff(bool on);
    // Acceptance and deletion of positions.
    void acceptSelected();
    void acceptAll();
    void acceptOne(data::ResultSet& query);
    void deleteCurrent();
    void sortByTitle(int column);
    void applyColumnLayout();

    data::DataModule& dm_;
    std::function<QDate()> today_;
    data::ResultSet smena_gds_use_cnt;
    data::Command smena_accept_row;
    std::array<ui::ResultSetModel*, 4> models_{};
    std::array<QRadioButton*, 4> shiftChoices_{};
    QDateEdit* dateT_ = nullptr;
    QCheckBox* cBox1_ = nullptr;
    QComboBox* styles_ = nullptr;
    QTableView* grid_ = nullptr;
    QTimer* timer1_ = nullptr;
    bool loading_ = false;
    bool centred_ = false;
    // The window lost the activation to something that is no other window of the program;
    // the activation that follows reloads nothing.
    bool skipNextActivation_ = false;
};

} // namespace journal
