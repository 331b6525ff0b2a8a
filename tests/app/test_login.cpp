// The login window: who gets which controls, the caption, the service code, a failed
// connection, and the version gate while the login waits or the journal is open.
#include "Application.h"
#include "ModalDriver.h"
#include "PreparedModule.h"
#include "RoleRules.h"
#include "SchemaVersion.h"
#include "SiteSettings.h"
#include "StyleFile.h"
#include "TestDatabase.h"
#include "data/Defaults.h"
#include "reference/ReferenceList.h"
#include "ui/Messages.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <map>

namespace {

using JournalNames = journal::JournalWindow::Names;
using LoginNames = app::LoginWindow::Names;

const app::BuildStamp running{20261210, 3600};

class LoginTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Logins that differ from the rule names only in letter case.
        testdb::exec(R"(do $$ begin
            if not exists (select from pg_roles where rolname = 'Sys') then
                create role "Sys" login password 'Sys' in role tabel_user; end if;
            if not exists (select from pg_roles where rolname = 'ECONOM') then
                create role "ECONOM" login password 'ECONOM' in role tabel_user; end if;
            end $$)");
    }
    void SetUp() override {
        testdb::exec(
            "delete from accounts_dep.ver; insert into accounts_dep.ver values (20261210, 3600)");
    }

    std::unique_ptr<app::Application> makeApp(const QString& server, const QString& database) {
        auto a = std::make_unique<app::Application>(server, database);
        a->loginWindow.setBuildStamp([] { return running; });
        a->loginWindow.setEndProgram([this] { ++ended; });
        return a;
    }
    std::unique_ptr<app::Application> makeApp() {
        return makeApp(testdb::socketFolder(), testdb::databaseName());
    }
    // Starts the program and lets the login window be painted and what follows its first
    // paint run, as before anybody can type.
    static void startShown(app::Application& a) {
        bool painted = false;
        QObject::connect(&a.loginWindow, &app::LoginWindow::firstPainted, [&] { painted = true; });
        a.start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return painted; }));
        QCoreApplication::processEvents();
    }
    static void activate(QWidget& w) {
        QEvent e(QEvent::WindowActivate);
        QApplication::sendEvent(&w, &e);
    }
    // Types the login and password, clicks "Вход" and runs inspect on the journal while it
    // is shown; then closes it.
    void logIn(app::Application& a, const QString& login, const QString& password,
               std::function<void(journal::JournalWindow&)> inspect = {}) {
        a.loginWindow.findChild<QLineEdit*>(LoginNames::login)->setText(login);
        a.loginWindow.findChild<QLineEdit*>(LoginNames::password)->setText(password);
        bool shown = false;
        whenModalOpens([&](QWidget* modal) {
            shown = modal == &a.journalWindow();
            if (shown && inspect)
                inspect(a.journalWindow());
            modal->close();
        });
        QTest::mouseClick(a.loginWindow.findChild<QPushButton*>(LoginNames::logIn), Qt::LeftButton);
        journalShown = shown;
    }
    static bool enabled(QWidget& w, const char* name) {
        if (auto* c = w.findChild<QWidget*>(name))
            return c->isEnabled();
        auto* a = w.findChild<QAction*>(name);
        EXPECT_NE(a, nullptr) << name;
        return a && a->isEnabled();
    }

    ui::MessageRecorder messages;
    int ended = 0;
    bool journalShown = false;
};

TEST_F(LoginTest, RoleRulesSwitchTheJournalsControlsByExactLogin) {
    struct Case {
        const char* login;
        bool edit, accept, menus, reports, journal;
    };
    const Case cases[] = {
        {"operator1", false, true, false, false, true},
        {"operator2", false, true, false, false, true},
        {"operator3", false, true, false, false, true},
        {"operator4", true, true, true, true, true},
        {"sys", true, true, true, true, true},
        {"master", true, false, true, true, true},
        {"Sys", true, false, true, true, true},
        {"ECONOM", true, false, true, true, true},
        {"econom", false, false, false, true, false},
        {"Operator1", true, false, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.login);
        testdb::PreparedModule dm;
        journal::JournalWindow w(dm);
        app::applyRights(w, app::rightsOf(c.login, app::Group::User));
        for (const char* name : {JournalNames::add, JournalNames::change, JournalNames::remove})
            EXPECT_EQ(enabled(w, name), c.edit) << name;
        EXPECT_EQ(enabled(w, JournalNames::accept), c.accept);
        EXPECT_EQ(enabled(w, JournalNames::acceptAll), c.accept) << "the same rule as Принять";
        EXPECT_EQ(enabled(w, JournalNames::referencesMenu), c.menus);
        EXPECT_EQ(enabled(w, JournalNames::timesheetItem), c.menus);
        EXPECT_EQ(enabled(w, JournalNames::reportsMenu), c.reports);
        for (const char* name :
             {JournalNames::grid, JournalNames::date, JournalNames::shift1, JournalNames::overtime,
              JournalNames::dayOff, JournalNames::refresh})
            EXPECT_EQ(enabled(w, name), c.journal) << name;
        EXPECT_TRUE(enabled(w, JournalNames::exit));
    }
    EXPECT_EQ(app::trimLogin(QString::fromUtf8(" \t master\n ")), "master");
    EXPECT_EQ(app::trimLogin(QString::fromUtf8("\u00a0master")), QString::fromUtf8("\u00a0master"));
}

