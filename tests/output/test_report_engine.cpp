// The banded report engine on real result sets: the bands and totals of prepared pages,
// number masks, page breaks, and the same pages painted into images and PDF files.
#include "TestDatabase.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/NumberText.h"
#include "data/ResultSet.h"
#include "output/Report.h"
#include "output/ReportOutput.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QMap>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

using output::Align;
using output::Band;
using output::Item;

QString pdfText(const QString& path, const QStringList& options = {}) {
    QProcess p;
    p.start("pdftotext", options + QStringList{path, "-"});
    EXPECT_TRUE(p.waitForFinished(30000));
    return QString::fromUtf8(p.readAllStandardOutput());
}

class ReportEngineTest : public ::testing::Test {
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

    // Band names of every page in print order, the page footer as "|" closing each page.
    static QStringList sequence(const output::PreparedReport& r) {
        QStringList out;
        for (const output::Page& page : r.pages)
            for (const output::PlacedBand& b : page.bands)
                out << (b.name == "page footer" ? QStringLiteral("|") : b.name);
        return out;
    }

    static Band band(const QString& name, double height, std::vector<Item> items = {}) {
        Band b;
        b.name = name;
        b.height = height;
        b.items = std::move(items);
        return b;
    }

    // Workers and products with money, like a by-workers summary; the grand total counts
    // only the rows that pass the filter.
    static output::Report workersReport(const data::ResultSet& set) {
        output::Report r("TForm16", set);
        r.title = "   По работникам";
        r.reportHeader = {
            band("title", 5, {Item::label(0, 100, "По работникам").bold().named("QRLabel1")})};
        output::Group worker{"fio",
                             {},
                             {band("worker", 6, {Item::ofField(0.3, 80, "fio")})},
                             {band("worker footer", 6,
                                   {Item::sumOf(163, 24, "summa", true, Align::Center, "#0.00")})}};
        output::Group product{
            "nom",
            {},
            {band("product", 5, {Item::ofField(0.3, 80, "nom")})},
            {band("product footer", 5,
                  {Item::sumOf(137, 19, "kolvo", true),
                   Item::sumOf(163, 24, "summa", true, Align::Center, "#0.000")})}};
        r.groups = {worker, product};
        r.detail = {band("detail", 4.2,
                         {Item::ofExpression(13, 42,
                                             [](const output::Row& row) {
                                                 return row.number("naimen") == 0
                                                            ? QStringLiteral("Готовая продукция")
                                                            : QStringLiteral("Заготовки");
                                             }),
                          Item::ofField(137, 19, "kolvo", Align::Center),
                          Item::ofField(163, 24, "summa", Align::Center, "#0.000")})};
        r.reportFooter = {band("report footer", 6,
                               {Item::label(137, 20, "Итого:"),
                                Item::sumOf(160, 28, "summa", false, Align::Center, "#0.00")})};
        r.pageFooter = band("page footer", 4.2, {Item::pageNumber(150, 37, "Лист ")});
        return r;
    }

    data::Connection connection;
    std::vector<std::unique_ptr<data::ResultSet>> sets;
};

const char* workersSql = "select * from (values"
                         " ('Иванов', 'Болт', 2.0, 10.5, 0),"
                         " ('Иванов', 'Болт', 1.0, null, 1),"
                         " ('Иванов', 'Гайка', 4.0, 2.25, 1),"
                         " ('Петров', 'Болт', 3.0, 7.0, 0))"
                         " as t(fio, nom, kolvo, summa, naimen)";

TEST_F(ReportEngineTest, GroupsPrintHeadersAndFootersInOrderWithTotalsResetPerGroup) {
    const auto prepared = workersReport(rows(workersSql)).prepare();

    ASSERT_EQ(prepared.pages.size(), 1u);
    EXPECT_EQ(
        sequence(prepared),
        QStringList({"title", "worker", "product", "detail", "detail", "product footer", "product",
                     "detail", "product footer", "worker footer", "worker", "product", "detail",
                     "product footer", "worker footer", "report footer", "|"}));
    // The null money prints empty and adds nothing; the unmasked quantity sums print plainly.
    EXPECT_EQ(prepared.texts(), QStringList({"По работникам",
                                             "Иванов",
                                             "Болт",
                                             "Готовая продукция",
                                             "2",
                                             "10,500",
                                             "Заготовки",
                                             "1",
                                             "3",
                                             "10,500",
                                             "Гайка",
                                             "Заготовки",
                                             "4",
                                             "2,250",
                                             "4",
                                             "2,250",
                                             "12,75",
                                             "Петров",
                                             "Болт",
                                             "Готовая продукция",
                                             "3",
                                             "7,000",
                                             "3",
                                             "7,000",
                                             "7,00",
                                             "Итого:",
                                             "19,75",
                                             "Лист 1"}));
    EXPECT_EQ(prepared.fonts.front().family, "Liberation Sans");
}

