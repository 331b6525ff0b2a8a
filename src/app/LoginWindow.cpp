#include "LoginWindow.h"

#include "RoleRules.h"
#include "SiteSettings.h"
#include "data/Defaults.h"
#include "data/Error.h"
#include "journal/JournalWindow.h"
#include "state/DataModule.h"
#include "ui/Messages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace app {

namespace {
const QString serviceCode = QStringLiteral("0153");
const QString serviceLogin = QStringLiteral("sys");
const QString servicePassword = QStringLiteral("wuvakem");

// Names what was tried, also when it came from the settings files, and what was wrong with
// those files: the driver's "connection refused" alone does not say where to look.
QString noConnection(const QString& server, const QString& database, const QString& reason = {}) {
    QString text =
        QStringLiteral("Подключение к БД отсутсвует (сервер: %1, БД: %2)").arg(server, database);
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + reason;
    for (const QString& problem : siteSettingsProblems())
        text += QLatin1Char('\n') + problem;
    return text;
}
} // namespace

LoginWindow::LoginWindow(state::DataModule& dm, std::function<journal::JournalWindow&()> journal,
                         const QString& server, const QString& database, QWidget* parent)
    : ui::Form(QStringLiteral("TForm23"), QStringLiteral("Авторизация"), parent), dm_(dm),
      journal_(std::move(journal)), server_(server), database_(database), gate_(dm),
      endProgram_([] { QCoreApplication::exit(0); }) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint |
                   Qt::WindowTitleHint);

    serverLabel_ = new QLabel(this);
    serverLabel_->setObjectName(QLatin1String(Names::server));
    auto* loginLabel = new QLabel(QStringLiteral("Логин"), this);
    loginLabel->setObjectName(QStringLiteral("Label1"));
    loginEdit_ = new QLineEdit(this);
    loginEdit_->setObjectName(QLatin1String(Names::login));
    auto* passwordLabel = new QLabel(QStringLiteral("Пароль"), this);
    passwordLabel->setObjectName(QStringLiteral("Label2"));
    passwordEdit_ = new QLineEdit(this);
    passwordEdit_->setObjectName(QLatin1String(Names::password));
    passwordEdit_->setEchoMode(QLineEdit::Password);
    loginButton_ = addButton(Names::logIn, QStringLiteral("Вход"));
    // The program ends only once the refusal's box is closed: ending first would close the
    // box unseen.
    connect(loginButton_, &QPushButton::clicked, this, [this] {
        if (!runGuarded([this] { login(); })) {
            dm_.connection.close();
            end();
        }
    });
    cancelButton_ = addButton(Names::cancel, QStringLiteral("Отмена"), [this] { end(); });
    setDefaultButton(loginButton_);
    setCancelButton(cancelButton_);
    endTimer_ = new QTimer(this);
    endTimer_->setObjectName(QLatin1String(Names::endTimer));
    endTimer_->setInterval(5500);
    endTimer_->setSingleShot(true);

    auto* fields = new QGridLayout;
    fields->addWidget(loginLabel, 0, 0);
    fields->addWidget(loginEdit_, 0, 1);
    fields->addWidget(passwordLabel, 1, 0);
    fields->addWidget(passwordEdit_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(loginButton_);
    buttons->addWidget(cancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(serverLabel_);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    setClientSize(336, 125);
    setTabOrder(loginEdit_, passwordEdit_);

    connect(endTimer_, &QTimer::timeout, this, [this] { end(); });
}

void LoginWindow::setBuildStamp(std::function<BuildStamp()> stamp) {
    gate_.setStamp(std::move(stamp));
}

// The gate must look at the database the user is about to log into: server and database
// count only together.
QString LoginWindow::serverToUse() const {
    return data::defaults::chosen(server_, database_).server;
}

QString LoginWindow::databaseToUse() const {
    return data::defaults::chosen(server_, database_).database;
}

void LoginWindow::openStartupConnectionOnce() {
    if (!startupTried_)
        openStartupConnection();
}

void LoginWindow::openStartupConnection() {
    startupTried_ = true;
    const std::optional<QString> refused =
        dm_.tryOpen(serverToUse(), databaseToUse(), data::defaults::startupUser(),
                    data::defaults::startupPassword());
    if (refused && !startupFailed_)
        ui::Messages::error(noConnection(serverToUse(), databaseToUse(), *refused), this);
    startupFailed_ = refused.has_value();
}

bool LoginWindow::event(QEvent* e) {
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate) {
        // The platform activates a window as it shows it: the gate's statements wait until
        // the user sees the window.
        if (isVisible() && !painted_)
            activatedBeforePaint_ = true;
        else
            onActivated();
    }
    if (e->type() == QEvent::Paint && !painted_) {
        painted_ = true;
        // '*' for each character typed. A style sheet costs a millisecond of start-up, and the
        // field is empty until the window is there.
        passwordEdit_->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
        emit firstPainted();
        if (activatedBeforePaint_)
            QTimer::singleShot(0, this, [this] { onActivated(); });
    }
    return handled;
}