// The journal's controls a login gets, as the names of those enabled.
QStringList enabledControls(journal::JournalWindow& j) {
    QStringList on;
    for (const char* name :
         {JournalNames::add, JournalNames::change, JournalNames::remove, JournalNames::exit,
          JournalNames::accept, JournalNames::acceptAll, JournalNames::refresh,
          JournalNames::referencesMenu, JournalNames::reportsMenu, JournalNames::timesheetItem,
          JournalNames::shift1, JournalNames::shift2, JournalNames::shift3, JournalNames::overtime,
          JournalNames::dayOff, JournalNames::grid, JournalNames::date}) {
        QWidget* w = j.findChild<QWidget*>(name);
        QAction* a = j.findChild<QAction*>(name);
        EXPECT_TRUE(w || a) << name;
        if ((w && w->isEnabled()) || (a && a->isEnabled()))
            on << name;
    }
    return on;
}

// A plant's own logins, put into the groups as the README tells: directly, through a role
// of the plant's own, into two groups, or into none. Roles belong to the whole cluster, so
// their names are this program's own.
void createPlantLogins() {
    testdb::exec(R"(do $$
        declare r record;
        begin
            for r in select * from (values
                ('plant_login_shift', 'nologin', 'tabel_operator'),
                ('plant_login_user', 'login', 'tabel_user'),
                ('plant_login_operator', 'login', 'tabel_operator'),
                ('plant_login_reader', 'login', 'tabel_reader'),
                ('plant_login_nested', 'login', 'plant_login_shift'),
                ('plant_login_both', 'login', 'tabel_reader, tabel_user'),
                ('plant_login_nobody', 'login', null)) v(name, kind, groups)
            loop
                if not exists (select from pg_roles where rolname = r.name) then
                    execute format('create role %I %s password %L', r.name, r.kind, r.name);
                    if r.groups is not null then
                        execute format('grant %s to %I', r.groups, r.name);
                    end if;
                end if;
            end loop;
        end $$)");
}

TEST_F(LoginTest, APlantsLoginGetsTheControlsOfItsGroupsDemoLogin) {
    createPlantLogins();
    const auto controlsOf = [&](const QString& login, const QString& password) {
        QStringList controls;
        auto a = makeApp();
        startShown(*a);
        logIn(*a, login, password, [&](journal::JournalWindow& j) {
            controls = enabledControls(j);
            if (a->dataModule.session.acceptOnDoubleClick)
                controls << "a double-click accepts";
        });
        EXPECT_TRUE(journalShown) << login.toStdString();
        return controls;
    };
    struct Case {
        QString login, password, demo;
    };
    const Case cases[] = {
        {"plant_login_user", "plant_login_user", "master"},
        {"plant_login_operator", "plant_login_operator", "operator1"},
        {"plant_login_reader", "plant_login_reader", "econom"},
        {"plant_login_nested", "plant_login_nested", "operator1"},
        {"plant_login_both", "plant_login_both", "master"}, // the stronger group counts
        {"postgres", testdb::adminPassword(), "master"},    // a superuser is in every group
    };
    std::map<QString, QStringList> demo;
    for (const char* login : {"master", "operator1", "econom"})
        demo[login] = controlsOf(login, login);
    // The groups' demo logins differ, so each comparison below can fail.
    EXPECT_NE(demo["master"], demo["operator1"]);
    EXPECT_NE(demo["master"], demo["econom"]);
    EXPECT_NE(demo["operator1"], demo["econom"]);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.login.toStdString());
        EXPECT_EQ(controlsOf(c.login, c.password), demo[c.demo]);
    }
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join("; ").toStdString();
}

