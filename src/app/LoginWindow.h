#pragma once

#include "VersionGate.h"
#include "ui/Form.h"

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace state {
class DataModule;
}
namespace journal {
class JournalWindow;
}

namespace app {

// The login window: the program's main window. It keeps the version gate, connects under
// the user's own name, switches the journal's controls by login and shows the journal.
class LoginWindow : public ui::Form {
    Q_OBJECT
public:
    // server and database: the command-line arguments as given (empty when absent). journal
    // gives the journal window when the login needs it: it is made after the first paint.
    LoginWindow(state::DataModule& dm, std::function<journal::JournalWindow&()> journal,
                const QString& server, const QString& database, QWidget* parent = nullptr);

    // The documented names of the controls, their objectNames.
    struct Names {
        static constexpr const char* server = "Label3";
        static constexpr const char* login = "Edit1";
        static constexpr const char* password = "Edit2";
        static constexpr const char* logIn = "Button1";
        static constexpr const char* cancel = "Button2";
        static constexpr const char* endTimer = "Timer1";
    };

    // Ends the program; tests replace it.
    void setEndProgram(std::function<void()> end) { endProgram_ = std::move(end); }
    void setBuildStamp(std::function<BuildStamp()> stamp);

    // The version gate as the journal's timer runs it: errors are reported, and it runs
    // again at the next tick.
    void runGateFromTimer();

    // Whether the start-up connection could not be opened (the user was told why).
    bool startupConnectionFailed() const { return startupFailed_; }
    void openStartupConnection();
    // Opens it unless that was tried already: after the first paint, or at an activation
    // that comes sooner, since the gate needs it.
    void openStartupConnectionOnce();

    void reject() override;

signals:
    // The window has been painted for the first time: what start-up left for later may run.
    void firstPainted();

protected:
    bool event(QEvent* e) override;

private:
    QString serverToUse() const;
    QString databaseToUse() const;
    void onActivated();
    // Runs the gate; false when it could not run or the program is ending.
    bool runGate();
    // Logs in and shows the journal. A login or password the server refuses is told and the
    // window stays for another try; any other failure throws, and the program then ends.
    void login();
    void end();

    state::DataModule& dm_;
    std::function<journal::JournalWindow&()> journal_;
    QString server_, database_;
    VersionGate gate_;
    std::function<void()> endProgram_;
    bool startupTried_ = false;
    bool startupFailed_ = false;
    bool painted_ = false;
    bool activatedBeforePaint_ = false;
    bool gateFailed_ = false;
    bool gateRan_ = false;
    bool ending_ = false; // a newer build owns the database
    bool ended_ = false;

    QLabel* serverLabel_;
    QLineEdit* loginEdit_;
    QLineEdit* passwordEdit_;
    QPushButton* loginButton_;
    QPushButton* cancelButton_;
    QTimer* endTimer_; // ends the program when a newer build's box is left open
};

} // namespace app