TEST_F(ReportEngineTest, TotalsCountOnlyTheRowsPassingTheFilter) {
    data::ResultSet& set = rows(workersSql);
    set.setFilter("naimen=1");
    set.setFiltered(true);
    const auto prepared = workersReport(set).prepare();
    EXPECT_EQ(prepared.texts(), QStringList({"По работникам", "Иванов", "Болт", "Заготовки", "1",
                                             "1", "0,000", "Гайка", "Заготовки", "4", "2,250", "4",
                                             "2,250", "2,25", "Итого:", "2,25", "Лист 1"}));
}

TEST_F(ReportEngineTest, AnEmptyReportIsOnePageWithTitleZeroTotalsAndPageNumber) {
    const auto prepared = workersReport(rows(QString(workersSql) + " where false")).prepare();
    ASSERT_EQ(prepared.pages.size(), 1u);
    EXPECT_EQ(sequence(prepared), QStringList({"title", "report footer", "|"}));
    EXPECT_EQ(prepared.texts(), QStringList({"По работникам", "Итого:", "0,00", "Лист 1"}));
}

TEST_F(ReportEngineTest, NumbersFollowTheirMaskOrTheGeneralFormat) {
    struct Case {
        QVariant value;
        QString mask;
        QString printed;
    };
    const Case cases[] = {
        {0.0005, "#0.000", "0,001"},
        {-0.0005, "#0.000", "-0,001"},
        {-1.5, "#0", "-2"},
        {2.5, "#0", "3"},
        {2.675, "#0.00", "2,68"}, // as written, though the binary value lies below
        {99.995, "#0.00", "100,00"},
        {-0.0004, "#0.000", "0,000"},
        {1234567.891, "#0.00", "1234567,89"},
        {12.5, "", "12,5"},
        {7.0, "", "7"},
        {0.1 + 0.2, "", "0,3"},
        {-0.0, "", "0"},
        {QVariant::fromValue(qint64(123456789012)), "", "123456789012"},
        {QVariant::fromValue(qint64(7)), "#0.00", "7,00"},
        {QVariant(), "#0.00", ""},
        {QVariant(), "", ""},
        {QString("Б-12"), "#0.00", "Б-12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.toString().toStdString() + " " + c.mask.toStdString());
        EXPECT_EQ(data::value::formatValue(c.value, c.mask), c.printed);
    }

    // The same through the server's types: numeric, float8, bigint and null.
    data::ResultSet& set = rows("select 0.0005::numeric as a, (-1.5)::float8 as b,"
                                " 7::bigint as c, null::float8 as d, 12.5::numeric(9,2) as e");
    output::Report r("T", set);
    r.detail = {band("detail", 5,
                     {Item::ofField(0, 20, "a", Align::Left, "#0.000"),
                      Item::ofField(20, 20, "b", Align::Left, "#0"), Item::ofField(40, 20, "c"),
                      Item::ofField(60, 20, "d"), Item::ofField(80, 20, "e")})};
    EXPECT_EQ(r.prepare().texts(), QStringList({"0,001", "-2", "7", "12,5"}));

    // Repeated numbers: one value under two masks, and a bigint with the 64 bits of the
    // double 1.0, each keep their own text on every row.
    data::ResultSet& repeated = rows("select 2.5::float8 as x, 4607182418800017408::bigint as i,"
                                     " 1.0::float8 as f from generate_series(1, 2)");
    output::Report twice("T", repeated);
    twice.detail = {
        band("detail", 5,
             {Item::ofField(0, 20, "x", Align::Left, "#0"),
              Item::ofField(20, 20, "x", Align::Left, "#0.00"), Item::ofField(40, 20, "i"),
              Item::ofField(80, 20, "f"), Item::ofField(100, 20, "x")})};
    const QStringList row = {"3", "2,50", "4607182418800017408", "1", "2,5"};
    EXPECT_EQ(twice.prepare().texts(), row + row);
}

TEST_F(ReportEngineTest, AFieldMissingFromTheRowsIsRefused) {
    data::ResultSet& set = rows("select 1 as kolvo");
    for (const Item& item : {Item::ofField(0, 20, "kolvo_"), Item::sumOf(0, 20, "summa", false)}) {
        output::Report r("TForm16", set);
        r.reportFooter = {band("report footer", 5, {item})};
        EXPECT_THROW(r.prepare(), data::Error);
    }
}

TEST_F(ReportEngineTest, LayoutFontsAreDrawnInLiberationSans) {
    struct Case {
        QString family, installed;
    };
    const Case cases[] = {{"Arial", "Liberation Sans"},
                          {"MS Sans Serif", "Liberation Sans"},
                          {"Microsoft Sans Serif", "Liberation Sans"},
                          {"DejaVu Sans", "DejaVu Sans"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.family.toStdString());
        EXPECT_EQ(output::installedFamily(c.family), c.installed);
    }
}

// Body from 20 mm (10 margin + 10 title) to 282 mm (297 - 10 margin - 5 page footer):
// a 2 mm header and 25 rows of 10 mm leave 10 mm, room for the next header but not for
// the header with its row.
TEST_F(ReportEngineTest, AGroupHeaderAtThePageFootMovesOnWithItsRow) {
    data::ResultSet& set = rows("select g, g / 25 as grp from generate_series(0, 39) g");
    output::Report r("T", set);
    r.reportHeader = {band("title", 10)};
    r.groups = {{"grp", {}, {band("group", 2, {Item::ofField(0, 20, "grp")})}, {}}};
    r.detail = {band("detail", 10, {Item::ofField(0, 20, "g")})};
    r.pageFooter = band("page footer", 5, {Item::pageNumber(150, 37)});
    const auto prepared = r.prepare();

    ASSERT_EQ(prepared.pages.size(), 2u);
    const auto& first = prepared.pages[0].bands;
    ASSERT_GE(first.size(), 2u);
    EXPECT_EQ(first[first.size() - 2].name, "detail");
    EXPECT_EQ(first[first.size() - 2].row, 24);
    EXPECT_DOUBLE_EQ(first.back().top, 282); // the page footer in its reserved place
    const auto& second = prepared.pages[1].bands;
    ASSERT_GE(second.size(), 2u);
    EXPECT_EQ(second[0].name, "group");
    EXPECT_EQ(second[0].row, 25);
    EXPECT_DOUBLE_EQ(second[0].top, 10);
    EXPECT_EQ(second[1].name, "detail");
    EXPECT_EQ(prepared.texts(1).front(), "1");
    EXPECT_EQ(prepared.texts(1).back(), "2");
}

// Many pages in landscape with a heading on every page: no band is split or runs into the
// page footer, no page ends on a group header, and the totals come out whole.
TEST_F(ReportEngineTest, LongReportsRepeatTheHeadingAndKeepTheFooterFree) {
    data::ResultSet& set = rows("select g, g / 7 as grp, (g % 5)::float8 / 4 as h"
                                " from generate_series(1, 26000) g");
    output::Report r("TForm15", set);
    r.layout.setOrientation(QPageLayout::Landscape);
    r.pageHeader = {band("heading", 6.6, {Item::label(0, 40, "Данные за:").named("QRLabel33")})};
    ASSERT_TRUE(r.setText("QRLabel33", "Март 2026 г."));
    r.groups = {{{},
                 [](const output::Row& row) { return row.value("grp"); },
                 {band("group", 5.3, {Item::ofField(0, 20, "grp")})},
                 {band("group footer", 4.5, {Item::sumOf(100, 20, "h", true)})}}};
    r.detail = {band("detail", 6.3, {Item::ofField(0, 20, "g"), Item::ofField(30, 20, "h")})};
    r.reportFooter = {band("report footer", 5.8, {Item::sumOf(100, 30, "h", false)})};
    r.pageFooter = band("page footer", 4.5, {Item::pageNumber(252.7, 25.7)});

    QElapsedTimer timer;
    timer.start();
    const auto prepared = r.prepare();
    RecordProperty("prepare_ms", int(timer.elapsed()));

    const double bodyBottom = 210 - 10 - 4.5;
    ASSERT_GT(prepared.pages.size(), 100u);
    for (size_t p = 0; p < prepared.pages.size(); ++p) {
        SCOPED_TRACE("page " + std::to_string(p + 1));
        const auto& bands = prepared.pages[p].bands;
        ASSERT_GE(bands.size(), 3u);
        EXPECT_EQ(bands.front().name, "heading");
        EXPECT_EQ(bands.back().name, "page footer");
        EXPECT_NE(bands[bands.size() - 2].name, "group");
        EXPECT_EQ(prepared.texts(int(p)).front(), "Март 2026 г.");
        EXPECT_EQ(prepared.texts(int(p)).back(), QString::number(p + 1));
        for (const auto& prim : prepared.pages[p].primitives)
            if (prim.rect().top() < bodyBottom) {
                ASSERT_LE(prim.rect().bottom(), bodyBottom + 1e-4); // boxes are floats
            }
    }
    // h runs 0.25, 0.5, 0.75, 0, 0.25... over g = 1..26000: 5200 × 2.5.
    EXPECT_EQ(prepared.texts(int(prepared.pages.size()) - 1)
                  .at(prepared.texts(int(prepared.pages.size()) - 1).size() - 2),
              "13000");
}

TEST_F(ReportEngineTest, APdfHoldsThePagesAsTextInTheirPageSize) {
    data::ResultSet& set = rows("select g, 'Строка ' || g as name from generate_series(1, 80) g");
    output::Report r("T", set);
    r.title = "Отчёт";
    r.layout.setOrientation(QPageLayout::Landscape);
    r.reportHeader = {band("title", 8, {Item::label(0, 100, "Отчёт за март").bold()})};
    r.detail = {band("detail", 4.2, {Item::ofField(0, 60, "name")})};
    r.reportFooter = {band("report footer", 6,
                           {Item::label(100, 20, "Итого:"), Item::sumOf(130, 30, "g", false)})};
    r.pageFooter = band("page footer", 4.5, {Item::pageNumber(200, 60, "Лист ")});
    const auto prepared = r.prepare();
    ASSERT_EQ(prepared.pages.size(), 2u);

    QTemporaryDir dir;
    const QString path = dir.filePath("report.pdf");
    ASSERT_NO_THROW(output::writePdf(prepared, path));
    const QString text = pdfText(path);
    EXPECT_TRUE(text.contains("Отчёт за март"));
    EXPECT_TRUE(text.contains("Строка 80"));
    EXPECT_TRUE(text.contains("Итого:"));
    EXPECT_TRUE(text.contains("3240"));
    EXPECT_TRUE(text.contains("Лист 2"));
    EXPECT_EQ(text.count(QChar('\f')), 2); // one form feed per page

    QProcess info;
    info.start("pdfinfo", {path});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QString pdfInfo = QString::fromUtf8(info.readAllStandardOutput());
    EXPECT_TRUE(pdfInfo.contains("842 x 595 pts (A4)")) << pdfInfo.toStdString();

    const QString missing = dir.filePath("missing/folder/report.pdf");
    try {
        output::writePdf(prepared, missing);
        ADD_FAILURE() << "a PDF in a missing folder was written";
    } catch (const data::Error& e) {
        EXPECT_EQ(e.text(), "Не удалось записать файл " + missing);
    }
    EXPECT_FALSE(QFile::exists(missing));
}

// The printer (and so the preview) gets the page where the PDF has it: the margins are in the
// placed primitives already and must not be added a second time.
TEST_F(ReportEngineTest, PrintingPlacesTextsWhereThePdfHasThem) {
    data::ResultSet& set = rows("select 1 as g");
    output::Report r("T", set);
    r.reportHeader = {
        band("title", 8, {Item::label(0, 60, "Слева"), Item::label(150, 40, "Справа")})};
    const auto prepared = r.prepare();
    QTemporaryDir dir;
    ASSERT_NO_THROW(output::writePdf(prepared, dir.filePath("written.pdf")));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("printed.pdf"));
    output::print(prepared, printer);

    // "xMin yMin" of each word, in points from the paper's corner.
    auto corners = [](const QString& path) {
        const QString html = pdfText(path, {"-bbox"});
        static const QRegularExpression word(
            "xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]+)</word>");
        QMap<QString, QPointF> out;
        for (auto m = word.globalMatch(html); m.hasNext();) {
            const auto w = m.next();
            out[w.captured(3)] = QPointF(w.captured(1).toDouble(), w.captured(2).toDouble());
        }
        return out;
    };
    const auto written = corners(dir.filePath("written.pdf"));
    const auto printed = corners(dir.filePath("printed.pdf"));
    const std::pair<QString, double> words[] = {{"Слева", 10}, {"Справа", 160}}; // mm
    for (const auto& [w, left] : words) {
        SCOPED_TRACE(w.toStdString());
        ASSERT_TRUE(written.contains(w) && printed.contains(w));
        EXPECT_NEAR(written[w].x(), left / 25.4 * 72, 2);
        EXPECT_NEAR(printed[w].x(), written[w].x(), 1);
        EXPECT_NEAR(printed[w].y(), written[w].y(), 1);
    }
}

