// The report preview: it opens maximised at the top of the first page, paints only the pages
// in view, lays a long report out while it is open, and saves the PDF or tells why it could not.
#include "ModalDriver.h"
#include "TestDatabase.h"
#include "data/Connection.h"
#include "data/ResultSet.h"
#include "output/Report.h"
#include "ui/Messages.h"
#include "ui/PreviewWindow.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QProcess>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

using output::Band;
using output::Item;

QString pdfText(const QString& path) {
    QProcess p;
    p.start("pdftotext", {path, "-"});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QString::fromUtf8(p.readAllStandardOutput());
}

Band band(const QString& name, double height, std::vector<Item> items = {}) {
    Band b;
    b.name = name;
    b.height = height;
    b.items = std::move(items);
    return b;
}

class PreviewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }
    void SetUp() override { testdb::openAs(connection, "master", "master"); }

    data::ResultSet& rows(const QString& sql) {
        sets.push_back(std::make_unique<data::ResultSet>(connection, "rows"));
        sets.back()->setSql(sql);
        sets.back()->open();
        return *sets.back();
    }

    ui::MessageRecorder messages;
    data::Connection connection;
    std::vector<std::unique_ptr<data::ResultSet>> sets;
};

TEST_F(PreviewTest, ThePreviewOpensMaximisedAtPageWidthAndSavesThePdf) {
    data::ResultSet& set = rows("select 'Строка' as name");
    output::Report r("TForm16", set);
    r.title = "   По работникам за март";
    r.detail = {band("detail", 5, {Item::ofField(0, 50, "name")})};
    auto prepared = r.prepare();
    set.close(); // the preview owns its pages

    std::unique_ptr<ui::PreviewWindow> dialog(
        ui::createPreview(std::move(prepared), ui::Zoom::PageWidth, nullptr));
    EXPECT_EQ(dialog->objectName(), "TForm16");
    EXPECT_EQ(dialog->windowTitle(), "По работникам за март");
    dialog->show();
    QTest::qWait(200);
    EXPECT_TRUE(dialog->windowState() & Qt::WindowMaximized);
    ui::PageView* view = dialog->view();
    EXPECT_EQ(view->fit(), ui::PageView::Fit::Width);
    EXPECT_EQ(view->pageCount(), 1);
    // Page width: the paper fills the view across, less its margins.
    EXPECT_NEAR(210 * view->dotsPerMm(), view->viewport()->width() - 24, 1);

    QTemporaryDir dir;
    const QString path = dir.filePath("saved.pdf");
    auto* save = dialog->findChild<QAction*>("savePdf");
    ASSERT_NE(save, nullptr);
    whenModalOpens([&](QWidget* modal) {
        auto* files = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(files, nullptr);
        files->selectFile(path);
        static_cast<QDialog*>(files)->accept(); // protected in QFileDialog
    });
    save->trigger();
    EXPECT_TRUE(pdfText(path).contains("Строка"));
    EXPECT_TRUE(messages.texts().isEmpty());

    // A PDF that cannot be written is the action's error; the preview stays open.
    const QString missing = dir.filePath("missing/saved.pdf");
    whenModalOpens([&](QWidget* modal) {
        auto* files = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(files, nullptr);
        files->selectFile(missing);
        static_cast<QDialog*>(files)->accept();
    });
    save->trigger();
    EXPECT_EQ(messages.texts(), QStringList{"Не удалось записать файл " + missing});
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_TRUE(dialog->isVisible());

    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
}

