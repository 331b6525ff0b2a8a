#include "Application.h"

#include "JournalPlaceFile.h"
#include "StyleFile.h"
#include "journal/JournalStatements.h"
#include "timesheet/TimesheetStatements.h"
#include "ui/Messages.h"

#include <QTimer>

namespace app {

Application::Windows::Windows(state::DataModule& dataModule)
    : journalWindow(dataModule), productsList(dataModule, &journalWindow),
      operationsList(dataModule, operationDialog, normsWindow, &journalWindow),
      workersList(dataModule, &journalWindow),
      operationTypesList(dataModule, operationTypeDialog, &journalWindow),
      operationTypeDialog(dataModule, &journalWindow),
      operationDialog(dataModule, productsList, operationTypesList, &journalWindow),
      positionDialog(dataModule, workersList, operationsList, materialDialog, &journalWindow),
      reportsDialog(dataModule, &journalWindow), timesheetWindow(dataModule, &journalWindow),
      normsWindow(dataModule, &journalWindow), materialDialog(dataModule, &journalWindow),
      historyWindow(dataModule, &journalWindow) {}

Application::Application(const QString& server, const QString& database)
    : dataModule(), loginWindow(
                        dataModule, [this]() -> journal::JournalWindow& { return journalWindow(); },
                        server, database) {
    journal::statements::prepareShiftJournals(dataModule);
    timesheet::statements::prepareShiftMonths(dataModule);
    // The login window is on screen sooner without them: building every other window took
    // more time than the login window itself, and the connection as long again.
    QObject::connect(&loginWindow, &LoginWindow::firstPainted, &loginWindow, [this] {
        QTimer::singleShot(0, &loginWindow, [this] {
            loginWindow.openStartupConnectionOnce();
            windows();
        });
    });
}

Application::~Application() = default;

Application::Windows& Application::windows() {
    if (!windows_) {
        windows_ = std::make_unique<Windows>(dataModule);
        wire(*windows_);
    }
    return *windows_;
}

void Application::wire(Windows& w) {
    using journal::JournalWindow;
    using journal::PositionDialog;
    const struct {
        void (JournalWindow::*request)();
        bool (PositionDialog::*opener)();
        JournalWindow::Return back;
    } openers[] = {
        {&JournalWindow::addRequested, &PositionDialog::addNew, JournalWindow::Return::Always},
        {&JournalWindow::changeRequested, &PositionDialog::changeCurrent,
         JournalWindow::Return::Always},
        {&JournalWindow::viewRequested, &PositionDialog::viewCurrent,
         JournalWindow::Return::IfShown}};
    for (const auto& [request, opener, back] : openers)
        QObject::connect(&w.journalWindow, request, &w.positionDialog, [&w, opener, back] {
            w.journalWindow.runGuarded([&w, opener, back] {
                w.journalWindow.runDialog([&w, opener] { return (w.positionDialog.*opener)(); },
                                          back);
            });
        });
    QObject::connect(&w.journalWindow, &journal::JournalWindow::gateTick, &loginWindow,
                     &LoginWindow::runGateFromTimer);
    QObject::connect(
        &w.journalWindow, &journal::JournalWindow::operationTypesRequested, &w.operationTypesList,
        [&w] { w.journalWindow.runGuarded([&w] { w.operationTypesList.showList(); }); });
    QObject::connect(&w.journalWindow, &journal::JournalWindow::pricesRequested, &w.operationsList,
                     [&w] {
                         w.journalWindow.runGuarded([&w] { w.operationsList.showList(); });
                         w.journalWindow.returnFromDialog();
                     });
    QObject::connect(&w.journalWindow, &journal::JournalWindow::timesheetRequested,
                     &w.timesheetWindow, [this, &w] {
                         w.journalWindow.runGuarded([this, &w] {
                             w.timesheetWindow.openFor(dataModule.session.journalDate);
                         });
                         w.journalWindow.returnFromDialog();
                     });
    QObject::connect(
        &w.journalWindow, &journal::JournalWindow::reportsRequested, &w.reportsDialog, [&w] {
            w.journalWindow.runGuarded([&w] { w.reportsDialog.openFrom(w.journalWindow.today()); });
            w.journalWindow.returnFromDialog();
        });
    QObject::connect(&w.journalWindow, &journal::JournalWindow::historyRequested, &w.historyWindow,
                     [&w](int position) {
                         w.journalWindow.runGuarded(
                             [&] { w.historyWindow.showPosition(position); });
                     });
    QObject::connect(
        &w.journalWindow, &journal::JournalWindow::periodHistoryRequested, &w.historyWindow, [&w] {
            const QDate today = w.journalWindow.today();
            w.journalWindow.runGuarded(
                [&] { w.historyWindow.showPeriod(QDate(today.year(), today.month(), 1), today); });
        });
    w.historyWindow.setWorkersPicker(w.workersList);
    QObject::connect(&w.positionDialog, &PositionDialog::positionAdded, &w.journalWindow,
                     &JournalWindow::noteAdded);
    w.journalWindow.setStayOnDate(readStayOnDate(stayOnDateFilePath()));
    QObject::connect(&w.journalWindow, &JournalWindow::stayOnDateChosen,
                     [](bool on) { writeStayOnDate(stayOnDateFilePath(), on); });
    QObject::connect(&w.journalWindow, &journal::JournalWindow::styleChosen,
                     [](const QString& name) {
                         if (applyStyle(name))
                             writeStyleName(styleFilePath(), name);
                     });
}

void Application::start() {
    loginWindow.show();
    loginWindow.activateWindow();
}

void applyStoredStyle() {
    applyStyle(readStyleName(styleFilePath()));
}

} // namespace app