TEST_F(LoginTest, ALoginInNoGroupIsToldSoAndNotLetIn) {
    createPlantLogins();
    auto a = makeApp();
    startShown(*a);
    a->loginWindow.findChild<QLineEdit*>(LoginNames::login)->setText(" plant_login_nobody ");
    a->loginWindow.findChild<QLineEdit*>(LoginNames::password)->setText("plant_login_nobody");
    // Not whenModalOpens: its action would wait for a journal that must not open.
    bool shown = false;
    QTimer::singleShot(0, &a->journalWindow(), [&] {
        shown = true;
        a->journalWindow().close();
    });
    QTest::mouseClick(a->loginWindow.findChild<QPushButton*>(LoginNames::logIn), Qt::LeftButton);
    EXPECT_FALSE(shown);
    EXPECT_EQ(messages.texts(),
              QStringList{QString::fromUtf8(
                  "Логин «plant_login_nobody» не входит ни в одну группу программы (tabel_user, "
                  "tabel_operator, tabel_reader): обратитесь к администратору БД.")});
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(a->dataModule.connection.isOpen());
}

TEST_F(LoginTest, TheServiceCodeTypedWithSpacesLogsInAsSys) {
    auto a = makeApp();
    startShown(*a);
    a->dataModule.session.selectedShift = 3;
    logIn(*a, "anybody", " 0153 ", [&](journal::JournalWindow& j) {
        EXPECT_EQ(a->dataModule.session.loginName, "sys");
        EXPECT_EQ(a->dataModule.session.loginPassword, "wuvakem");
        EXPECT_EQ(a->dataModule.session.selectedShift, 1);
        EXPECT_EQ(j.windowTitle(),
                  QString::fromUtf8("Табель (Сервер: %1, БД: %2, пользователь: sys)")
                      .arg(testdb::socketFolder(), testdb::databaseName()));
        EXPECT_TRUE(enabled(j, JournalNames::accept));
        EXPECT_FALSE(a->loginWindow.isVisible());
        for (int shift = 1; shift <= 4; ++shift)
            EXPECT_EQ(a->dataModule.journal(shift).param("ok").toString(), "ta");
        EXPECT_EQ(a->dataModule.connection.user(), "sys");
    });
    EXPECT_TRUE(journalShown);
    EXPECT_EQ(ended, 1) << "closing the journal ends the program";
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join("; ").toStdString();
}

TEST_F(LoginTest, TheMenuOpensTheOperationTypesListOverTheJournal) {
    auto a = makeApp();
    startShown(*a);
    QString opened;
    bool searchBox = true;
    logIn(*a, "master", "master", [&](journal::JournalWindow& j) {
        whenModalOpens([&](QWidget* modal) {
            opened = modal->objectName();
            searchBox =
                modal->findChild<QWidget*>(reference::ReferenceList::Names::search)->isVisible();
            modal->close();
        });
        j.findChild<QAction*>(JournalNames::operationTypesItem)->trigger();
    });
    EXPECT_EQ(opened, "TForm8");
    EXPECT_FALSE(searchBox);
    EXPECT_FALSE(a->dataModule.operationTypes.isOpen()) << "closed with the list";
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join("; ").toStdString();
}

// The menu items wired in the application open their windows over the journal.
TEST_F(LoginTest, TheMenuOpensTheTimesheetAndTheReportsOverTheJournal) {
    struct Case {
        const char* action;
        const char* window;
    };
    const Case cases[] = {{JournalNames::timesheetItem, "TForm19"},
                          {JournalNames::summaryReportsItem, "TForm18"},
                          {JournalNames::pricesItem, "TForm4"}};
    auto a = makeApp();
    startShown(*a);
    logIn(*a, "master", "master", [&](journal::JournalWindow& j) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.action);
            QString opened;
            QWidget* over = nullptr;
            whenModalOpens([&](QWidget* modal) {
                opened = modal->objectName();
                over = modal->parentWidget();
                modal->close();
            });
            j.findChild<QAction*>(c.action)->trigger();
            EXPECT_EQ(opened, c.window);
            EXPECT_EQ(over, &j);
        }
    });
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join("; ").toStdString();
}