// A report of hundreds of pages opens at the top of its first page and paints only the pages
// in view; paging and zoom paint the pages they bring into view, and no others.
TEST_F(PreviewTest, ThePreviewPaintsOnlyThePagesInView) {
    data::ResultSet& set = rows("select g from generate_series(1, 12000) g");
    output::Report r("TForm20", set);
    r.detail = {band("detail", 4.2, {Item::ofField(0, 50, "g")})};
    r.pageFooter = band("page footer", 4.5, {Item::pageNumber(150, 37, "Лист ")});
    auto prepared = r.prepare();
    const int pages = int(prepared.pages.size());
    ASSERT_GT(pages, 150);

    ui::PreviewWindow window(std::move(prepared), ui::Zoom::WholePage, nullptr);
    ui::PageView* view = window.view();
    QList<int> painted;
    QObject::connect(view, &ui::PageView::pagePainted, [&](int p) { painted << p; });

    struct Case {
        const char* step;
        std::function<void()> act;
        int current; // from 0
        QList<int> mayPaint;
    };
    auto tool = [&](const char* name) { return window.findChild<QAction*>(name); };
    const Case cases[] = {
        {"opened", [&] { window.show(); }, 0, {0, 1}},
        {"last page",
         [&] { tool("lastPageAction")->trigger(); },
         pages - 1,
         {pages - 2, pages - 1}},
        {"page 100 typed",
         [&] { window.findChild<QSpinBox*>("pageNumber")->setValue(100); },
         99,
         {98, 99, 100}},
        {"next page", [&] { tool("nextPageAction")->trigger(); }, 100, {99, 100, 101}},
        {"page width", [&] { tool("fitWidthAction")->trigger(); }, 100, {99, 100, 101}},
        {"first page", [&] { tool("firstPageAction")->trigger(); }, 0, {0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        painted.clear();
        c.act();
        QTest::qWait(100);
        EXPECT_EQ(view->currentPage(), c.current);
        EXPECT_EQ(window.findChild<QSpinBox*>("pageNumber")->value(), c.current + 1);
        EXPECT_TRUE(painted.contains(c.current)) << painted.size();
        for (int p : painted)
            EXPECT_TRUE(c.mayPaint.contains(p)) << "page " << p;
    }
    // Opened, and back at the start, at the very top of page 1: its top edge in view.
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
}

// A preview given a preparation opens on its first page before the rest are laid out, and
// takes the rest while it is open.
TEST_F(PreviewTest, APreviewShowsItsFirstPageWhileTheRestAreLaidOut) {
    auto set = std::make_unique<data::ResultSet>(connection, "rows");
    set->setSql("select g from generate_series(1, 30000) g");
    set->open();
    output::Report r("TForm20", *set);
    r.title = "Детальный отчет";
    r.detail = {band("detail", 4.2, {Item::ofField(0, 50, "g")})};
    r.pageFooter = band("page footer", 4.5, {Item::pageNumber(150, 37, "Лист ")});
    const int pages = int(r.prepare().pages.size());

    ui::PreviewWindow window(std::make_unique<output::Preparation>(std::move(set), std::move(r)),
                             ui::Zoom::PageWidth, nullptr);
    EXPECT_FALSE(window.complete());
    EXPECT_GE(window.view()->pageCount(), 1);
    EXPECT_LT(window.view()->pageCount(), pages);
    EXPECT_EQ(window.windowTitle(), "Детальный отчет");
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (!window.complete() && waited.elapsed() < 20000)
        QApplication::processEvents();
    ASSERT_TRUE(window.complete());
    EXPECT_EQ(window.view()->pageCount(), pages);
    EXPECT_EQ(window.findChild<QLabel*>("pageTotal")->text(), QStringLiteral(" из %1 ").arg(pages));
    EXPECT_EQ(window.report().texts(pages - 1).back(), QStringLiteral("Лист %1").arg(pages));
    EXPECT_EQ(window.view()->verticalScrollBar()->value(), 0);
}

// The preview opens on the top of the first page, at either zoom, and a place the user
// scrolled to stays through the next fit.
TEST_F(PreviewTest, ThePreviewOpensAtTheTopOfTheFirstPage) {
    data::ResultSet& set = rows("select 'Строка ' || g as name from generate_series(1, 120) g");
    output::Report r("TForm16", set);
    r.detail = {band("detail", 5, {Item::ofField(0, 50, "name")})};
    const auto prepared = r.prepare();
    ASSERT_GT(prepared.pages.size(), 1u);
    for (const ui::Zoom zoom : {ui::Zoom::PageWidth, ui::Zoom::WholePage}) {
        SCOPED_TRACE(int(zoom));
        std::unique_ptr<ui::PreviewWindow> window(ui::createPreview(prepared, zoom, nullptr));
        window->show();
        QTest::qWait(200);
        QScrollBar* down = window->view()->verticalScrollBar();
        EXPECT_GT(down->maximum(), down->minimum()) << "more to see below";
        EXPECT_EQ(down->value(), down->minimum());
        EXPECT_EQ(window->view()->currentPage(), 0);

        down->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        window->showNormal();
        window->resize(700, 500);
        QTest::qWait(200);
        EXPECT_GT(down->value(), down->minimum());
    }
}

} // namespace
