#include "Application.h"

#include "StyleFile.h"
#include "journal/JournalStatements.h"
#include "timesheet/TimesheetStatements.h"
#include "ui/Messages.h"

namespace app {

Application::Application(const QString& server, const QString& database)
    : dataModule(), journalWindow(dataModule),
      loginWindow(dataModule, journalWindow, server, database),
      productsList(dataModule, &journalWindow),
      operationsList(dataModule, operationDialog, normsWindow, &journalWindow),
      workersList(dataModule, &journalWindow),
      operationTypesList(dataModule, operationTypeDialog, &journalWindow),
      operationTypeDialog(dataModule, &journalWindow),
      operationDialog(dataModule, productsList, operationTypesList, &journalWindow),
      positionDialog(dataModule, workersList, operationsList, materialDialog, &journalWindow),
      reportsDialog(dataModule, &journalWindow), timesheetWindow(dataModule, &journalWindow),
      normsWindow(dataModule, &journalWindow), materialDialog(dataModule, &journalWindow),
      historyWindow(dataModule, &journalWindow) {
    journal::statements::prepareShiftJournals(dataModule);
    timesheet::statements::prepareShiftMonths(dataModule);
    using journal::JournalWindow;
    using journal::PositionDialog;
    const struct {
        void (JournalWindow::*request)();
        bool (PositionDialog::*opener)();
        JournalWindow::Return back;
    } openers[] = {
        {&JournalWindow::addRequested, &PositionDialog::addNew, JournalWindow::Return::Reloaded},
        {&JournalWindow::changeRequested, &PositionDialog::changeCurrent,
         JournalWindow::Return::ReloadedOnRow},
        {&JournalWindow::viewRequested, &PositionDialog::viewCurrent,
         JournalWindow::Return::OnRow}};
    for (const auto& [request, opener, back] : openers)
        QObject::connect(&journalWindow, request, &positionDialog, [this, opener, back] {
            journalWindow.runGuarded([this, opener, back] {
                journalWindow.runDialog([this, opener] { return (positionDialog.*opener)(); },
                                        back);
            });
        });
    QObject::connect(&journalWindow, &journal::JournalWindow::gateTick, &loginWindow,
                     &LoginWindow::runGateFromTimer);
    QObject::connect(
        &journalWindow, &journal::JournalWindow::operationTypesRequested, &operationTypesList,
        [this] { journalWindow.runGuarded([this] { operationTypesList.showList(); }); });
    QObject::connect(&journalWindow, &journal::JournalWindow::pricesRequested, &operationsList,
                     [this] {
                         journalWindow.runGuarded([this] { operationsList.showList(); });
                         journalWindow.returnFromDialog();
                     });
    QObject::connect(&journalWindow, &journal::JournalWindow::timesheetRequested, &timesheetWindow,
                     [this] {
                         journalWindow.runGuarded(
                             [this] { timesheetWindow.openFor(dataModule.session.journalDate); });
                         journalWindow.returnFromDialog();
                     });
    QObject::connect(
        &journalWindow, &journal::JournalWindow::reportsRequested, &reportsDialog, [this] {
            journalWindow.runGuarded([this] { reportsDialog.openFrom(journalWindow.today()); });
            journalWindow.returnFromDialog();
        });
    QObject::connect(&journalWindow, &journal::JournalWindow::historyRequested, &historyWindow,
                     [this](int position) {
                         journalWindow.runGuarded([&] { historyWindow.showPosition(position); });
                     });
    QObject::connect(&journalWindow, &journal::JournalWindow::periodHistoryRequested,
                     &historyWindow, [this] {
                         const QDate today = journalWindow.today();
                         journalWindow.runGuarded([&] {
                             historyWindow.showPeriod(QDate(today.year(), today.month(), 1), today);
                         });
                     });
    QObject::connect(&journalWindow, &journal::JournalWindow::styleChosen, [](const QString& name) {
        if (applyStyle(name))
            writeStyleName(styleFilePath(), name);
    });
}

void Application::start() {
    loginWindow.openStartupConnection();
    loginWindow.show();
    loginWindow.activateWindow();
}

void applyStoredStyle() {
    applyStyle(readStyleName(styleFilePath()));
}

} // namespace app