TEST_F(LoginTest, TheEconomistSeesAPlainCaptionAndALockedJournal) {
    auto a = makeApp();
    startShown(*a);
    logIn(*a, " econom ", "econom", [&](journal::JournalWindow& j) {
        EXPECT_EQ(j.windowTitle(), QString::fromUtf8("Табель"));
        EXPECT_FALSE(enabled(j, JournalNames::grid));
        EXPECT_FALSE(enabled(j, JournalNames::date));
        EXPECT_FALSE(enabled(j, JournalNames::acceptAll)) << "the economist accepts nothing";
        EXPECT_TRUE(enabled(j, JournalNames::reportsMenu));
    });
    EXPECT_TRUE(journalShown);
}

TEST_F(LoginTest, AFailedConnectionNamesWhatWasTriedAndEndsTheProgram) {
    struct Case {
        QString server, database, login, password, shownServer, shownDatabase;
    };
    const QString noServer = testdb::socketFolder() + "/no-server-here";
    const QList<Case> cases = {
        {noServer, testdb::databaseName(), "master", "master", noServer, testdb::databaseName()},
        // Only the server given: the defaults are taken, and the message names them.
        {testdb::socketFolder(), "", "master", "master", data::defaults::chosen({}, {}).server,
         data::defaults::chosen({}, {}).database},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.login.toStdString() + "/" + c.database.toStdString());
        messages.clear();
        ended = 0;
        auto a = makeApp(c.server, c.database);
        a->loginWindow.findChild<QLineEdit*>(LoginNames::login)->setText(c.login);
        a->loginWindow.findChild<QLineEdit*>(LoginNames::password)->setText(c.password);
        QTest::mouseClick(a->loginWindow.findChild<QPushButton*>(LoginNames::logIn),
                          Qt::LeftButton);
        const QString expected =
            QString::fromUtf8("Подключение к БД отсутсвует (сервер: %1, БД: %2)")
                .arg(c.shownServer, c.shownDatabase);
        ASSERT_FALSE(messages.messages.empty());
        EXPECT_EQ(messages.messages.back().text, expected);
        EXPECT_EQ(ended, 1);
    }
}

// The server's own word that the login or its password is wrong keeps the window for another
// try, with the password to type again; it never echoes what was typed.
TEST_F(LoginTest, AWrongLoginOrPasswordIsToldAndTheWindowStaysForAnotherTry) {
    const std::pair<QString, QString> wrong[] = {{"master", "wrong"}, {"nobody", "nobody"}};
    auto a = makeApp();
    startShown(*a);
    auto* login = a->loginWindow.findChild<QLineEdit*>(LoginNames::login);
    auto* password = a->loginWindow.findChild<QLineEdit*>(LoginNames::password);
    for (const auto& [name, typed] : wrong) {
        SCOPED_TRACE(name.toStdString());
        messages.clear();
        login->setText(name);
        password->setText(typed);
        QTest::mouseClick(a->loginWindow.findChild<QPushButton*>(LoginNames::logIn),
                          Qt::LeftButton);
        EXPECT_EQ(messages.texts(), QStringList{QString::fromUtf8("Неверный логин или пароль")});
        EXPECT_EQ(ended, 0);
        EXPECT_TRUE(a->loginWindow.isVisible());
        EXPECT_EQ(password->text(), "") << "typed again";
    }
    messages.clear();
    logIn(*a, "master", "master");
    EXPECT_TRUE(journalShown) << messages.texts().join("; ").toStdString();
}

// Server and database from the plant's settings file: the box names them, and what was wrong
// with the files, beside the driver's reason.
TEST_F(LoginTest, AFailedStartUpConnectionNamesTheSettingsAndTheirProblems) {
    QTemporaryDir dir;
    const QString system = dir.filePath("tabel.conf");
    QFile file(system);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("server=" + QFile::encodeName(dir.filePath("no-server")) +
               "\ndatabase=plant_db\nstartup_user\n");
    file.close();
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("TABEL_SYSTEM_CONF", QFile::encodeName(system));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("home")));
    app::applySiteSettings();
    qunsetenv("TABEL_SYSTEM_CONF");
    qputenv("XDG_DATA_HOME", dataHome);

    auto a = makeApp({}, {});
    startShown(*a);
    ASSERT_EQ(messages.messages.size(), 1u);
    const QStringList lines = messages.messages[0].text.split('\n');
    EXPECT_EQ(lines.first(),
              QString::fromUtf8("Подключение к БД отсутсвует (сервер: %1, БД: plant_db)")
                  .arg(dir.filePath("no-server")));
    EXPECT_EQ(lines.last(), QString::fromUtf8("%1, строка 3: ожидается «параметр=значение», "
                                              "строка пропущена")
                                .arg(system));
    EXPECT_GT(lines.size(), 2) << "the driver's reason between them";
    EXPECT_EQ(a->loginWindow.findChild<QLabel*>(LoginNames::server)->text(),
              QString::fromUtf8("Сервер: %1, БД: plant_db").arg(dir.filePath("no-server")));
}