// A text too long for its box is cut at the box's edge, not wrapped below it or spilled
// into the next box.
TEST_F(ReportEngineTest, TextIsClippedToItsBox) {
    data::ResultSet& set = rows("select 'WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW' as name");
    output::Report r("T", set);
    r.detail = {band("detail", 5, {Item::ofField(10, 15, "name")})};
    const auto prepared = r.prepare();
    ASSERT_EQ(prepared.texts(), QStringList({"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"}));

    const double dotsPerMm = 8;
    QImage image(int(210 * dotsPerMm), int(60 * dotsPerMm), QImage::Format_RGB32);
    image.setDotsPerMeterX(int(dotsPerMm * 1000));
    image.setDotsPerMeterY(int(dotsPerMm * 1000));
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        output::paintPage(painter, prepared, 0, dotsPerMm);
    }
    // The box: 20..35 mm across, 10..15 mm down.
    auto inkIn = [&](double x1, double y1, double x2, double y2) {
        int ink = 0;
        for (int y = int(y1 * dotsPerMm); y < int(y2 * dotsPerMm); ++y)
            for (int x = int(x1 * dotsPerMm); x < int(x2 * dotsPerMm); ++x)
                ink += qGray(image.pixel(x, y)) < 128;
        return ink;
    };
    EXPECT_GT(inkIn(20, 10, 35, 15), 100);
    EXPECT_EQ(inkIn(35.2, 5, 120, 25), 0);
    EXPECT_EQ(inkIn(0, 15.2, 120, 40), 0);
}