void LoginWindow::onActivated() {
    if (ending_)
        return;
    // A gate error was just shown; closing its box activates this window again, so the
    // gate waits for the timer instead of asking the same question in a loop.
    if (!gateFailed_) {
        if (!startupTried_ || startupFailed_)
            openStartupConnection();
        if (!startupFailed_)
            runGate();
    }
    serverLabel_->setText(QStringLiteral("Сервер: %1, БД: %2").arg(serverToUse(), databaseToUse()));
    setWindowTitle(QStringLiteral("Авторизация (build: %1.%2)")
                       .arg(gate_.stamp().date)
                       .arg(gate_.stamp().time));
}

void LoginWindow::runGateFromTimer() {
    if (ending_ || !dm_.connection.isOpen())
        return;
    gateFailed_ = false;
    runGate();
}

bool LoginWindow::runGate() {
    VersionGate::Outcome outcome = VersionGate::Outcome::Current;
    gateFailed_ = !runGuarded([&] { outcome = gate_.run(); });
    if (gateFailed_)
        return false;
    gateRan_ = true;
    dm_.session.buildDate = gate_.stamp().date;
    dm_.session.buildTime = gate_.stamp().time;
    if (outcome != VersionGate::Outcome::Newer && outcome != VersionGate::Outcome::OtherSchema)
        return true;
    ending_ = true;
    endTimer_->start();
    ui::Messages::error(gate_.refusal(), this);
    end();
    return false;
}

void LoginWindow::login() {
    startupTried_ = true; // the user's own connection takes its place
    state::Session& session = dm_.session;
    session.selectedShift = 1;
    session.loginName = trimLogin(loginEdit_->text());
    session.loginPassword = trimLogin(passwordEdit_->text());
    if (session.loginPassword == serviceCode) {
        session.loginName = serviceLogin;
        session.loginPassword = servicePassword;
    }
    dm_.connection.close();
    try {
        dm_.connection.open(serverToUse(), databaseToUse(), session.loginName,
                            session.loginPassword);
    } catch (const data::DbError& e) {
        // The server answered and refused the login or its password: another try may do.
        if (e.sqlState() == QLatin1String("28P01") || e.sqlState() == QLatin1String("28000")) {
            ui::Messages::error(QStringLiteral("Неверный логин или пароль"), this);
            passwordEdit_->clear();
            passwordEdit_->setFocus();
            return;
        }
        throw data::Error(noConnection(serverToUse(), databaseToUse()));
    } catch (const data::Error&) {
        throw data::Error(noConnection(serverToUse(), databaseToUse()));
    }
    startupFailed_ = false;
    // Before the gate: a login in no group may not even read the build stamp.
    const Group group = groupOfConnectedLogin(dm_.connection);
    if (group == Group::None) {
        dm_.connection.close();
        throw data::Error(noGroupMessage(session.loginName));
    }
    // Without a start-up connection the gate has not run yet: it runs before the journal.
    if (!gateRan_ && !runGate() && ending_)
        return;

    const Rights rights = rightsOf(session.loginName, group);
    journal::JournalWindow& journal = journal_();
    applyRights(journal, rights);
    session.acceptOnDoubleClick = rights.acceptOnDoubleClick;
    for (int shift = 1; shift <= 4; ++shift)
        dm_.journal(shift).setParam(QStringLiteral("ok"), QStringLiteral("ta"));
    hide();
    if (session.loginName != QLatin1String("econom"))
        journal.setWindowTitle(QStringLiteral("Табель (Сервер: %1, БД: %2, пользователь: %3)")
                                   .arg(serverToUse(), databaseToUse(), session.loginName));
    journal.exec();
    end();
}

void LoginWindow::reject() {
    end();
}

void LoginWindow::end() {
    if (ended_)
        return;
    ended_ = true;
    hide();
    endProgram_();
}

} // namespace app