TEST_F(LoginTest, ActivationRunsTheGateAndShowsServerAndBuild) {
    testdb::exec("update accounts_dep.ver set d = 20200101, t = 0");
    auto a = makeApp();
    startShown(*a);
    activate(a->loginWindow);
    EXPECT_EQ(a->loginWindow.findChild<QLabel*>(LoginNames::server)->text(),
              QString::fromUtf8("Сервер: %1, БД: %2")
                  .arg(testdb::socketFolder(), testdb::databaseName()));
    EXPECT_EQ(a->loginWindow.windowTitle(),
              QString::fromUtf8("Авторизация (build: 20261210.3600)"));
    EXPECT_EQ(testdb::exec("select d || '.' || t from accounts_dep.ver").toString(),
              "20261210.3600");
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(ended, 0);
}

TEST_F(LoginTest, ANewerBuildInTheDatabaseEndsTheProgramAlsoWithTheJournalOpen) {
    const QString versionMessage =
        QString::fromUtf8("Версия программы не соответсвует БД! Запустите программу через 5 мин.");
    {
        testdb::exec("update accounts_dep.ver set t = 3601"); // one second newer
        auto a = makeApp();
        startShown(*a);
        activate(a->loginWindow);
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages[0].text, versionMessage);
        EXPECT_EQ(messages.messages[0].icon, ui::Messages::Icon::Error);
        EXPECT_TRUE(a->loginWindow.findChild<QTimer*>(LoginNames::endTimer)->isActive())
            << "the program also ends by itself if the message is left open";
        EXPECT_EQ(ended, 1);
    }
    messages.clear();
    ended = 0;
    testdb::exec("update accounts_dep.ver set t = 3600");
    auto a = makeApp();
    startShown(*a);
    logIn(*a, "master", "master", [&](journal::JournalWindow& j) {
        testdb::exec("update accounts_dep.ver set d = 20261211");
        emit j.gateTick(); // the journal's 30-second timer
        EXPECT_EQ(messages.texts(), QStringList{versionMessage});
        EXPECT_EQ(ended, 1);
    });
}

// A database whose journal schema is older than this build's, also one made before the schema
// had a version, is named with the command that upgrades it; a newer one asks for the new
// program. Either ends the program before a statement meets an object that is not there.
TEST_F(LoginTest, ADatabaseOfAnotherSchemaVersionEndsTheProgramSayingWhatToDo) {
    const int own = app::schemaVersionOfThisBuild();
    const QString upgrade = QString("tabel-db upgrade --server %1 --db %2")
                                .arg(testdb::socketFolder(), testdb::databaseName());
    struct Case {
        const char* change;
        const char* undo;
        QString said;
    };
    const Case cases[] = {
        {"alter table accounts_dep.schema_version rename to schema_version_moved",
         "alter table accounts_dep.schema_version_moved rename to schema_version",
         QString("(версия схемы журнала 0, нужна %1)").arg(own)},
        {"delete from accounts_dep.schema_version",
         "insert into accounts_dep.schema_version (version) select max(version) from "
         "accounts_dep.schema_version_saved",
         QString("(версия схемы журнала 0, нужна %1)").arg(own)},
        {"update accounts_dep.schema_version set version = version + 1",
         "update accounts_dep.schema_version set version = version - 1",
         QString("(версия схемы журнала %1, эта программа знает %2).\nУстановите на этом "
                 "рабочем месте новую версию программы.")
             .arg(own + 1)
             .arg(own)},
    };
    testdb::exec("create table accounts_dep.schema_version_saved as select * from "
                 "accounts_dep.schema_version");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        messages.clear();
        ended = 0;
        testdb::exec(c.change);
        {
            auto a = makeApp();
            startShown(*a);
            activate(a->loginWindow);
            ASSERT_EQ(messages.messages.size(), 1u);
            const QString text = messages.messages[0].text;
            EXPECT_TRUE(text.contains(c.said)) << text.toStdString();
            EXPECT_EQ(text.contains(upgrade), QString(c.said).contains("нужна"))
                << text.toStdString();
            EXPECT_FALSE(text.contains("accounts_dep")) << text.toStdString();
            EXPECT_EQ(ended, 1);
        }
        testdb::exec(c.undo);
    }
    testdb::exec("drop table accounts_dep.schema_version_saved");
}

