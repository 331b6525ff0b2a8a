#pragma once

#include "LoginWindow.h"
#include "journal/HistoryWindow.h"
#include "journal/JournalWindow.h"
#include "journal/MaterialDialog.h"
#include "journal/PositionDialog.h"
#include "reference/Norms.h"
#include "reference/OperationTypes.h"
#include "reference/Operations.h"
#include "reference/Pickers.h"
#include "reports/ReportsDialog.h"
#include "state/DataModule.h"
#include "timesheet/TimesheetWindow.h"

#include <QString>
#include <memory>

namespace app {

// The program's windows, each created once and reused. This is the one place where they
// are made: the shared data module and the login window at once, every other window (the
// journal first) after the login window's first paint, or sooner when the login needs them.
class Application {
public:
    Application(const QString& server, const QString& database);
    ~Application();

    // Shows the login window; the start-up connection (a failure is reported and the login
    // stays possible) and the other windows follow its first paint.
    void start();

    struct Windows {
        explicit Windows(state::DataModule& dataModule);
        journal::JournalWindow journalWindow;
        reference::ProductsList productsList;               // TForm3
        reference::OperationsList operationsList;           // TForm4
        reference::WorkersList workersList;                 // TForm5
        reference::OperationTypesList operationTypesList;   // TForm8
        reference::OperationTypeDialog operationTypeDialog; // TForm9
        reference::OperationDialog operationDialog;         // TForm10
        journal::PositionDialog positionDialog;             // TForm11
        reports::ReportsDialog reportsDialog;               // TForm18
        timesheet::TimesheetWindow timesheetWindow;         // TForm19
        reference::NormsWindow normsWindow;                 // TForm22
        journal::MaterialDialog materialDialog;             // TForm24
        journal::HistoryWindow historyWindow;
    };
    // Made and wired on the first call.
    Windows& windows();
    journal::JournalWindow& journalWindow() { return windows().journalWindow; }

    state::DataModule dataModule;
    LoginWindow loginWindow;

private:
    void wire(Windows& w);
    std::unique_ptr<Windows> windows_;
};

// Reads the style file and applies the style in it.
void applyStoredStyle();

} // namespace app