// Stored names may start with a tab: it is drawn as one blank, not as a jump to a tab stop,
// and centred or right-aligned texts keep their place.
TEST_F(ReportEngineTest, ATabInATextIsDrawnAsABlank) {
    const auto paint = [&](const char* sql) {
        data::ResultSet& set = rows(sql);
        output::Report r("T", set);
        r.detail = {
            band("detail", 5,
                 {Item::ofField(10, 40, "name"), Item::ofField(60, 40, "name", Align::Center),
                  Item::ofField(110, 40, "name", Align::Right)})};
        const double dotsPerMm = 8;
        QImage image(int(210 * dotsPerMm), int(30 * dotsPerMm), QImage::Format_RGB32);
        image.setDotsPerMeterX(int(dotsPerMm * 1000));
        image.setDotsPerMeterY(int(dotsPerMm * 1000));
        image.fill(Qt::white);
        QPainter painter(&image);
        output::paintPage(painter, r.prepare(), 0, dotsPerMm);
        return image;
    };
    const QImage tab = paint("select E'\\tПЛ-502' as name");
    const QImage blank = paint("select ' ПЛ-502' as name");
    EXPECT_TRUE(tab == blank);
}

// A preview lays its pages out a slice of rows at a time and lets the rows it has passed go:
// whatever the slice, the pages come out as from one pass, group footers that print the row
// before included, and the pages counted ready never change afterwards.
TEST_F(ReportEngineTest, APreparationInSlicesLaysOutThePagesOfOnePass) {
    const char* sql = "select g, g / 37 as grp, 'Имя ' || g as name from generate_series(1, 400) g";
    auto layout = [](const data::ResultSet& set) {
        output::Report r("T", set);
        r.groups = {{"grp",
                     {},
                     {band("group", 5, {Item::ofField(0, 20, "grp")})},
                     {band("group footer", 5,
                           {Item::ofField(0, 40, "name"), Item::sumOf(100, 20, "g", true)})}}};
        r.detail = {band("detail", 4.2, {Item::ofField(0, 40, "name")})};
        r.reportFooter = {band("report footer", 6, {Item::sumOf(100, 30, "g", false)})};
        r.pageFooter = band("page footer", 4.5, {Item::pageNumber(150, 37, "Лист ")});
        return r;
    };
    const auto whole = layout(rows(sql)).prepare();
    ASSERT_GT(whole.pages.size(), 3u);

    for (int slice : {1, 3, 64, 1000}) {
        SCOPED_TRACE("slice " + std::to_string(slice));
        auto set = std::make_unique<data::ResultSet>(connection, "rows");
        set->setSql(sql);
        set->open();
        const data::ResultSet& read = *set;
        output::Preparation preparation(std::move(set), layout(read));
        std::vector<QStringList> ready; // each page's texts when first counted ready
        for (bool done = false; !done;) {
            done = preparation.advance(slice);
            const auto& pages = *preparation.pages();
            for (int p = int(ready.size()); p < preparation.readyPages(); ++p)
                ready.push_back(pages.texts(p));
        }
        EXPECT_TRUE(preparation.done());
        const auto& pages = *preparation.pages();
        EXPECT_EQ(sequence(pages), sequence(whole));
        EXPECT_EQ(pages.texts(), whole.texts());
        ASSERT_EQ(ready.size(), whole.pages.size());
        for (size_t p = 0; p < ready.size(); ++p)
            EXPECT_EQ(ready[p], whole.texts(int(p))) << "page " << p + 1;
    }
}