TEST_F(LoginTest, AGateErrorIsShownOnceAndTheGateRunsAgainAtTheNextTick) {
    auto a = makeApp();
    startShown(*a);
    testdb::exec("alter table accounts_dep.ver rename to ver_moved");
    activate(a->loginWindow);
    activate(a->loginWindow); // closing the error box activates the window again
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].text.contains("ver"))
        << messages.messages[0].text.toStdString();
    a->loginWindow.runGateFromTimer();
    EXPECT_EQ(messages.messages.size(), 2u);
    testdb::exec("alter table accounts_dep.ver_moved rename to ver");
    a->loginWindow.runGateFromTimer();
    EXPECT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(ended, 0);
}

// The login window is painted before the start-up connection is opened and the other windows
// are made; an activation that comes first opens the connection itself, since the gate needs it.
TEST_F(LoginTest, TheLoginWindowIsPaintedBeforeTheConnectionAndTheOtherWindows) {
    const auto journals = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            n += w->objectName() == "TForm1";
        return n;
    };
    const int before = journals();
    auto a = makeApp();
    bool openAtPaint = true;
    int journalsAtPaint = -1;
    QObject::connect(&a->loginWindow, &app::LoginWindow::firstPainted, [&] {
        openAtPaint = a->dataModule.connection.isOpen();
        journalsAtPaint = journals();
    });
    a->start();
    activate(a->loginWindow); // as the platform does on showing it
    EXPECT_FALSE(a->dataModule.connection.isOpen());
    EXPECT_EQ(a->loginWindow.windowTitle(), QString::fromUtf8("Авторизация"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return journals() == before + 1; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(openAtPaint);
    EXPECT_EQ(journalsAtPaint, before);
    EXPECT_TRUE(a->dataModule.connection.isOpen());
    EXPECT_EQ(a->dataModule.connection.user(), data::defaults::startupUser());
    EXPECT_EQ(a->loginWindow.windowTitle(),
              QString::fromUtf8("Авторизация (build: 20261210.3600)"));
    EXPECT_TRUE(messages.messages.empty()) << messages.texts().join("; ").toStdString();
}

TEST_F(LoginTest, WithoutAStartUpConnectionTheUserLearnsWhyAndCanLogInLater) {
    const QString later = testdb::databaseName() + "_later";
    testdb::exec(QString("drop database if exists \"%1\"").arg(later));
    auto a = makeApp(testdb::socketFolder(), later);
    startShown(*a);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(messages.messages[0].text.contains(later));
    EXPECT_TRUE(a->loginWindow.startupConnectionFailed());
    activate(a->loginWindow);
    EXPECT_EQ(messages.messages.size(), 1u) << "said once, not at every activation";

    testdb::exec(QString("create database \"%1\" template \"%2\"")
                     .arg(later, qEnvironmentVariable("TABEL_TEST_TEMPLATE", "tabel_template")));
    logIn(*a, "master", "master", [&](journal::JournalWindow& j) {
        EXPECT_EQ(a->dataModule.session.buildDate, 20261210) << "the gate ran before the journal";
    });
    EXPECT_TRUE(journalShown);
    a.reset();
    testdb::exec(QString("drop database if exists \"%1\" with (force)").arg(later));
}

TEST_F(LoginTest, AStyleChosenInTheJournalIsAppliedAndKeptForTheNextStart) {
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(app::styleFilePath());
    auto a = makeApp();
    for (const QString& style : {QStringLiteral("Fusion"), QStringLiteral("Windows")}) {
        SCOPED_TRACE(style.toStdString());
        emit a->journalWindow().styleChosen(style);
        EXPECT_EQ(QApplication::style()->name().toLower(), style.toLower());
        QFile file(app::styleFilePath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), style.toLatin1() + "\r\n");
    }
    EXPECT_TRUE(messages.messages.empty());
}

} // namespace
