#pragma once

#include "TestDatabase.h"
#include "state/DataModule.h"
#include "ui/Messages.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace testdb {

// Connects the data module as the login and prepares it as a successful login does.
inline void logIn(state::DataModule& dm, const QString& login) {
    openAs(dm.connection, login, login);
    dm.session.loginName = login;
    dm.session.loginPassword = login;
    dm.session.selectedShift = 1;
    for (int shift = 1; shift <= 4; ++shift)
        dm.journal(shift).setParam(QStringLiteral("ok"), QStringLiteral("ta"));
}

} // namespace testdb

// Types text into a widget key by key, as a user does; unlike QTest::keyClicks it takes any
// character, Cyrillic included.
inline void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        const int key = c.isLetter() ? int(c.toUpper().unicode()) : int(c.unicode());
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key(key), QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key(key), QString(c), Qt::NoModifier);
    }
}

// A double-click on a row of a grid as the mouse gives it: press, release, then the second
// press that the window system reports as a double-click.
inline void doubleClick(QAbstractItemView* grid, int row) {
    const QPoint at = grid->visualRect(grid->model()->index(row, 0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

// The controls Tab visits, starting from the focused one and pressing Tab on whatever has
// the focus, up to `count` of them; each is named by its nearest named widget, so a date
// picker's inner box counts as the picker and a picker that keeps a Tab shows twice.
inline QStringList tabStops(QWidget* window, int count) {
    QStringList stops;
    for (int i = 0; i < count; ++i) {
        QWidget* at = window->focusWidget();
        while (at && (at->objectName().isEmpty() || at->objectName().startsWith("qt_")))
            at = at->parentWidget();
        stops << (at ? at->objectName() : QString());
        QTest::keyClick(window->focusWidget() ? window->focusWidget() : window, Qt::Key_Tab);
    }
    return stops;
}

// A window of the program on the suite's own database: a data module logged in as "master",
// every message recorded (questions answered from messages.answers), the window made anew for
// each test. A suite seeds its rows in SetUpTestSuite or before calling SetUp. A window that
// shows the journal's or the timesheet's queries takes a testdb::PreparedModule.
template <class W, class Module = state::DataModule> class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        testdb::logIn(dm, QStringLiteral("master"));
        window = std::make_unique<W>(dm);
    }
    void TearDown() override {
        saveShot();
        window.reset();
    }

    // TABEL_TEST_SHOTS=folder keeps a picture of each test's window as it ends, to be looked at.
    void saveShot() {
        const QString folder = qEnvironmentVariable("TABEL_TEST_SHOTS");
        if (folder.isEmpty() || !window || !window->isVisible())
            return;
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        window->grab().save(QDir(folder).filePath(
            QStringLiteral("%1.%2.png").arg(test->test_suite_name(), test->name())));
    }

    // Shows the window and makes it the active one, as an opener's exec() does.
    void activate() {
        window->show();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();
    }

    template <class T> T* control(const char* name) {
        T* c = window->template findChild<T*>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    void click(const char* button) {
        QTest::mouseClick(control<QAbstractButton>(button), Qt::LeftButton);
    }

    ui::MessageRecorder messages;
    Module dm;
    std::unique_ptr<W> window;
};
