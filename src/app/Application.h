#pragma once

#include "LoginWindow.h"
#include "data/DataModule.h"
#include "journal/HistoryWindow.h"
#include "journal/JournalWindow.h"
#include "journal/MaterialDialog.h"
#include "journal/PositionDialog.h"
#include "reference/Norms.h"
#include "reference/OperationTypes.h"
#include "reference/Operations.h"
#include "reference/Pickers.h"
#include "reports/ReportsDialog.h"
#include "timesheet/TimesheetWindow.h"

#include <QString>

namespace app {

// The program's windows, each created once and reused. This is the one place where they
// are made, in this order: the shared data module, the journal, the login window, then
// every other window.
class Application {
public:
    Application(const QString& server, const QString& database);

    // Opens the start-up connection (a failure is reported and the login stays possible)
    // and shows the login window.
    void start();

    data::DataModule dataModule;
    journal::JournalWindow journalWindow;
    LoginWindow loginWindow;
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

// Reads the style file and applies the style in it.
void applyStoredStyle();

} // namespace app