// What a reader takes out of the PDF is what was prepared, page by page: the same words, in
// the same fonts' glyphs, a text printed many times over shaped once.
TEST_F(ReportEngineTest, APdfReadsBackAsThePreparedTexts) {
    data::ResultSet& set =
        rows("select g, (array['Болт М12', E'\\tПЛ-502', 'Гайка', 'Шайба плоская'])[g % 4 + 1]"
             " as name, g % 7 * 1.25 as summa from generate_series(1, 150) g");
    output::Report r("T", set);
    r.reportHeader = {band("title", 8, {Item::label(0, 100, "Отчёт за март").bold()})};
    r.detail = {band("detail", 4.2,
                     {Item::ofField(0, 60, "name"), Item::ofField(70, 20, "g", Align::Right),
                      Item::ofField(100, 30, "summa", Align::Center, "#0.00")})};
    r.reportFooter = {band("report footer", 6,
                           {Item::label(100, 20, "Итого:"), Item::sumOf(130, 30, "summa", false)})};
    r.pageFooter = band("page footer", 4.5, {Item::pageNumber(150, 37, "Лист ")});
    const auto prepared = r.prepare();
    ASSERT_EQ(prepared.pages.size(), 3u);
    // Each distinct text is held once.
    EXPECT_EQ(QSet<QString>(prepared.strings.begin(), prepared.strings.end()).size(),
              qsizetype(prepared.strings.size()));
    EXPECT_LT(prepared.strings.size(), prepared.texts().size());

    QTemporaryDir dir;
    const QString path = dir.filePath("report.pdf");
    ASSERT_NO_THROW(output::writePdf(prepared, path));
    const QStringList pdfPages = pdfText(path).split(QChar('\f'));
    ASSERT_GE(pdfPages.size(), 3);
    auto words = [](const QStringList& texts) {
        QStringList out = texts.join(' ').split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
        out.sort();
        return out;
    };
    for (int p = 0; p < 3; ++p) {
        SCOPED_TRACE("page " + std::to_string(p + 1));
        EXPECT_EQ(words({pdfPages[p]}), words(prepared.texts(p)));
    }
}

} // namespace
